#include "openvpn_config/proxy_template.h"

#include <mutex>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "http/system_proxy.h"
#include "openvpn_config/client_config.h"
#include "os/file_replace.h"

namespace nimbrook {
namespace {

std::mutex choiceLock;
ProxyChoice choice;

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

bool StartsWithIgnoreCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && text::EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

void Show(const ProxyMessageCallback& showMessage, const wchar_t* message) {
  if (showMessage) showMessage(message, kProxyMessageCaptionId);
}

}  // namespace

std::optional<ProxyAddress> SystemProxyAddress(const std::string& systemProxyText) {
  std::string entry;
  const size_t http = systemProxyText.find("http=");
  if (http != std::string::npos) {
    const size_t start = http + 5;
    const size_t end = systemProxyText.find(';', start);
    entry = systemProxyText.substr(start, end == std::string::npos ? std::string::npos : end - start);
  } else if (systemProxyText.find('=') != std::string::npos) {
    return std::nullopt;  // a per-scheme list without an HTTP proxy
  } else {
    entry = systemProxyText.substr(0, systemProxyText.find(';'));
  }
  entry = Trim(entry);
  if (StartsWithIgnoreCase(entry, "http://")) entry.erase(0, 7);
  if (!entry.empty() && entry.back() == '/') entry.pop_back();

  ProxyAddress address;
  const size_t colon = entry.find(':');
  address.host = entry.substr(0, colon);
  address.port = colon == std::string::npos ? "80" : entry.substr(colon + 1);
  if (!IsSafeRemoteHost(address.host) || !IsSafePort(address.port)) return std::nullopt;
  return address;
}

bool SetProxyLine(std::string& templateText, const std::optional<ProxyAddress>& proxy) {
  const size_t marker = templateText.find(kProxyMarker);
  if (marker == std::string::npos) return false;
  // A marker on the last line without a line break: the proxy line goes after it at the end.
  size_t nl = templateText.find('\n', marker);
  if (nl == std::string::npos) nl = templateText.size();

  // Only the proxy lines directly after the marker are ours; an "http-proxy" text further down
  // belongs to another line and stays. A template carrying several there (edited by hand) loses them
  // all, or "no proxy" would leave the next one in force.
  while (templateText.compare(nl, 12, "\nhttp-proxy ") == 0) {
    const size_t lineEnd = templateText.find('\n', nl + 1);
    templateText.erase(nl, (lineEnd == std::string::npos ? templateText.size() : lineEnd) - nl);
  }
  if (proxy) templateText.insert(nl, "\nhttp-proxy " + proxy->host + " " + proxy->port);
  return true;
}

ProxyEditError ApplyProxyToTemplateFile(const std::wstring& templatePath, int mode, const ProxyInputs& inputs,
                                        const ProxyMessageCallback& showMessage) {
  if (mode != kProxyModeNone && mode != kProxyModeSystem && mode != kProxyModeManual) return ProxyEditError::kBadMode;
  if (!FileExists(templatePath)) {
    Show(showMessage, kTemplateMissingMessage);
    return ProxyEditError::kTemplateMissing;
  }
  std::string text;
  if (!ReadFileBytes(templatePath, text)) {
    Show(showMessage, kTemplateOpenFailedMessage);
    return ProxyEditError::kTemplateUnreadable;
  }

  std::optional<ProxyAddress> proxy;
  if (mode == kProxyModeManual) {
    ProxyAddress manual{text::ToAnsi(inputs.manualHost), text::ToAnsi(inputs.manualPort)};
    if (!IsSafeRemoteHost(manual.host) || !IsSafePort(manual.port)) return ProxyEditError::kBadManualProxy;
    proxy = manual;
  } else if (mode == kProxyModeSystem && !inputs.systemProxyText.empty()) {
    proxy = SystemProxyAddress(inputs.systemProxyText);
  }

  if (!SetProxyLine(text, proxy)) {
    Show(showMessage, kTemplateIncompleteMessage);
    return ProxyEditError::kNoMarker;
  }
  const std::wstring temporary = templatePath + L".tmp";
  if (!WriteFileBytes(temporary, text) || !os::ReplaceFileAtomically(temporary, templatePath)) {
    RemoveFile(temporary);
    return ProxyEditError::kWriteFailed;
  }
  return ProxyEditError::kNone;
}

bool ApplyProxyToTemplate(int mode, const std::wstring& manualHost, const std::wstring& manualPort,
                          const ProxyMessageCallback& showMessage) {
  const ProxyInputs inputs{manualHost, manualPort, SystemProxyText()};
  const ProxyEditError result =
      ApplyProxyToTemplateFile(JoinPath(Paths().openvpnDir, kTemplateFileName), mode, inputs, showMessage);
  if (result != ProxyEditError::kNone) return false;
  std::lock_guard<std::mutex> hold(choiceLock);
  choice.lastAppliedMode = mode;
  if (mode == kProxyModeManual) {
    choice.host = manualHost;
    choice.port = manualPort;
  }
  return true;
}

bool ApplyProxyToTemplate(int mode, const ProxyMessageCallback& showMessage) {
  return ApplyProxyToTemplate(mode, L"", L"", showMessage);
}

ProxyChoice CurrentProxyChoice() {
  std::lock_guard<std::mutex> hold(choiceLock);
  return choice;
}

}  // namespace nimbrook
