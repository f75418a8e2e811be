// The client's composition root: creates the settings reference, the profile files, the HTTP client,
// the login service and the update check in one place, wires them to each other, registers the
// engine factory and the shutdown steps, and hands the windows what they need. The companion CLI
// builds the same composition over another program directory.
#pragma once

#include <memory>
#include <string>

#include "account/login_service.h"
#include "core/settings.h"
#include "core/startup.h"
#include "http/http_client.h"
#include "os/profile_file.h"
#include "sysprep/service_start.h"
#include "update/update_check.h"

namespace nimbrook {

// What the windows are handed: a window keeps the copy it needs; nothing is looked up through a
// process-wide hook. login and update are null once the shutdown has released them.
struct ClientServices {
  Settings& settings;
  os::ProfileFiles& profile;  // descriptors and "update.ini"
  HttpClient& http;
  std::shared_ptr<LoginService> login;
  std::shared_ptr<UpdateCheck> update;
};

struct ClientOptions {
  // Empty: the client itself, in the process paths start-up has computed; settings are
  // ClientSettings(). Otherwise the process paths are set for an executable in this directory and
  // the composition keeps its own settings for its "config\config.ini", loaded on creation and never
  // saved by the composition.
  std::wstring programDir;
  // The profile files of the descriptors and "update.ini". Null: the system's profile API.
  os::ProfileFiles* profile = nullptr;
  // The profile files the settings live in (an in-memory one keeps config.ini untouched). Implies
  // settings of the composition's own; null: those of profile.
  os::ProfileFiles* settingsProfile = nullptr;
  // The descriptor address used when none is installed. Empty: the built-in one.
  std::wstring defaultDescriptorUrl;
  // The transport under the composition's HTTP client (client variant). Null: the process's HTTP
  // client on the system transport.
  HttpTransport* transport = nullptr;
  InternetSettingsSource* internetSettings = nullptr;  // with transport; null: the system's
};

// Created once by the client's entry point after the process paths are computed and before the
// system preparation (its hooks are needed there), and kept until the entry point returns. Creating
// it registers the tunnel engine factory and the shutdown steps that release the update check and the
// login service, each in its own stage, so the login service goes first (after the engine cache's
// step) although the check is registered first. The windows are not created here; the update window
// gets Services().
class ClientComposition {
 public:
  explicit ClientComposition(ClientOptions options = {});
  // Releases what the shutdown has not released yet (login service, then update check) and takes
  // back the service message box it installed.
  ~ClientComposition();
  ClientComposition(const ClientComposition&) = delete;
  ClientComposition& operator=(const ClientComposition&) = delete;

  [[nodiscard]] ClientServices Services() const;
  // The tunnel's and the HTTP client's start-up work, for PrepareSystem and ClientInitialisation.
  [[nodiscard]] const StartupHooks& Hooks() const { return hooks_; }

  // Called by the first window that can show message boxes, once it exists: the dial-up engines'
  // service start shows its failures there from then on (the log before).
  void InstallServiceMessageBox(ServiceMessageBox messageBox);

 private:
  struct Held;

  os::ProfileFiles* profile_ = nullptr;
  std::unique_ptr<Settings> ownSettings_;  // when not the client's own settings
  Settings* settings_ = nullptr;
  std::unique_ptr<HttpClient> ownHttp_;    // when a transport was given
  HttpClient* http_ = nullptr;
  StartupHooks hooks_;
  // Shared with the shutdown steps, which may run before or after this object goes.
  std::shared_ptr<Held> held_;
  bool boxInstalled_ = false;
};

}  // namespace nimbrook
