// cmroute.dll as rundll32 and the launcher use it: loaded with LoadLibrary, entries looked up by
// their undecorated names, the route file named relative to the current directory.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "cmroute/route_table_win.h"
#include "core/file_io.h"
#include "core/text.h"
#include "testing/temp_dir.h"

namespace nimbrook::cmroute {
namespace {

using StatusEntry = int(WINAPI*)(const wchar_t*);
using WideEntry = void(CALLBACK*)(HWND, HINSTANCE, LPWSTR, int);
using NarrowEntry = void(CALLBACK*)(HWND, HINSTANCE, LPSTR, int);

std::wstring DllPath() {
  std::wstring path = text::FromUtf8(NIMBROOK_CMROUTE_DLL);
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  return L"Z:" + path;
}

class CmrouteDllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryW(DllPath().c_str());
    ASSERT_NE(module, nullptr) << "cannot load " << text::ToUtf8(DllPath()) << ": " << GetLastError();
    status = reinterpret_cast<StatusEntry>(reinterpret_cast<void*>(GetProcAddress(module, "SetRoutesStatusW")));
    wide = reinterpret_cast<WideEntry>(reinterpret_cast<void*>(GetProcAddress(module, "SetRoutesW")));
    narrow = reinterpret_cast<NarrowEntry>(reinterpret_cast<void*>(GetProcAddress(module, "SetRoutes")));
    ASSERT_NE(status, nullptr);
    ASSERT_NE(wide, nullptr);
    ASSERT_NE(narrow, nullptr);
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    previousDir = previous;
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Dir().c_str()));
    logPath = DllPath().substr(0, DllPath().find_last_of(L'\\') + 1) + L"cmroute.log";
    RemoveFile(logPath);
  }
  void TearDown() override {
    SetCurrentDirectoryW(previousDir.c_str());
    if (module) FreeLibrary(module);
  }
  std::string Log() {
    std::string bytes;
    if (!ReadFileBytes(logPath, bytes)) return "";
    return bytes;
  }

  testing::TempDir dir;
  std::wstring previousDir;
  std::wstring logPath;
  HMODULE module = nullptr;
  StatusEntry status = nullptr;
  WideEntry wide = nullptr;
  NarrowEntry narrow = nullptr;
};

TEST_F(CmrouteDllTest, RefusesWhatItCannotApplyAndLogsWhy) {
  EXPECT_EQ(status(L"/DONT_REQUIRE_URL"), 1);
  EXPECT_EQ(status(L"/STATIC_FILE_NAME missing.tem  /DONT_REQUIRE_URL/IPHLPAPI_ACCESS_DENIED_OK"), 3);
  ASSERT_TRUE(WriteFileBytes(dir.File(L"bad.tem"), "; routes\nADD 10.0.0.0 MASK 255.255.0.255 default\n"));
  EXPECT_EQ(status(L"/STATIC_FILE_NAME bad.tem  /DONT_REQUIRE_URL /IPHLPAPI_ACCESS_DENIED_OK"), 4);
  EXPECT_EQ(status(L"/STATIC_FILE_NAME bad.tem"), 2);
  const std::string log = Log();
  EXPECT_NE(log.find("路由命令行有误"), std::string::npos) << log;
  EXPECT_NE(log.find("路由文件无法读取: missing.tem"), std::string::npos) << log;
  EXPECT_NE(log.find("路由文件bad.tem第2行有误: mask 255.255.0.255 is not contiguous"), std::string::npos) << log;

  // The rundll32 forms return nothing and show nothing; they leave the same trace.
  RemoveFile(logPath);
  std::wstring wideLine = L"/STATIC_FILE_NAME bad.tem  /DONT_REQUIRE_URL/IPHLPAPI_ACCESS_DENIED_OK";
  wide(nullptr, nullptr, wideLine.data(), SW_HIDE);
  std::string narrowLine = "/STATIC_FILE_NAME missing.tem  /DONT_REQUIRE_URL /IPHLPAPI_ACCESS_DENIED_OK";
  narrow(nullptr, nullptr, narrowLine.data(), SW_HIDE);
  wide(nullptr, nullptr, nullptr, SW_HIDE);
  const std::string trace = Log();
  EXPECT_NE(trace.find("bad.tem第2行有误"), std::string::npos) << trace;
  EXPECT_NE(trace.find("无法读取: missing.tem"), std::string::npos) << trace;
  EXPECT_NE(trace.find("no /STATIC_FILE_NAME"), std::string::npos) << trace;
}

TEST_F(CmrouteDllTest, AppliesAWellFormedFileAsFarAsTheSystemAllows) {
  // Deleting routes that are not there counts as done; "default" without a VPN adapter is skipped.
  ASSERT_TRUE(WriteFileBytes(dir.File(L"del.tem"), "DELETE 198.51.100.0 MASK 255.255.255.0 default\r\n"
                                                    "DELETE 198.51.100.0 MASK 255.255.255.0 192.0.2.1\r\n"));
  EXPECT_EQ(status(L"/STATIC_FILE_NAME del.tem  /DONT_REQUIRE_URL /IPHLPAPI_ACCESS_DENIED_OK"), 0) << Log();
  EXPECT_NE(Log().find("路由文件del.tem已处理: 成功1条, 跳过1条"), std::string::npos) << Log();

  // An add through the VPN needs a VPN adapter, which this machine has not: a logged line failure.
  ASSERT_TRUE(WriteFileBytes(dir.File(L"add.tem"), "ADD 198.51.100.0 MASK 255.255.255.0 default\r\n"));
  EXPECT_EQ(status(L"/STATIC_FILE_NAME add.tem  /DONT_REQUIRE_URL /IPHLPAPI_ACCESS_DENIED_OK"), 5);
  EXPECT_NE(Log().find("add.tem第1行未能应用: no VPN adapter is up"), std::string::npos) << Log();
}

TEST_F(CmrouteDllTest, AddsAndDeletesThroughTheComputersOwnGateway) {
  // "local" needs a default route outside the VPN; the test machine's network decides whether one exists.
  if (!IpHelperRouteTable().LocalGateway()) GTEST_SKIP() << "no default route on this machine";
  ASSERT_TRUE(WriteFileBytes(dir.File(L"local.tem"), "ADD 198.51.100.0 MASK 255.255.255.0 local METRIC 5\r\n"
                                                      "DELETE 198.51.100.0 MASK 255.255.255.0 local\r\n"));
  EXPECT_EQ(status(L"/STATIC_FILE_NAME local.tem  /DONT_REQUIRE_URL/IPHLPAPI_ACCESS_DENIED_OK"), 0) << Log();
  EXPECT_NE(Log().find("路由文件local.tem已处理: 成功2条, 跳过0条, 拒绝访问0条, 失败0条"), std::string::npos) << Log();
}

}  // namespace
}  // namespace nimbrook::cmroute
