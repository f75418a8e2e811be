// Trust for the service's root certificate ("cert\ca.crt" beside the program), which IKEv2 and SSTP
// servers present, and the shutdown privilege the settings window needs before it restarts Windows.
#pragma once

#include <functional>
#include <string>

namespace nimbrook {

// programDir + "cert\ca.crt".
std::wstring RootCertificatePath(const std::wstring& programDir);

// Imports the certificate file of programDir into the local machine's root store through
// importFile (os::ImportIntoRootStore in the program). True when the import succeeded.
bool ImportRootCertificate(const std::function<bool(const std::wstring&)>& importFile, const std::wstring& programDir);
// With the process paths' program directory and the system's root store.
bool ImportRootCertificate();

// Enables "SeShutdownPrivilege" for the process; false when any step fails.
bool EnableShutdownPrivilege(const std::function<bool(const std::wstring&)>& enablePrivilege);
bool EnableShutdownPrivilege();

}  // namespace nimbrook
