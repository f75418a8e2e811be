#include "client/client_composition.h"

#include <utility>

#include "build_config.h"
#include "core/paths.h"
#include "core/text.h"
#include "engines/engines.h"

namespace nimbrook {

struct ClientComposition::Held {
  std::shared_ptr<LoginService> login;
  std::shared_ptr<UpdateCheck> update;
};

ClientComposition::ClientComposition(ClientOptions options) {
  if (!options.programDir.empty()) {
    SetProcessPaths(ComputePaths(JoinPath(AsDirectory(options.programDir), L"Nimbrook.exe")));
  }
  profile_ = options.profile != nullptr ? options.profile : &os::SystemProfile();

  if (options.programDir.empty() && options.settingsProfile == nullptr) {
    settings_ = &ClientSettings();
  } else {
    os::ProfileFiles& settingsProfile = options.settingsProfile != nullptr ? *options.settingsProfile : *profile_;
    ownSettings_ = std::make_unique<Settings>(settingsProfile, JoinPath(Paths().configDir, L"config.ini"));
    ownSettings_->Load();
    settings_ = ownSettings_.get();
  }

  if (options.transport != nullptr) {
    ownHttp_ = std::make_unique<HttpClient>(
        HttpVariant::Client(), *options.transport,
        options.internetSettings != nullptr ? *options.internetSettings : SystemInternetSettings());
    http_ = ownHttp_.get();
  } else {
    http_ = &ProcessHttpClient();
  }

  held_ = std::make_shared<Held>();
  held_->login = std::make_shared<LoginService>(*settings_, *profile_, ownHttp_.get());

  // The check hands its lists to the login service while it lives; a check still running after the
  // shutdown has released the service hands them to nobody.
  std::weak_ptr<LoginService> login = held_->login;
  HttpClient* http = http_;
  held_->update = std::make_shared<UpdateCheck>(
      *profile_, [http](const std::wstring& url, const std::wstring& path) { return http->DownloadWithRetry(url, path); },
      options.defaultDescriptorUrl.empty() ? text::AsciiToWide(NIMBROOK_DEFAULT_DESCRIPTOR_URL)
                                           : options.defaultDescriptorUrl,
      UpdateDirectories{Paths().programDir, Paths().configDir}, [login](const EndpointLists& lists) {
        if (std::shared_ptr<LoginService> service = login.lock()) service->SetEndpointLists(lists);
      });

  // Each release in its own stage, so the login service goes before the update check whatever
  // order the steps were registered in. Steps of a composition already gone do nothing.
  std::weak_ptr<Held> weak = held_;
  RegisterShutdownStep(ShutdownStage::UpdateCheck, [weak] {
    if (std::shared_ptr<Held> held = weak.lock()) held->update.reset();
  });
  RegisterShutdownStep(ShutdownStage::LoginService, [weak] {
    if (std::shared_ptr<Held> held = weak.lock()) held->login.reset();
  });

  RegisterTunnelEngines();
  FillTunnelStartupHooks(hooks_);
}

ClientComposition::~ClientComposition() {
  if (boxInstalled_) SetServiceMessageBox({});
  held_->login.reset();
  held_->update.reset();
}

ClientServices ClientComposition::Services() const {
  return ClientServices{*settings_, *profile_, *http_, held_->login, held_->update};
}

void ClientComposition::InstallServiceMessageBox(ServiceMessageBox messageBox) {
  boxInstalled_ = static_cast<bool>(messageBox);
  SetServiceMessageBox(std::move(messageBox));
}

}  // namespace nimbrook
