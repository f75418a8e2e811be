// Test streams for the HTTP client's tests:
//   GET  /gen/<N>         N bytes, byte i = (i * 7 + 3) mod 256
//   GET  /gen-utf8/<N>    N bytes of UTF-8 text: "网络加速ab\n" repeated, cut on a character
//                         boundary and padded with "x"
//   GET  /fault/huge/<MB> MB megabytes (MiB) of the /gen stream
//   POST /echo            the request body as received
// Every stream is produced while it is sent, never built in memory.
#pragma once

#include "resource.h"
#include "service_context.h"

namespace nimbrook::service {

constexpr unsigned long long kMaxGeneratedBytes = 16ULL << 30;  // 16 GiB
constexpr unsigned long long kMaxHugeMegabytes = 16384;

[[nodiscard]] bool ResolveGeneratorRoute(const RouteRequest& request, const ServiceContext& context,
                                         Resource& resource);

}  // namespace nimbrook::service
