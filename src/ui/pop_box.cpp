#include "ui/pop_box.h"

#include "core/log.h"
#include "toolkit/control.h"
#include "ui/window_texts.h"

namespace nimbrook {

using namespace toolkit;

namespace {

// The size an empty box takes when its layout is missing, so that it is seen and can be closed.
constexpr UiSize kFallbackSize{400, 210};

}  // namespace

CPopBox::CPopBox(const std::wstring& kind, const std::wstring& text) : m_kind(kind), m_text(text) {}

unsigned CPopBox::Show(WindowHandle parent, const std::wstring& kind, const std::wstring& text) {
  auto* box = new CPopBox(kind, text);
  // A failed creation already delivered the final message, which deleted the box.
  if (box->Create(parent, L"", kWsPopup, kWsExToolWindow) == nullptr) return kIdCancel;
  box->CenterWindow();
  return box->ShowModal();
}

intptr_t CPopBox::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  intptr_t result = 0;
  switch (msg) {
    case kWmCreate:
      if (!StandardCreate(*this, m_kind + L".xml", nullptr, this)) {
        WriteLog(L"消息框布局无法加载: " + m_kind + L".xml");
        const double scale = GetDpiScale() > 0 ? GetDpiScale() : 1.0;
        ResizeClient(static_cast<int>(kFallbackSize.cx * scale), static_cast<int>(kFallbackSize.cy * scale));
      }
      return 0;
    case kWmKeyDown:
      if (wParam == kVkEscape) {
        Close(kIdCancel);
        return 0;
      }
      break;
    default:
      break;
  }
  if (HandleNonClient(*this, msg, wParam, lParam, result)) return result;
  if (OfferToPaintManager(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void CPopBox::FillTexts() { FillPopBoxTexts(m_pm, m_kind, m_text); }

void CPopBox::Notify(TNotifyUI& msg) {
  if (msg.sType == notify::kWindowInit) {
    FillTexts();
    return;
  }
  if (msg.sType != notify::kClick || msg.pSender == nullptr) return;
  const std::wstring& name = msg.pSender->GetName();
  if (name == L"closebtn" || name == L"cancel") {
    Close(kIdCancel);
  } else if (name == L"ok") {
    Close(kIdOk);
  }
}

void CPopBox::OnFinalMessage(WindowHandle hWnd) { delete this; }

}  // namespace nimbrook
