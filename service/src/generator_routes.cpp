// Generated test streams and the echo.
#include "generator_routes.h"

#include <string_view>

#include "text_fields.h"

namespace nimbrook::service {
namespace {

bool SizeAfter(std::string_view path, std::string_view prefix, unsigned long long maximum, bool& matched,
               unsigned long long& size) {
  matched = path.substr(0, prefix.size()) == prefix;
  if (!matched) return false;
  return ParseDecimal(path.substr(prefix.size()), size) && size <= maximum;
}

Resource BadSize(unsigned long long maximum) {
  return Resource::Text(400, "size must be a decimal number up to " + std::to_string(maximum) + "\n");
}

}  // namespace

bool ResolveGeneratorRoute(const RouteRequest& request, const ServiceContext& context, Resource& resource) {
  const std::string& path = request.path;
  if (path == "/echo") {
    if (request.method != "POST") {
      resource = Resource::Text(405, "echo takes POST\n");
      resource.headers.emplace_back("Allow", "POST");
    } else {
      resource = Resource::Text(200, request.body, kTextType);
    }
    return true;
  }
  if (request.method == "POST") return false;
  bool matched = false;
  unsigned long long size = 0;
  if (SizeAfter(path, "/gen/", kMaxGeneratedBytes, matched, size)) {
    resource = Resource::Generated(size, FillPattern);
    return true;
  }
  if (matched) {
    resource = BadSize(kMaxGeneratedBytes);
    return true;
  }
  if (SizeAfter(path, "/gen-utf8/", kMaxGeneratedBytes, matched, size)) {
    const std::uint64_t total = size;
    resource = Resource::Generated(
        total,
        [total](std::uint64_t offset, char* destination, std::size_t count) {
          for (std::size_t k = 0; k < count; ++k) destination[k] = static_cast<char>(Utf8PatternByte(offset + k, total));
        },
        kTextType);
    return true;
  }
  if (matched) {
    resource = BadSize(kMaxGeneratedBytes);
    return true;
  }
  if (SizeAfter(path, "/fault/huge/", kMaxHugeMegabytes, matched, size)) {
    resource = Resource::Generated(size * 1024 * 1024, FillPattern);
    return true;
  }
  if (matched) {
    resource = BadSize(kMaxHugeMegabytes);
    return true;
  }
  return false;
}

}  // namespace nimbrook::service
