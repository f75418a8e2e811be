// How a new HTTP session finds its proxy. The client program follows the browser settings as WinHTTP
// reports them; the updater reads the Internet Settings registry values itself. Both rules are
// portable; the registry access sits behind InternetSettingsSource.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "http/http_transport.h"

namespace nimbrook {

// The values of HKCU "Software\Microsoft\Windows\CurrentVersion\Internet Settings" the updater reads.
struct InternetSettings {
  bool keyOpened = false;
  std::optional<uint32_t> proxyEnable;        // "ProxyEnable", a 4-byte value
  std::optional<std::wstring> proxyServer;    // "ProxyServer", when it fits 2048 bytes
  std::optional<std::wstring> proxyOverride;  // "ProxyOverride", when it fits 2048 bytes
};

class InternetSettingsSource {
 public:
  virtual ~InternetSettingsSource() = default;
  // Opens the key (creating it when missing) and reads the three values; the key is closed again.
  virtual InternetSettings Read() = 0;
};

// The registry on Windows; natively a source whose key never opens (so the default proxy is used).
InternetSettingsSource& SystemInternetSettings();

// Client rule. configRead false (the query failed): no proxy. A proxy list: named proxy with the list
// and, when present, the bypass list. No proxy list: no proxy, both lists empty. An empty proxy list
// counts as none (a named proxy without a name cannot open a session).
ProxySettings ClientProxySettings(bool configRead, const IeProxyConfig& config);

// Updater rule. Key or "ProxyEnable" unreadable: default proxy. "ProxyEnable" 0: no proxy. Otherwise
// a named proxy when both "ProxyServer" and "ProxyOverride" were read (and the server is not empty),
// else the default proxy with both lists empty.
ProxySettings UpdaterProxySettings(const InternetSettings& settings);

}  // namespace nimbrook
