// Importing a certificate file into the local machine's trusted root store ("ROOT"), the way the
// certificate import wizard does it without its window.
#pragma once

#include <string>

namespace nimbrook::os {

// Opens the local-machine system store "ROOT" (existing only), imports the certificate file into it
// with CryptUIWizImport in no-interface mode, closes the store. True when the import succeeded.
// Always false natively.
bool ImportIntoRootStore(const std::wstring& certificateFile);

}  // namespace nimbrook::os
