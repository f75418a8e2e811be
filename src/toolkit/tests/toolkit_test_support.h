// Helpers shared by the toolkit's tests: a notifier that records what it hears, a manager wired to a
// fake host, and a build from layout text.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "toolkit/paint_manager.h"

namespace nimbrook::toolkit::test {

struct Heard {
  std::wstring type;
  std::wstring sender;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

class RecordingNotifier : public INotifyUI {
 public:
  void Notify(TNotifyUI& msg) override {
    heard.push_back({msg.sType, msg.pSender ? msg.pSender->GetName() : L"", msg.wParam, msg.lParam});
    if (onNotify) onNotify(msg);
  }
  // "type:sender" of every notification, in order.
  std::vector<std::wstring> Log() const {
    std::vector<std::wstring> out;
    for (const auto& h : heard) out.push_back(h.type + L":" + h.sender);
    return out;
  }
  int Count(const std::wstring& type, const std::wstring& sender) const {
    int n = 0;
    for (const auto& h : heard) n += (h.type == type && h.sender == sender) ? 1 : 0;
    return n;
  }
  std::vector<Heard> heard;
  std::function<void(TNotifyUI&)> onNotify;
};

// A window's manager over a fake host, with a tree built from layout text and laid out.
class Window {
 public:
  explicit Window(const std::string& layout, UiSize client = {400, 300},
                  IDialogBuilderCallback* callback = nullptr, bool nativeChildren = true) {
    host.clientSize = client;
    host.allowNativeChildren = nativeChildren;
    manager.SetHost(&host);
    CControlUI* root = builder.CreateFromText(layout, L"test.xml", callback, &manager);
    if (root) manager.AttachDialog(root);
    manager.AddNotifier(&notifier);
    manager.DoLayout();
  }
  template <typename T = CControlUI>
  T* Find(const std::wstring& name) {
    return dynamic_cast<T*>(manager.FindControl(name));
  }
  UiPoint Center(const std::wstring& name) {
    const UiRect r = manager.FindControl(name)->GetPos();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void Click(UiPoint pt) {
    manager.OnMouseMove(pt);
    manager.OnButtonDown(pt);
    manager.OnButtonUp(pt);
  }

  FakePaintHost host;
  CPaintManagerUI manager;
  CDialogBuilder builder;
  RecordingNotifier notifier;
};

}  // namespace nimbrook::toolkit::test
