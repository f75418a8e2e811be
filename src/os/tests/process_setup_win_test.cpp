#include "os/process_setup.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <thread>
#include <utility>

namespace nimbrook::os {
namespace {

// Whether the calling thread is in a COM apartment: CoInitializeEx for the other apartment kind
// answers RPC_E_CHANGED_MODE only then.
bool InSingleThreadedApartment() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(hr)) CoUninitialize();
  return hr == RPC_E_CHANGED_MODE;
}

TEST(ProcessSetupWinTest, ComLivesAsLongAsItsOwner) {
  std::thread([] {
    {
      ComInitialisation com = ComInitialisation::Initialise();
      ASSERT_TRUE(com.ok());
      EXPECT_TRUE(InSingleThreadedApartment());
      ComInitialisation moved = std::move(com);
      EXPECT_FALSE(com.ok());
      EXPECT_TRUE(moved.ok());
      EXPECT_TRUE(InSingleThreadedApartment());
    }
    EXPECT_FALSE(InSingleThreadedApartment());
  }).join();
}

TEST(ProcessSetupWinTest, DpiAwarenessIsSetWhereTheSystemHasIt) {
  EXPECT_TRUE(EnableDpiAwareness());
  EXPECT_TRUE(IsProcessDPIAware());
}

}  // namespace
}  // namespace nimbrook::os
