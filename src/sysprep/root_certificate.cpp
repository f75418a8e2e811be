#include "sysprep/root_certificate.h"

#include "core/paths.h"
#include "os/certificate_import.h"
#include "os/token_privilege.h"

namespace nimbrook {

std::wstring RootCertificatePath(const std::wstring& programDir) {
  return JoinPath(AsDirectory(JoinPath(programDir, L"cert")), L"ca.crt");
}

bool ImportRootCertificate(const std::function<bool(const std::wstring&)>& importFile, const std::wstring& programDir) {
  return importFile && importFile(RootCertificatePath(programDir));
}

bool ImportRootCertificate() { return ImportRootCertificate(os::ImportIntoRootStore, Paths().programDir); }

bool EnableShutdownPrivilege(const std::function<bool(const std::wstring&)>& enablePrivilege) {
  return enablePrivilege && enablePrivilege(L"SeShutdownPrivilege");
}

bool EnableShutdownPrivilege() { return EnableShutdownPrivilege(os::EnableProcessPrivilege); }

}  // namespace nimbrook
