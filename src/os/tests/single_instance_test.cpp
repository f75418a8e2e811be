#include "os/single_instance.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace nimbrook::os {
namespace {

// A desktop of named windows that records what was done to them.
class FakeDesktop final : public InstanceWindows {
 public:
  explicit FakeDesktop(std::vector<std::wstring> classes) {
    for (auto& c : classes) windows_.emplace(c, std::make_unique<int>(0));
  }
  void* Find(const wchar_t* className) override {
    const auto found = windows_.find(className);
    return found == windows_.end() ? nullptr : found->second.get();
  }
  void ShowNormal(void* window) override { actions.push_back(L"show " + Name(window)); }
  void BringToFront(void* window) override { actions.push_back(L"front " + Name(window)); }

  std::vector<std::wstring> actions;

 private:
  std::wstring Name(void* window) const {
    for (const auto& [name, w] : windows_) {
      if (w.get() == window) return name;
    }
    return L"?";
  }
  std::map<std::wstring, std::unique_ptr<int>> windows_;
};

TEST(BringRunningInstanceForwardTest, MainWindowHiddenInTheTrayComesBackWithItsBackground) {
  FakeDesktop desktop({L"NimbrookFrame", L"__IrregularWindowClass", L"LoginFrame"});
  EXPECT_EQ(BringRunningInstanceForward(desktop), BroughtForward::Main);
  EXPECT_EQ(desktop.actions, (std::vector<std::wstring>{L"show NimbrookFrame", L"show __IrregularWindowClass",
                                                        L"front NimbrookFrame"}));
}

TEST(BringRunningInstanceForwardTest, MainWindowWithoutBackground) {
  FakeDesktop desktop({L"NimbrookFrame"});
  EXPECT_EQ(BringRunningInstanceForward(desktop), BroughtForward::Main);
  EXPECT_EQ(desktop.actions, (std::vector<std::wstring>{L"show NimbrookFrame", L"front NimbrookFrame"}));
}

TEST(BringRunningInstanceForwardTest, OnlyTheLoginWindow) {
  FakeDesktop desktop({L"LoginFrame", L"__IrregularWindowClass"});
  EXPECT_EQ(BringRunningInstanceForward(desktop), BroughtForward::Login);
  EXPECT_EQ(desktop.actions, (std::vector<std::wstring>{L"show LoginFrame", L"front LoginFrame"}));
}

TEST(BringRunningInstanceForwardTest, OnlyTheUpdateWindowShowsNothing) {
  FakeDesktop desktop({L"UpdateFrame"});
  EXPECT_EQ(BringRunningInstanceForward(desktop), BroughtForward::None);
  EXPECT_TRUE(desktop.actions.empty());
}

}  // namespace
}  // namespace nimbrook::os
