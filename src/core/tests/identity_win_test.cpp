#include "core/identity.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <thread>

#include "os/wmi.h"

namespace nimbrook {
namespace {

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST(IdentityWinTest, IdentityTextsFromTheRealCollector) {
  EXPECT_EQ(QueryIdentity(kProcessorIdSelector).size(), 16u);
  const std::string disks = QueryIdentity(kDiskSerialSelector);
  EXPECT_FALSE(disks.empty());
  if (UnderWine()) {
    EXPECT_EQ(disks.rfind("WINEHDISK", 0), 0u);
  }

  const auto wmi = os::OpenSystemWmi();
  const os::WmiQueryResult connected = wmi->Select(L"Win32_NetworkAdapter", L"MACAddress", L"NetConnectionID IS NOT NULL");
  if (UnderWine()) {
    // Wine's adapters have no connection names: the identity takes the physical adapters instead.
    EXPECT_FALSE(connected.ok);
    EXPECT_EQ(static_cast<unsigned long>(connected.status), 0x80041001ul);
  }
  const os::WmiQueryResult source =
      connected.ok ? connected
                   : wmi->Select(L"Win32_NetworkAdapter", L"MACAddress", L"PhysicalAdapter = TRUE AND MACAddress IS NOT NULL");
  ASSERT_TRUE(source.ok);
  const std::string address = QueryIdentity(kAdapterAddressSelector);
  if (source.values.empty()) {
    EXPECT_EQ(address, "");
  } else {
    std::string expected;
    for (wchar_t c : source.values.front().substr(0, 17)) expected.push_back(static_cast<char>(std::towupper(c)));
    EXPECT_EQ(address, expected);
  }
}

TEST(IdentityWinTest, WorksOnAWorkerAndOnAThreadThatAlreadyHasAnApartment) {
  const std::string here = QueryIdentity(kProcessorIdSelector);
  std::string onWorker, onUiThread;
  std::thread([&] { onWorker = GatherMachineIdentity().processorId; }).join();
  std::thread([&] {
    // The client's UI thread lives in a single-threaded apartment.
    const HRESULT hr = CoInitialize(nullptr);
    onUiThread = QueryIdentity(kProcessorIdSelector);
    if (SUCCEEDED(hr)) CoUninitialize();
  }).join();
  EXPECT_EQ(onWorker, here);
  EXPECT_EQ(onUiThread, here);
}

}  // namespace
}  // namespace nimbrook
