// Descriptors and release files.
#include "descriptor_routes.h"

#include "descriptor.h"
#include "release_files.h"

namespace nimbrook::service {
namespace {

constexpr std::string_view kDescriptorPrefix = "/descriptor/";
constexpr std::string_view kReleasePrefix = "/releases/";

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The descriptor of a release, or a 500 naming what is wrong with the data.
Resource DescriptorOf(const std::string& release, const RouteRequest& request, const ServiceContext& context) {
  DescriptorContent content;
  std::string error;
  if (!LoadDescriptor(context.config, context.baseUrl, release, content, error)) {
    RequestNote() = "data error: " + error;
    return Resource::Text(500, "descriptor unavailable: " + error + "\n");
  }
  // Readable form for people: "?encoding=utf-8". The client always gets UTF-16LE. Each form is signed
  // as it is sent: the signature covers the bytes on the wire.
  const bool utf8 = request.Query("encoding") == "utf-8";
  std::string bytes = RenderDescriptor(content);
  if (!utf8) bytes = Utf8ToUtf16LeWithBom(bytes);
  if (!SignServedDescriptor(context.config, content, bytes, error)) {
    RequestNote() = "data error: " + error;
    return Resource::Text(500, "descriptor unavailable: " + error + "\n");
  }
  RequestNote() = "release " + release;
  if (utf8) return Resource::Text(200, bytes, kTextType);
  return Resource::Text(200, bytes, "text/plain; charset=utf-16le");
}

}  // namespace

bool ResolveDescriptorRoute(const RouteRequest& request, const ServiceContext& context, Resource& resource) {
  const std::string& path = request.path;
  if (request.method == "POST") return false;
  if (path == kDefaultDescriptorPath) {
    resource = DescriptorOf(CurrentRelease(context.config), request, context);
    return true;
  }
  if (StartsWith(path, kDescriptorPrefix)) {
    const std::string rest = path.substr(kDescriptorPrefix.size());
    const size_t slash = rest.find('/');
    const std::string release = rest.substr(0, slash);
    if (slash == std::string::npos || rest.substr(slash) != "/version.ini" || !IsSafeSegment(release) ||
        !std::filesystem::is_directory(ReleaseDirectory(context.config, release))) {
      resource = Resource::Text(404, "no such release descriptor\n");
      return true;
    }
    resource = DescriptorOf(release, request, context);
    return true;
  }
  if (StartsWith(path, kReleasePrefix)) {
    const std::string rest = path.substr(kReleasePrefix.size());
    const size_t slash = rest.find('/');
    const std::string release = rest.substr(0, slash);
    ReleaseFile file;
    if (slash == std::string::npos || !IsSafeSegment(release) ||
        !FindReleaseFile(ReleaseDirectory(context.config, release), rest.substr(slash + 1), file)) {
      resource = Resource::Text(404, "no such release file\n");
      return true;
    }
    resource = Resource::File(file.path, file.size, kBinaryType);
    return true;
  }
  return false;
}

bool ResolveVersionUrlRoute(const RouteRequest& request, const ServiceContext& context, Resource& resource) {
  if (request.method == "POST") return false;
  const std::string release = CurrentRelease(context.config);
  DescriptorContent content;
  std::string error;
  if (!LoadPlainValues(context.config, context.baseUrl, release, content, error)) return false;
  for (const auto& candidate : DescriptorPaths(content.urls, context.baseUrl)) {
    if (candidate == request.path) {
      resource = DescriptorOf(release, request, context);
      return true;
    }
  }
  return false;
}

}  // namespace nimbrook::service
