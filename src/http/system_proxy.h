// The browser proxy setting as the client program records it once at start-up: logged, and kept as
// narrow text for the OpenVPN configuration's proxy line.
#pragma once

#include <string>

#include "http/http_transport.h"

namespace nimbrook {

// Reads the browser proxy settings (WinHttpGetIEProxyConfigForCurrentUser). When the query fails
// nothing changes. Otherwise logs "代理情况:" followed by the proxy list, or by "未使用代理" when there
// is none, and records the list (in the system ANSI code page) as the system proxy text.
void ReadSystemProxy();
void ReadSystemProxy(HttpTransport& transport);

// The recorded system proxy text; empty when no proxy is set or ReadSystemProxy has not run.
std::string SystemProxyText();

}  // namespace nimbrook
