#include "openvpn_config/client_config.h"

#include <algorithm>

#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "openvpn_config/proxy_template.h"
#include "os/file_replace.h"
#include "tunnel/connector.h"
#include "tunnel/protocol.h"

namespace nimbrook {
namespace {

bool IsTcpVariant(int32_t protocol) { return protocol == kProtocolOvpnTcp || protocol == kProtocolOvpnTcpPlus; }
bool IsUdpVariant(int32_t protocol) { return protocol == kProtocolOvpnUdp || protocol == kProtocolOvpnUdpPlus; }
bool IsPlainVariant(int32_t protocol) { return protocol == kProtocolOvpnUdp || protocol == kProtocolOvpnTcp; }

void ReplaceFirst(std::string& text, const std::string& placeholder, const std::string& value) {
  const size_t at = text.find(placeholder);
  if (at != std::string::npos) text.replace(at, placeholder.size(), value);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool EndsToken(const std::string& text, size_t at) {
  return at >= text.size() || IsBlank(text[at]) || text[at] == '\r' || text[at] == '\n';
}

// Where the option named `name` is given: the first line whose option name (its first word, or the
// word after "setenv opt", which marks an option an older OpenVPN may ignore) is exactly `name`.
// Returns the position of the name and sets lineStart; npos when no line names it. Words inside
// other options' values (a proxy host such as "shopping-proxy.corp") never match, and neither do
// commented-out lines.
size_t FindOption(const std::string& text, const std::string& name, size_t* lineStart = nullptr) {
  size_t start = 0;
  while (start < text.size()) {
    size_t at = start;
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (text.compare(at, 11, "setenv opt ") == 0) {
      at += 11;
      while (at < text.size() && IsBlank(text[at])) ++at;
    }
    if (text.compare(at, name.size(), name) == 0 && EndsToken(text, at + name.size())) {
      if (lineStart != nullptr) *lineStart = start;
      return at;
    }
    const size_t nl = text.find('\n', start);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return std::string::npos;
}

// Comments out the first line that gives the option (a ";" at the start of its line).
void CommentOutOption(std::string& text, const std::string& name) {
  size_t lineStart = 0;
  if (FindOption(text, name, &lineStart) != std::string::npos) text.insert(lineStart, 1, ';');
}

// True when no line break lies between the keyword at `from` and the value at `at`: a value on a later
// line belongs to another option and must not be touched.
bool OnSameLine(const std::string& text, size_t from, size_t at) {
  const size_t lineEnd = text.find('\n', from);
  return lineEnd == std::string::npos || lineEnd > at;
}

// A text from the network as one log line: control characters would start lines of their own.
std::wstring OneLine(std::wstring text) {
  for (auto& c : text) {
    if (c < 0x20 || c == 0x7F) c = L'?';
  }
  return text;
}

}  // namespace

std::string TransportName(int32_t protocol) {
  if (IsUdpVariant(protocol)) return "udp";
  if (IsTcpVariant(protocol)) return "tcp-client";
  return "";
}

bool IsSafeRemoteHost(const std::string& host) {
  if (host.empty() || host.size() > 253) return false;
  for (const unsigned char c : host) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '-' || c == '_' || c == ':';
    if (!ok) return false;
  }
  return true;
}

bool IsSafePort(const std::string& port) {
  if (port.empty() || port.size() > 5) return false;
  long value = 0;
  for (const char c : port) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= 65535;
}

std::string BuildClientConfig(const std::string& templateText, const std::string& host, const std::string& port,
                              int32_t protocol) {
  std::string text = templateText;
  // The option edits look for whole option names at the start of a line, in the template's own text
  // before the server address is filled in: neither an address such as "shipping.example.com" nor a
  // proxy host on the proxy line ("shopping-proxy.corp") may catch the search for "ping".
  // OpenVPN over TCP has no exit notification: drop the option's line, through the character after
  // its "2" (the line break).
  const std::string exitNotify = "explicit-exit-notify";
  const size_t notify = FindOption(text, exitNotify);
  if (notify != std::string::npos && IsTcpVariant(protocol)) {
    const size_t two = text.find('2', notify);
    if (two != std::string::npos) {
      size_t end = two + 2;  // the "2" and the line break after it
      if (!OnSameLine(text, notify, two)) end = text.find('\n', notify) + 1;  // only this option's line
      text.erase(notify, std::min(end, text.size()) - notify);
    }
  }

  // The plain variants switch the template's obfuscation off.
  const size_t obfs = FindOption(text, "use-obfs");
  if (obfs != std::string::npos && IsPlainVariant(protocol)) {
    const size_t one = text.find('1', obfs);
    if (one != std::string::npos && OnSameLine(text, obfs, one)) text[one] = '0';
  }

  if (IsTcpVariant(protocol)) {
    CommentOutOption(text, "ping");
    CommentOutOption(text, "ping-exit");
    CommentOutOption(text, "hand-window");
  } else if (IsUdpVariant(protocol)) {
    CommentOutOption(text, "connect-retry");
    CommentOutOption(text, "connect-retry-max");
    // An HTTP proxy carries TCP only, and OpenVPN refuses to start with one over UDP: the UDP variants
    // connect directly, with the settings window's proxy line commented out.
    const size_t marker = text.find(kProxyMarker);
    if (marker != std::string::npos) {
      const size_t nl = text.find('\n', marker);
      if (nl != std::string::npos && text.compare(nl, 12, "\nhttp-proxy ") == 0) text.insert(nl + 1, 1, ';');
    }
  }
  ReplaceFirst(text, "{ip}", host);
  ReplaceFirst(text, "{port}", port);
  ReplaceFirst(text, "{proto_name}", TransportName(protocol));
  text += '\n';
  return text;
}

ClientConfigError WriteClientConfigFile(const std::wstring& templatePath, const std::wstring& clientPath,
                                        const std::wstring& host, const std::wstring& port, int32_t protocol) {
  std::string templateText;
  if (!ReadFileBytes(templatePath, templateText)) return ClientConfigError::kTemplateUnreadable;
  const std::string narrowHost = text::ToAnsi(host);
  const std::string narrowPort = text::ToAnsi(port);
  if (!IsSafeRemoteHost(narrowHost)) return ClientConfigError::kBadHost;
  if (!IsSafePort(narrowPort)) return ClientConfigError::kBadPort;

  const std::string config = BuildClientConfig(templateText, narrowHost, narrowPort, protocol);
  const std::wstring temporary = clientPath + L".tmp";
  if (!WriteFileBytes(temporary, config) || !os::ReplaceFileAtomically(temporary, clientPath)) {
    RemoveFile(temporary);
    return ClientConfigError::kWriteFailed;
  }
  return ClientConfigError::kNone;
}

bool WriteClientConfig(const Connector& engine) {
  const std::wstring& dir = Paths().openvpnDir;
  const ClientConfigError error = WriteClientConfigFile(JoinPath(dir, kTemplateFileName),
                                                        JoinPath(dir, kClientConfigFileName), engine.Host(),
                                                        engine.Port(), engine.Protocol());
  // The engine reports the failed attempt to the subscriber; the log keeps the reason.
  switch (error) {
    case ClientConfigError::kNone:
      return true;
    case ClientConfigError::kTemplateUnreadable:
      WriteLog(L"OpenVPN模板文件无法读取: " + JoinPath(dir, kTemplateFileName));
      break;
    case ClientConfigError::kBadHost:
      WriteLog(L"服务器地址不能写入OpenVPN配置: " + OneLine(engine.Host()));
      break;
    case ClientConfigError::kBadPort:
      WriteLog(L"服务器端口不能写入OpenVPN配置: " + OneLine(engine.Port()));
      break;
    case ClientConfigError::kWriteFailed:
      WriteLog(L"OpenVPN配置文件写入失败: " + JoinPath(dir, kClientConfigFileName));
      break;
  }
  return false;
}

}  // namespace nimbrook
