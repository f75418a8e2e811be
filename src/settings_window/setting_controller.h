// The settings window's decisions, apart from the Win32 window: what "windowinit", the scroll timer
// and every click change in the controls of "setting.xml", in the settings, in the registry and in
// the OpenVPN template; what "ok" and "reset" apply. It acts on the toolkit's control model by name,
// so native tests drive it with notifications; what needs a real window goes through SettingHost.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "openvpn_config/proxy_template.h"
#include "os/profile_file.h"
#include "os/registry.h"
#include "os/system_actions.h"
#include "toolkit/notify.h"
#include "toolkit/paint_manager.h"

namespace nimbrook {

class Settings;
namespace toolkit {
class COptionUI;
class CContainerUI;
}  // namespace toolkit

// The scroll timer on "area" (id 1, every 100 ms) that keeps the tabs in step with the page.
inline constexpr uint32_t kScrollTimerId = 1;
inline constexpr uint32_t kScrollTimerMs = 100;

// What the controller asks of the window around it.
class SettingHost {
 public:
  virtual ~SettingHost() = default;
  // The program's message box on this window; its close code (1 for the first button).
  virtual unsigned ShowBox(const std::wstring& kind, const std::wstring& text) = 0;
  // A plain system message box without owner and with the default caption.
  virtual void ShowPlainMessage(const std::wstring& text) = 0;
  // Starts the driver removal on a worker of its own; the worker reports through ShowStatus.
  virtual void StartDriverRemoval() = 0;
  // The main window renews its texts after the language changed.
  virtual void LanguageChanged() = 0;
  // Closes the window with the code.
  virtual void CloseWindow(unsigned code) = 0;
  // The window that owns what the tools start (null natively).
  virtual void* OwnerWindow() = 0;
};

// What the window works on; ForProcess() gives the client's own.
struct SettingContext {
  Settings* settings = nullptr;
  os::ProfileFiles* profile = nullptr;      // "language" is written through the wide profile API
  std::wstring configIniPath;               // configuration directory + "config.ini"
  os::Registry* registry = nullptr;         // the Run key and "ProhibitIpSec"
  os::SystemActions* system = nullptr;      // tools and reboot
  std::wstring executablePath;              // the autorun value's data
  // The OpenVPN template's proxy line (mode, manual host, manual port; template problems are shown
  // through the callback) and the last applied choice.
  std::function<bool(int, const std::wstring&, const std::wstring&, const ProxyMessageCallback&)> applyProxy;
  std::function<ProxyChoice()> proxyChoice;
  // The route recovery: true when the route tool started.
  std::function<bool()> deleteRoute;
  std::function<bool()> enableShutdownPrivilege;
  // The language switch (make the code current and load its table) and the system's default code.
  std::function<void(const std::wstring&)> switchLanguage;
  std::function<std::wstring()> systemLanguage;

  // The given settings, the system profile, registry and shell, the process paths, the real template
  // editor, the route tool and the process's language tables.
  static SettingContext ForProcess(Settings& settings);
};

// The controls the window looks up once; a layout without one of them fails in a test.
std::vector<std::wstring> SettingControlNames();
// Controls whose text is the language text of their own name.
std::vector<std::wstring> SettingSelfNamedTexts();

class SettingController {
 public:
  SettingController(toolkit::CPaintManagerUI& pm, SettingHost& host, SettingContext context);
  SettingController(const SettingController&) = delete;
  SettingController& operator=(const SettingController&) = delete;

  // Looks the controls up; the names of those the layout lacks (empty when complete). Missing ones
  // are skipped.
  std::vector<std::wstring> Bind();
  void Notify(toolkit::TNotifyUI& msg);

  // The status line: the text of the id, or the id itself when it has none.
  void ShowStatus(const std::wstring& id);
  // Every self-named control gets its language text.
  void ApplyTexts();
  // Stops the scroll timer (before the window closes).
  void StopTimer();

  // State the tests read.
  int ProxyMode() const { return proxyMode_; }
  const std::wstring& ChosenLanguage() const { return language_; }

 private:
  void OnWindowInit();
  void OnScrollTimer();
  void OnClick(const std::wstring& name, toolkit::CControlUI* sender);
  void ToggleOption(const std::wstring& optionName);
  void ChooseProxyMode(int mode);
  bool ApplyProxy(int mode, const std::wstring& server, const std::wstring& port);
  void EnableProxyEdits(bool enable);
  void OnOk();
  void OnReset();
  void OpenHostsFile();
  void FlushDns();
  void SelectLanguageOption(const std::wstring& code);
  void SetOption(const wchar_t* name, bool selected);
  bool IsOptionSelected(const wchar_t* name) const;
  void FillDnsList();
  std::wstring EditText(const wchar_t* name) const;
  std::wstring SelectedTab() const;

  toolkit::CPaintManagerUI& pm_;
  SettingHost& host_;
  SettingContext context_;

  toolkit::CContainerUI* area_ = nullptr;
  toolkit::CControlUI* status_ = nullptr;

  int proxyMode_ = kProxyModeNone;
  std::wstring language_;
  bool l2tpAtOpening_ = false;
};

}  // namespace nimbrook
