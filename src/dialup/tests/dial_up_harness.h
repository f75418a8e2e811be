// What the dial-up engine tests share: a configuration directory holding the shipped phonebook
// template, the fake RAS, seams that record the services, route steps and log lines, and an observer
// that records every notification in one timeline with the route steps.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/file_io.h"
#include "core/text.h"
#include "dialup/dial_up_seams.h"
#include "os/profile_file.h"
#include "os/ras_fake.h"
#include "testing/temp_dir.h"
#include "tunnel/connector.h"

namespace nimbrook::testing {

// Generous: a bound only against a hang, never a measure of speed.
inline constexpr std::chrono::seconds kWaitBound{20};

inline std::wstring ShippedTemplatePath() {
  return text::FromUtf8(NIMBROOK_PHONEBOOK_TEMPLATE);
}

// Polls the condition until it holds; false after kWaitBound.
inline bool WaitUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + kWaitBound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

inline std::wstring Notification(int32_t state, int32_t code, const std::wstring& message) {
  return L"notify " + std::to_wstring(state) + L"/" + std::to_wstring(code) + L" " + message;
}

class DialUpHarness : public StateObserver {
 public:
  DialUpHarness() {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(ShippedTemplatePath(), bytes)) << "phonebook template not staged";
    EXPECT_TRUE(WriteFileBytes(dir.File(L"template.dll"), bytes));
  }

  DialUpSeams Seams() {
    DialUpSeams seams;
    seams.ras = &ras;
    seams.profile = &os::SystemProfile();
    seams.configDir = dir.Dir();
    seams.ensureService = [this](const std::wstring& name) {
      Record(L"service " + name);
      if (serviceHook) serviceHook(name);
      std::lock_guard<std::mutex> guard(lock_);
      return failingServices.count(name) == 0;
    };
    seams.addRoute = [this](bool china) { Record(china ? L"route china" : L"route add"); };
    seams.deleteRoute = [this] {
      Record(L"route delete");
      return true;
    };
    seams.account = [this] {
      std::lock_guard<std::mutex> guard(lock_);
      return account;
    };
    seams.l2tpIpsecEnabled = [this] { return ipsecEnabled; };
    seams.isModernWindows = [this] { return modernWindows; };
    seams.importRootCertificate = [this] {
      Record(L"import certificate");
      return true;
    };
    seams.text = [](const std::wstring& id) { return L"<" + id + L">"; };
    seams.log = [this](const std::wstring& line) {
      std::lock_guard<std::mutex> guard(lock_);
      logs_.push_back(line);
      changed_.notify_all();
    };
    seams.dialTimeout = std::chrono::milliseconds(30000);
    seams.hangUpSettle = std::chrono::milliseconds(2000);
    seams.hangUpPoll = std::chrono::milliseconds(1);
    return seams;
  }

  void OnStateChanged(StateSubject* subject) override {
    auto* engine = static_cast<Connector*>(subject);
    Record(Notification(engine->State(), subject->Code(), subject->Message()));
  }

  void Record(const std::wstring& entry) {
    std::lock_guard<std::mutex> guard(lock_);
    timeline_.push_back(entry);
    changed_.notify_all();
  }

  std::vector<std::wstring> Timeline() const {
    std::lock_guard<std::mutex> guard(lock_);
    return timeline_;
  }
  std::vector<std::wstring> Logs() const {
    std::lock_guard<std::mutex> guard(lock_);
    return logs_;
  }
  // The timeline entries starting with prefix.
  std::vector<std::wstring> Only(const std::wstring& prefix) const {
    std::vector<std::wstring> picked;
    for (const std::wstring& entry : Timeline()) {
      if (entry.rfind(prefix, 0) == 0) picked.push_back(entry);
    }
    return picked;
  }

  // Waits until the timeline holds the entry (count times); false after kWaitBound.
  bool WaitFor(const std::wstring& entry, size_t count = 1) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, kWaitBound, [&] {
      size_t seen = 0;
      for (const std::wstring& e : timeline_) seen += e == entry ? 1 : 0;
      return seen >= count;
    });
  }
  bool WaitForLog(const std::wstring& line) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, kWaitBound, [&] {
      for (const std::wstring& l : logs_) {
        if (l == line) return true;
      }
      return false;
    });
  }
  void ClearTimeline() {
    std::lock_guard<std::mutex> guard(lock_);
    timeline_.clear();
  }

  TempDir dir;
  os::FakeRas ras;
  std::set<std::wstring> failingServices;
  DialUpAccount account{"alice", "s3cret", "false"};
  std::function<void(const std::wstring&)> serviceHook;  // runs on the connect worker
  bool ipsecEnabled = false;
  bool modernWindows = true;

 private:
  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::wstring> timeline_;
  std::vector<std::wstring> logs_;
};

}  // namespace nimbrook::testing
