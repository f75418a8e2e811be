// The HTTP proxy line of the OpenVPN template: the settings window keeps at most one "http-proxy"
// line directly after the template's marker line, for no proxy (0), the browser's proxy recorded at
// start-up (1) or the proxy typed in the settings window (2). Pure text edits plus a thin file wrapper.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace nimbrook {

inline constexpr char kProxyMarker[] = ";http-proxy [proxy server] [proxy port #]";

inline constexpr int kProxyModeNone = 0;
inline constexpr int kProxyModeSystem = 1;
inline constexpr int kProxyModeManual = 2;

// Message texts of the proxy editor, shown as finished texts in the program's message box.
inline constexpr wchar_t kTemplateMissingMessage[] = L"openvpn配置文件缺失,请联系客服人员";
inline constexpr wchar_t kTemplateOpenFailedMessage[] = L"文件打开失败";
inline constexpr wchar_t kTemplateIncompleteMessage[] = L"配置文件不完整，请联系客服人员";
inline constexpr wchar_t kProxyMessageCaptionId[] = L"msg_title";

struct ProxyAddress {
  std::string host;  // narrow text, system ANSI code page
  std::string port;
};

// The HTTP proxy of a browser proxy text as ReadSystemProxy records it: the "http=" entry of a
// per-scheme list ("http=h:p;https=..."), otherwise the text up to its first ";". Host is the part
// before the first ":", port the part after it; a leading "http://" is dropped and a proxy without a
// port uses 80, as the browser does. Nothing when the text is empty, lists schemes but no "http=",
// or the host or port could not be carried on the proxy line safely.
std::optional<ProxyAddress> SystemProxyAddress(const std::string& systemProxyText);

// Removes the proxy line that follows the marker (if any) and, when proxy is given, inserts
// "\nhttp-proxy HOST PORT" right after the marker line. False, with text unchanged, when the
// template has no marker.
[[nodiscard]] bool SetProxyLine(std::string& templateText, const std::optional<ProxyAddress>& proxy);

// Shows a finished text in the program's message box; captionId is the language id of its caption.
using ProxyMessageCallback = std::function<void(const std::wstring& text, const std::wstring& captionId)>;

// What a proxy edit needs besides the template: the typed host and port (mode 2) and the recorded
// system proxy text (mode 1).
struct ProxyInputs {
  std::wstring manualHost;
  std::wstring manualPort;
  std::string systemProxyText;
};

enum class ProxyEditError {
  kNone,
  kTemplateMissing,     // message "openvpn配置文件缺失,请联系客服人员"
  kTemplateUnreadable,  // message "文件打开失败"
  kNoMarker,            // message "配置文件不完整，请联系客服人员"
  kBadMode,             // a mode other than 0, 1, 2: nothing is touched
  kBadManualProxy,      // mode 2 with a host or port the proxy line cannot carry: nothing is touched
  kWriteFailed,         // the template could not be rewritten; the old one stays
};

// Edits the template at templatePath for mode and rewrites it whole (through a temporary file, so a
// failed write keeps the old template). The three template problems are also shown through
// showMessage (which may be empty).
[[nodiscard]] ProxyEditError ApplyProxyToTemplateFile(const std::wstring& templatePath, int mode,
                                                      const ProxyInputs& inputs,
                                                      const ProxyMessageCallback& showMessage);

// The settings window's entry: "template.ovpn" in the process paths' OpenVPN directory, the system
// proxy text recorded at start-up, and for mode 2 the texts of `server_edit` and `port_edit`. On
// success the mode becomes the last applied mode, and for mode 2 host and port become the current
// proxy host and port.
[[nodiscard]] bool ApplyProxyToTemplate(int mode, const std::wstring& manualHost, const std::wstring& manualPort,
                                        const ProxyMessageCallback& showMessage);
[[nodiscard]] bool ApplyProxyToTemplate(int mode, const ProxyMessageCallback& showMessage);

// What the settings window shows when it opens: the last mode applied in this run (0 until one is)
// and the current proxy host and port (from the last mode 2).
struct ProxyChoice {
  int lastAppliedMode = kProxyModeNone;
  std::wstring host;
  std::wstring port;
};
ProxyChoice CurrentProxyChoice();

}  // namespace nimbrook
