#include "dialup/dial_up_seams.h"

#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/settings.h"
#include "sysprep/ipsec_setting.h"
#include "sysprep/root_certificate.h"
#include "sysprep/service_start.h"
#include "sysprep/windows_version.h"

namespace nimbrook {

DialUpSeams DefaultDialUpSeams() {
  DialUpSeams seams;
  seams.ras = &os::SystemRas();
  seams.profile = &os::SystemProfile();
  seams.configDir = Paths().configDir;
  seams.ensureService = [](const std::wstring& name) { return EnsureServiceRunning(name); };
  BindRouteSteps(seams);
  seams.account = [] {
    const Settings& settings = ClientSettings();
    return DialUpAccount{settings.Username(), settings.Password(), settings.UseDns()};
  };
  seams.l2tpIpsecEnabled = [] { return L2tpIpsecEnabled(); };
  seams.isModernWindows = [] { return IsModernWindows(); };
  seams.importRootCertificate = [] { return ImportRootCertificate(); };
  seams.text = [](const std::wstring& id) { return Text(id); };
  seams.log = [](const std::wstring& line) { WriteLog(line); };
  return seams;
}

}  // namespace nimbrook
