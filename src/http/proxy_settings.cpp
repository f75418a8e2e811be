#include "http/proxy_settings.h"

namespace nimbrook {

ProxySettings ClientProxySettings(bool configRead, const IeProxyConfig& config) {
  ProxySettings settings;
  settings.accessType = kAccessTypeNoProxy;
  if (!configRead || !config.proxy || config.proxy->empty()) return settings;
  settings.accessType = kAccessTypeNamedProxy;
  settings.proxyList = config.proxy;
  if (config.bypass) settings.bypassList = config.bypass;
  return settings;
}

ProxySettings UpdaterProxySettings(const InternetSettings& values) {
  ProxySettings settings;
  settings.accessType = kAccessTypeDefaultProxy;
  if (!values.keyOpened || !values.proxyEnable) return settings;
  if (*values.proxyEnable == 0) {
    settings.accessType = kAccessTypeNoProxy;
    return settings;
  }
  if (!values.proxyServer || !values.proxyOverride || values.proxyServer->empty()) return settings;
  settings.accessType = kAccessTypeNamedProxy;
  settings.proxyList = values.proxyServer;
  settings.bypassList = values.proxyOverride;
  return settings;
}

}  // namespace nimbrook
