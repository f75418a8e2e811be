// Named events: one holder creates, another opens and sets by name; a name nobody holds cannot be
// set; the event goes away with its last holder.
#include "os/named_event.h"

#include <gtest/gtest.h>

namespace nimbrook::os {
namespace {

TEST(NamedEvent, SetByNameReachesTheHolder) {
  const std::wstring name = L"nimbrook_test_event_a";
  NamedEvent held = NamedEvent::Create(name);
  ASSERT_TRUE(held.valid());
  EXPECT_FALSE(held.IsSet());
  EXPECT_TRUE(SignalNamedEvent(name));
  EXPECT_TRUE(held.IsSet());

  // A second holder shares the same event, set state included.
  NamedEvent second = NamedEvent::Create(name);
  EXPECT_TRUE(second.IsSet());
  EXPECT_TRUE(second.Reset());
  EXPECT_FALSE(held.IsSet());

  NamedEvent moved = std::move(held);
  EXPECT_FALSE(held.valid());  // NOLINT(bugprone-use-after-move): the moved-from object is empty
  EXPECT_TRUE(moved.valid());
  EXPECT_FALSE(held.Set());
}

TEST(NamedEvent, NoHolderNoEvent) {
  const std::wstring name = L"nimbrook_test_event_b";
  EXPECT_FALSE(SignalNamedEvent(name));
  {
    NamedEvent held = NamedEvent::Create(name);
    EXPECT_TRUE(SignalNamedEvent(name));
  }
  // Closed by its only holder: gone, and a new one starts unset.
  EXPECT_FALSE(SignalNamedEvent(name));
  NamedEvent fresh = NamedEvent::Create(name);
  EXPECT_FALSE(fresh.IsSet());
  fresh.Close();
  EXPECT_FALSE(fresh.valid());
  EXPECT_FALSE(SignalNamedEvent(name));
}

}  // namespace
}  // namespace nimbrook::os
