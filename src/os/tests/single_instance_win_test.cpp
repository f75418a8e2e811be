#include "os/single_instance.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace nimbrook::os {
namespace {

// A name of this test run's own, so parallel runs and a running client never meet.
std::wstring UniqueName(const wchar_t* tag) {
  return std::wstring(L"nimbrook-test-") + tag + L"-" + std::to_wstring(GetCurrentProcessId());
}

TEST(SingleInstanceWinTest, SecondClaimIsNotFirstUntilTheFirstEnds) {
  const std::wstring name = UniqueName(L"guard");
  SingleInstance first = SingleInstance::Claim(name, false);
  EXPECT_TRUE(first.result().firstInstance);
  EXPECT_FALSE(first.result().failed);

  {
    // The desktop has no windows of the client here: bringing them forward does nothing.
    SingleInstance second = SingleInstance::Claim(name, true);
    EXPECT_FALSE(second.result().firstInstance);
    EXPECT_FALSE(second.result().failed);
  }
  // The second claim closed its handle at once; the name still belongs to the first.
  EXPECT_FALSE(SingleInstance::Claim(name, false).result().firstInstance);

  // Moving keeps the name held.
  SingleInstance moved = std::move(first);
  EXPECT_TRUE(moved.result().firstInstance);
  EXPECT_FALSE(first.result().firstInstance);
  EXPECT_FALSE(SingleInstance::Claim(name, false).result().firstInstance);

  moved = SingleInstance();  // the holder ends
  EXPECT_TRUE(SingleInstance::Claim(name, false).result().firstInstance);
}

TEST(SingleInstanceWinTest, ANameTheSystemRefusesIsAFailure) {
  const SingleInstance refused = SingleInstance::Claim(L"NoSuchNamespace\\nimbrook", false);
  EXPECT_TRUE(refused.result().failed);
  EXPECT_FALSE(refused.result().firstInstance);
}

}  // namespace
}  // namespace nimbrook::os
