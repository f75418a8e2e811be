#include "http/system_proxy.h"

#include <mutex>

#include "core/log.h"
#include "core/text.h"

namespace nimbrook {
namespace {

std::mutex& ProxyLock() {
  static std::mutex lock;
  return lock;
}

std::string& ProxyText() {
  static std::string text;
  return text;
}

}  // namespace

void ReadSystemProxy() { ReadSystemProxy(SystemHttpTransport()); }

void ReadSystemProxy(HttpTransport& transport) {
  IeProxyConfig config;
  if (!transport.ReadIeProxyConfig(config)) return;
  const bool hasProxy = config.proxy.has_value() && !config.proxy->empty();
  {
    std::lock_guard<std::mutex> guard(ProxyLock());
    ProxyText() = hasProxy ? text::ToAnsi(*config.proxy) : std::string();
  }
  WriteLog(std::wstring(L"代理情况:") + (hasProxy ? *config.proxy : std::wstring(L"未使用代理")));
}

std::string SystemProxyText() {
  std::lock_guard<std::mutex> guard(ProxyLock());
  return ProxyText();
}

}  // namespace nimbrook
