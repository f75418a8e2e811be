// The login endpoint, POST /clogin.php: "m=windows&a=login&p=<EncodeParams(text)>&hash=<SignParams(text)>"
// and the same with "a=reload". Decodes p, checks the signature, checks the account and answers
// "yes|srvtype,..|expiration,..|srvid,.._<naslist>" or "no|<text>", or the answer shape the account
// is set up for.
#pragma once

#include "resource.h"
#include "service_context.h"

namespace nimbrook::service {

constexpr const char* kLoginPath = "/clogin.php";

// Handles a POST to the login path; false for other requests.
[[nodiscard]] bool ResolveLoginRoute(const RouteRequest& request, const ServiceContext& context, Resource& resource);

// The answer to a login or reload body (exposed for tests and the request log).
Resource AnswerLogin(const std::string& body, const ServiceContext& context);

}  // namespace nimbrook::service
