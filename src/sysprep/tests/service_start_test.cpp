// Starting the Windows services the dial-up protocols need, against the in-memory service manager.
#include "sysprep/service_start.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nimbrook {
namespace {

using os::FakeService;
using os::FakeServiceControl;

struct Boxes {
  std::vector<std::wstring> shown;
  ServiceMessageBox Callback() {
    return [this](const std::wstring& text) { shown.push_back(text); };
  }
};

constexpr ServicePolling kQuickPolling{std::chrono::milliseconds(1), std::chrono::milliseconds(50)};

TEST(EnsureServiceRunning, RunningServiceIsAcceptedWithoutTouchingItsConfiguration) {
  FakeServiceControl control;
  FakeService running;
  running.state = os::kServiceRunning;
  control.Add(L"RasAuto", running);
  Boxes boxes;
  EXPECT_TRUE(EnsureServiceRunning(control, L"RasAuto", boxes.Callback(), kQuickPolling));
  const FakeService after = control.Get(L"RasAuto");
  EXPECT_EQ(after.configChanges, 0);
  EXPECT_EQ(after.starts, 0);
  EXPECT_FALSE(after.automatic);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST(EnsureServiceRunning, StoppedServiceIsMadeAutomaticStartedAndPolledUntilRunning) {
  FakeServiceControl control;
  FakeService stopped;
  stopped.afterStart = {os::kServiceStartPending, os::kServiceStartPending, os::kServiceRunning};
  control.Add(L"Netman", stopped);
  Boxes boxes;
  EXPECT_TRUE(EnsureServiceRunning(control, L"Netman", boxes.Callback(), kQuickPolling));
  const FakeService after = control.Get(L"Netman");
  EXPECT_TRUE(after.automatic);
  EXPECT_EQ(after.starts, 1);
  EXPECT_EQ(after.queries, 4);  // one before the start, three while it starts
  EXPECT_TRUE(boxes.shown.empty());
}

TEST(EnsureServiceRunning, MissingServiceFailsSilently) {
  FakeServiceControl control;
  Boxes boxes;
  EXPECT_FALSE(EnsureServiceRunning(control, L"TapiSrv", boxes.Callback(), kQuickPolling));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(control.Opened(), std::vector<std::wstring>{L"TapiSrv"});
}

TEST(EnsureServiceRunning, EachFailingStepShowsItsMessage) {
  struct Case {
    const char* what;
    FakeService service;
    std::wstring message;
  };
  FakeService queryFails;
  queryFails.queryFails = true;
  FakeService configFails;
  configFails.configFails = true;
  FakeService startFails;
  startFails.startFails = true;
  for (const Case& c : {Case{"query", queryFails, L"查询状态失败"}, Case{"config", configFails, L"设置服务自动失败"},
                        Case{"start", startFails, L"服务启动失败"}}) {
    SCOPED_TRACE(c.what);
    FakeServiceControl control;
    control.Add(L"PolicyAgent", c.service);
    Boxes boxes;
    EXPECT_FALSE(EnsureServiceRunning(control, L"PolicyAgent", boxes.Callback(), kQuickPolling));
    EXPECT_EQ(boxes.shown, std::vector<std::wstring>{c.message});
  }
  // A failed configuration change never starts the service.
  FakeServiceControl control;
  control.Add(L"IKEEXT", configFails);
  Boxes boxes;
  EXPECT_FALSE(EnsureServiceRunning(control, L"IKEEXT", boxes.Callback(), kQuickPolling));
  EXPECT_EQ(control.Get(L"IKEEXT").starts, 0);
}

TEST(EnsureServiceRunning, PollingEndsOnAFailedQueryAStopAndTheBound) {
  {
    FakeServiceControl control;
    FakeService service;
    service.afterStart = {os::kServiceStartPending};
    service.failQueryAfterStart = true;
    control.Add(L"A", service);
    Boxes boxes;
    EXPECT_FALSE(EnsureServiceRunning(control, L"A", boxes.Callback(), kQuickPolling));
    EXPECT_TRUE(boxes.shown.empty());  // no message for the polling
  }
  {
    FakeServiceControl control;
    FakeService service;
    service.afterStart = {os::kServiceStartPending, os::kServiceStopped};
    control.Add(L"B", service);
    Boxes boxes;
    EXPECT_FALSE(EnsureServiceRunning(control, L"B", boxes.Callback(), kQuickPolling));
    EXPECT_EQ(control.Get(L"B").queries, 3);
  }
  {
    // A service that never leaves its start: the poll gives up instead of spinning for ever.
    FakeServiceControl control;
    FakeService service;
    service.afterStart = {os::kServiceStartPending};
    control.Add(L"C", service);
    Boxes boxes;
    EXPECT_FALSE(EnsureServiceRunning(control, L"C", boxes.Callback(), kQuickPolling));
    EXPECT_GE(control.Get(L"C").queries, 2);
  }
}

TEST(EnsureServiceRunning, WithoutAMessageBoxTheFailureStillFails) {
  FakeServiceControl control;
  FakeService startFails;
  startFails.startFails = true;
  control.Add(L"RasAuto", startFails);
  EXPECT_FALSE(EnsureServiceRunning(control, L"RasAuto", ServiceMessageBox(), kQuickPolling));
}

}  // namespace
}  // namespace nimbrook
