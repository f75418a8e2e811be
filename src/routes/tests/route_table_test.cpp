// The route steps: the exact command lines, where they are started from, and the log lines of a
// failed start.
#include "routes/route_table.h"

#include <gtest/gtest.h>

#include "core/file_io.h"
#include "core/log.h"
#include "routes/recording_launcher.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

using testing::RecordingLauncher;
using testing::ScopedLauncher;

class RouteTableTest : public ::testing::Test {
 protected:
  void SetUp() override { SetLogFile(dir.File(L"nimbrook.log")); }
  void TearDown() override { SetLogFile(L""); }
  std::string Log() {
    std::string bytes;
    (void)ReadFileBytes(dir.File(L"nimbrook.log"), bytes);
    return bytes;
  }
  testing::TempDir dir;
  RecordingLauncher launcher;
};

TEST_F(RouteTableTest, EachStepStartsItsCommandLineFromTheRouteDirectory) {
  ScopedLauncher scoped(launcher);
  AddRoute(false);
  AddRoute(true);
  EXPECT_TRUE(DeleteRoute());

  const auto requests = launcher.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].commandLine,
            L"rundll32.exe cmroute.dll,SetRoutes /STATIC_FILE_NAME addroute.tem  "
            L"/DONT_REQUIRE_URL/IPHLPAPI_ACCESS_DENIED_OK");
  EXPECT_EQ(requests[1].commandLine,
            L"rundll32.exe cmroute.dll,SetRoutes /STATIC_FILE_NAME china.tem  "
            L"/DONT_REQUIRE_URL /IPHLPAPI_ACCESS_DENIED_OK");
  EXPECT_EQ(requests[2].commandLine,
            L"rundll32.exe cmroute.dll,SetRoutes /STATIC_FILE_NAME delroute.tem  "
            L"/DONT_REQUIRE_URL /IPHLPAPI_ACCESS_DENIED_OK");
  for (const auto& request : requests) {
    EXPECT_EQ(request.fileName, L"cmroute.dll");
    EXPECT_EQ(request.subDir, L"route");
    EXPECT_FALSE(request.pipeInput);
    EXPECT_FALSE(request.pipeOutput);
  }
  // The route tool is never waited for or ended.
  for (const auto& child : launcher.Children()) EXPECT_EQ(child->terminations, 0);
  EXPECT_EQ(Log(), "");
}

TEST_F(RouteTableTest, FailedStartsAreLoggedWithTheSystemError) {
  ScopedLauncher scoped(launcher);
  launcher.refuseWith = 2;
  AddRoute(false);
  launcher.refuseWith = 5;
  AddRoute(true);
  launcher.refuseWith = 1157;
  EXPECT_FALSE(DeleteRoute());
  EXPECT_EQ(Log(),
            "Add route table error _code2\n"
            "Add route table error _code5\n"
            "delete route table error _code1157\n");
}

TEST_F(RouteTableTest, WithoutARouteLibraryNothingStarts) {
  // The real launcher over a program directory without "route\cmroute.dll".
  class NeverStarter final : public os::ProcessStarter {
   public:
    os::StartedChild Start(const os::ChildOptions&) override {
      ++starts;
      return {};
    }
    int starts = 0;
  } starter;
  DirectoryLauncher real(starter, dir.Dir());
  ScopedLauncher scoped(real);
  EXPECT_FALSE(DeleteRoute());
  EXPECT_EQ(starter.starts, 0);
  EXPECT_EQ(Log(), "msg_no_route_file\ndelete route table error _code2\n");
}

}  // namespace
}  // namespace nimbrook
