// The gallery window: one borderless toolkit window built from a layout (every control kind of the
// skin), its texts taken from the language table, every notification written to a log for the GUI
// tests, and a poll for an exit file because test displays have no window manager to close it.
#pragma once

#include <cstdio>
#include <string>

#include "toolkit/paint_manager.h"
#include "toolkit/window_wnd.h"

namespace nimbrook::gallery {

// Writes "type sender" lines, flushed at once so a test reading the file sees them immediately.
class NotifyLog : public toolkit::INotifyUI {
 public:
  NotifyLog() = default;
  ~NotifyLog() override;
  NotifyLog(const NotifyLog&) = delete;
  NotifyLog& operator=(const NotifyLog&) = delete;

  bool Open(const std::wstring& path);   // appends; false when it cannot be written
  void Line(const std::wstring& text);
  void Notify(toolkit::TNotifyUI& msg) override;

 private:
  std::FILE* m_file = nullptr;
};

class CGalleryWnd : public toolkit::CWindowWnd, public toolkit::INotifyUI {
 public:
  static constexpr wchar_t kTitle[] = L"Nimbrook Toolkit Gallery";

  CGalleryWnd(std::wstring layout, NotifyLog& log, std::wstring exitFile, std::wstring layoutDump);

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Notify(toolkit::TNotifyUI& msg) override;

  toolkit::CPaintManagerUI& Manager() { return m_pm; }
  bool Built() const { return m_built; }

 protected:
  const wchar_t* GetWindowClassName() const override { return L"GalleryFrame"; }
  unsigned GetClassStyle() const override { return toolkit::kCsDblClks; }
  void OnFinalMessage(toolkit::WindowHandle hWnd) override;

 private:
  intptr_t OnCreate();
  int HitTest(intptr_t lParam);
  void FillTexts();
  void DumpLayout();

  toolkit::CPaintManagerUI m_pm;
  std::wstring m_layout;
  NotifyLog& m_log;
  std::wstring m_exitFile;
  std::wstring m_layoutDump;
  bool m_built = false;
  bool m_dumped = false;
};

}  // namespace nimbrook::gallery
