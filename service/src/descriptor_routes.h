// Descriptor and release-file routes:
//   GET /clientupdate/update/raw/master/version.ini   the default descriptor (current release)
//   GET <path of each versionURL item on this service>  the current descriptor
//   GET /descriptor/<release>/version.ini              the descriptor of a named release
//   GET /releases/<release>/<file>                     a release file (the downloadURL base)
// The current release is read again on every request, so tests can switch releases between runs.
#pragma once

#include "resource.h"
#include "service_context.h"

namespace nimbrook::service {

constexpr const char* kDefaultDescriptorPath = "/clientupdate/update/raw/master/version.ini";

[[nodiscard]] bool ResolveDescriptorRoute(const RouteRequest& request, const ServiceContext& context,
                                          Resource& resource);

// The current descriptor under the addresses of the current release's versionURL; tried after
// every other route.
[[nodiscard]] bool ResolveVersionUrlRoute(const RouteRequest& request, const ServiceContext& context,
                                          Resource& resource);

}  // namespace nimbrook::service
