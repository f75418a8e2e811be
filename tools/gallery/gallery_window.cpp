#include "gallery_window.h"

#include <windows.h>

#include "core/languages.h"
#include "core/log.h"
#include "core/text.h"
#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"

namespace nimbrook::gallery {

using namespace nimbrook::toolkit;

namespace {

constexpr UINT_PTR kExitPollTimer = 0x6A11;
constexpr UINT kExitPollMs = 100;

bool FileExists(const std::wstring& path) {
  return !path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

NotifyLog::~NotifyLog() {
  if (m_file) std::fclose(m_file);
}

bool NotifyLog::Open(const std::wstring& path) {
  if (m_file) std::fclose(m_file);
  m_file = _wfopen(path.c_str(), L"ab");
  return m_file != nullptr;
}

void NotifyLog::Line(const std::wstring& text) {
  if (!m_file) return;
  const std::string utf8 = text::ToUtf8(text) + "\n";
  std::fwrite(utf8.data(), 1, utf8.size(), m_file);
  std::fflush(m_file);
}

void NotifyLog::Notify(TNotifyUI& msg) {
  const std::wstring sender = msg.pSender ? msg.pSender->GetName() : std::wstring();
  Line(msg.sType + L" " + (sender.empty() ? L"-" : sender));
}

CGalleryWnd::CGalleryWnd(std::wstring layout, NotifyLog& log, std::wstring exitFile, std::wstring layoutDump)
    : m_layout(std::move(layout)), m_log(log), m_exitFile(std::move(exitFile)),
      m_layoutDump(std::move(layoutDump)) {}

intptr_t CGalleryWnd::OnCreate() {
  // A borderless window: the layout draws its own caption strip.
  SetStyle((GetStyle() & 0xFF3EFFFFu) | kWsClipSiblings | kWsClipChildren);
  m_pm.Init(GetHWND());
  CDialogBuilder builder;
  CControlUI* root = builder.Create(m_layout, nullptr, &m_pm);
  if (!root) {
    m_log.Line(L"layout-error " + builder.GetLastError());
    WriteLog(L"界面布局加载失败：" + builder.GetLastError());
    return 0;   // an empty window, as the client shows one
  }
  m_pm.AttachDialog(root);
  m_pm.AddNotifier(this);
  m_pm.AddNotifier(&m_log);
  m_built = true;
  FillTexts();
  const UiSize size = m_pm.GetInitSize();
  m_log.Line(L"layout-size " + std::to_wstring(size.cx) + L"x" + std::to_wstring(size.cy));
  if (!m_exitFile.empty()) ::SetTimer(static_cast<HWND>(GetHWND()), kExitPollTimer, kExitPollMs, nullptr);
  return 0;
}

void CGalleryWnd::FillTexts() {
  // Controls named after a language id show that id's text; the layout's texts are stand-ins.
  if (CControlUI* root = m_pm.GetRoot()) {
    root->VisitControls([](CControlUI* control) {
      const std::wstring& name = control->GetName();
      if (name.empty()) return;
      const std::wstring text = Text(name);
      if (text == name || text.empty()) return;
      // An edit named after a text shows it as its prompt, not as content the user would delete.
      if (auto* edit = dynamic_cast<CEditUI*>(control)) {
        edit->SetPromptText(text);
      } else {
        control->SetText(text);
      }
    });
  }
  if (CControlUI* title = m_pm.FindControl(L"title")) {
    const std::wstring product = Text(L"nimbrookjsq");
    title->SetText((product == L"nimbrookjsq" ? std::wstring(L"Nimbrook") : product) + L" · Toolkit");
  }
}

void CGalleryWnd::DumpLayout() {
  if (m_dumped || m_layoutDump.empty() || !m_pm.GetRoot()) return;
  m_dumped = true;
  std::FILE* file = _wfopen(m_layoutDump.c_str(), L"wb");
  if (!file) return;
  // Logical (96-dpi) client coordinates of every named, visible control: the tests click from these.
  m_pm.GetRoot()->VisitControls([file](CControlUI* control) {
    if (control->GetName().empty() || !control->IsVisible()) return;
    const UiRect& r = control->GetPos();
    const std::string line = text::ToUtf8(control->GetName()) + " " + text::ToUtf8(control->GetClass()) + " " +
                             std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                             std::to_string(r.right) + " " + std::to_string(r.bottom) + "\n";
    std::fwrite(line.data(), 1, line.size(), file);
  });
  std::fclose(file);
}

int CGalleryWnd::HitTest(intptr_t lParam) {
  HWND hwnd = static_cast<HWND>(GetHWND());
  POINT pt{PointXFromLParam(lParam), PointYFromLParam(lParam)};
  ::ScreenToClient(hwnd, &pt);
  RECT client{};
  ::GetClientRect(hwnd, &client);
  const double scale = GetDpiScale();
  const UiRect box = m_pm.GetSizeBox();
  if (!::IsZoomed(hwnd)) {
    const int l = static_cast<int>(box.left * scale), t = static_cast<int>(box.top * scale);
    const int r = static_cast<int>(box.right * scale), b = static_cast<int>(box.bottom * scale);
    if (pt.y < client.top + t) {
      if (pt.x < client.left + l) return kHtTopLeft;
      if (pt.x > client.right - r) return kHtTopRight;
      return kHtTop;
    }
    if (pt.y > client.bottom - b) {
      if (pt.x < client.left + l) return kHtBottomLeft;
      if (pt.x > client.right - r) return kHtBottomRight;
      return kHtBottom;
    }
    if (pt.x < client.left + l) return kHtLeft;
    if (pt.x > client.right - r) return kHtRight;
  }
  const UiRect caption = m_pm.GetCaptionRect();
  const int cl = static_cast<int>(caption.left * scale), ct = static_cast<int>(caption.top * scale);
  const int cr = static_cast<int>(caption.right * scale), cb = static_cast<int>(caption.bottom * scale);
  if (pt.x >= client.left + cl && pt.x < client.right - cr && pt.y >= ct && pt.y < cb) {
    CControlUI* control = m_pm.FindControl(
        UiPoint{static_cast<int>(pt.x / scale), static_cast<int>(pt.y / scale)});
    if (control && control->GetClass() != L"ButtonUI" && control->GetClass() != L"OptionUI") {
      return kHtCaption;
    }
  }
  return kHtClient;
}

intptr_t CGalleryWnd::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case kWmCreate:
      return OnCreate();
    case kWmNcCalcSize:
    case kWmNcPaint:
      return 0;
    case kWmNcActivate:
      if (IsMinimized()) return 0;
      return wParam == 0 ? 1 : 0;
    case kWmNcHitTest:
      return HitTest(lParam);
    case kWmKeyDown:
      if (wParam == kVkEscape) {
        Close(kIdCancel);
        return 0;
      }
      break;
    case kWmTimer:
      if (wParam == kExitPollTimer) {
        if (FileExists(m_exitFile)) {
          // What the edits hold at the end: tests check typed text (Chinese included) from here.
          if (CControlUI* root = m_pm.GetRoot()) {
            root->VisitControls([this](CControlUI* control) {
              if (control->GetClass() == L"EditUI") m_log.Line(L"text " + control->GetName() + L" " + control->GetText());
            });
          }
          m_log.Line(L"exit " + m_exitFile);
          ::KillTimer(static_cast<HWND>(GetHWND()), kExitPollTimer);
          // Destroys the dialogs the gallery owns too, which ends their modal loops.
          ::DestroyWindow(static_cast<HWND>(GetHWND()));
        }
        return 0;
      }
      break;
    case kWmDestroy:
      ::PostQuitMessage(0);
      break;
    default:
      break;
  }
  intptr_t result = 0;
  if (m_pm.MessageHandler(msg, wParam, lParam, result)) {
    if (msg == kWmPaint) DumpLayout();
    return result;
  }
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void CGalleryWnd::Notify(TNotifyUI& msg) {
  if (!msg.pSender) return;
  const std::wstring& name = msg.pSender->GetName();
  if (msg.sType == notify::kClick) {
    if (name == L"closebtn") {
      Close(kIdOk);
    } else if (name == L"minbtn") {
      ::ShowWindow(static_cast<HWND>(GetHWND()), SW_MINIMIZE);
    }
  } else if (msg.sType == notify::kSelectChanged) {
    // The tab options switch the tab layout's page.
    static const wchar_t* const kTabs[] = {L"normal_opt", L"proxy_opt", L"dns_opt", L"tools_opt"};
    for (int i = 0; i < 4; ++i) {
      if (name == kTabs[i]) {
        if (auto* tabs = dynamic_cast<CTabLayoutUI*>(m_pm.FindControl(L"gallery_tabs"))) tabs->SelectItem(i);
      }
    }
  }
}

void CGalleryWnd::OnFinalMessage(WindowHandle) {}

}  // namespace nimbrook::gallery
