// Native builds have no registry: the updater's proxy discovery finds no key and uses the default
// proxy configuration, which natively means none.
#include "http/proxy_settings.h"

namespace nimbrook {
namespace {

class NoInternetSettings final : public InternetSettingsSource {
 public:
  InternetSettings Read() override { return {}; }
};

}  // namespace

InternetSettingsSource& SystemInternetSettings() {
  static NoInternetSettings source;
  return source;
}

}  // namespace nimbrook
