// An in-memory PaintHost for native tests: records invalidations, timers, wake-ups, cursor, capture,
// tooltips and native children, and lets a test fire timers and choose whether native children can
// be created.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "toolkit/paint_host.h"

namespace nimbrook::toolkit {

class FakePaintHost : public PaintHost {
 public:
  struct NativeChild {
    NativeChildKind kind = NativeChildKind::Edit;
    UiRect rect{};
    bool visible = false;
    int updates = 0;
    std::vector<std::wstring> navigations;
  };

  void Invalidate(const UiRect& rect) override { invalidated.push_back(rect); }
  bool StartTimer(uint32_t timerId, uint32_t elapseMs) override {
    timers[timerId] = elapseMs;
    return true;
  }
  void StopTimer(uint32_t timerId) override { timers.erase(timerId); }
  void WakeForNotifications() override { ++wakeups; }
  void SetCursor(UiCursor c) override { cursor = c; }
  void SetCapture() override { captured = true; }
  void ReleaseCapture() override { captured = false; }
  void ShowToolTip(const std::wstring& text, const UiRect& rect) override {
    toolTip = text;
    toolTipShown = true;
  }
  void HideToolTip() override { toolTipShown = false; }
  bool CreateNativeChild(CControlUI* control, NativeChildKind kind) override {
    if (!allowNativeChildren) return false;
    NativeChild child;
    child.kind = kind;
    children[control] = child;
    return true;
  }
  void DestroyNativeChild(CControlUI* control) override { children.erase(control); }
  void PlaceNativeChild(CControlUI* control, const UiRect& rect, bool visible) override {
    auto it = children.find(control);
    if (it != children.end()) {
      it->second.rect = rect;
      it->second.visible = visible;
    }
  }
  void UpdateNativeChild(CControlUI* control) override {
    auto it = children.find(control);
    if (it != children.end()) ++it->second.updates;
  }
  void FocusNativeChild(CControlUI* control) override { nativeFocus = control; }
  bool NavigateBrowser(CControlUI* control, const std::wstring& url) override {
    auto it = children.find(control);
    if (it == children.end()) return false;
    it->second.navigations.push_back(url);
    return true;
  }
  UiSize GetClientSize() const override { return clientSize; }
  double GetDpiScale() const override { return dpiScale; }
  uint32_t GetTickCount() const override { return tick; }

  // Timer ids the manager started, in no particular order.
  std::vector<uint32_t> TimerIds() const {
    std::vector<uint32_t> ids;
    for (const auto& t : timers) ids.push_back(t.first);
    return ids;
  }

  std::vector<UiRect> invalidated;
  std::map<uint32_t, uint32_t> timers;   // id -> period
  int wakeups = 0;
  UiCursor cursor = UiCursor::Arrow;
  bool captured = false;
  std::wstring toolTip;
  bool toolTipShown = false;
  bool allowNativeChildren = true;
  std::map<CControlUI*, NativeChild> children;
  CControlUI* nativeFocus = nullptr;
  UiSize clientSize{400, 300};
  double dpiScale = 1.0;
  uint32_t tick = 1000;
};

}  // namespace nimbrook::toolkit
