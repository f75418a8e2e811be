// Certificate import through the import wizard's no-interface mode.
#include <windows.h>
#include <wincrypt.h>
#include <prsht.h>
#include <cryptuiapi.h>

#include "os/certificate_import.h"

namespace nimbrook::os {
namespace {

class SystemStore {
 public:
  explicit SystemStore(const wchar_t* name)
      : store_(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                             CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG, name)) {}
  ~SystemStore() {
    if (store_) CertCloseStore(store_, 0);
  }
  SystemStore(const SystemStore&) = delete;
  SystemStore& operator=(const SystemStore&) = delete;
  HCERTSTORE get() const { return store_; }

 private:
  HCERTSTORE store_;
};

// The import wizard lives in cryptui.dll, which 32-bit MinGW ships no import library for: it is
// looked up at run time, once.
using WizImportFunction = BOOL(WINAPI*)(DWORD, HWND, LPCWSTR, PCCRYPTUI_WIZ_IMPORT_SRC_INFO, HCERTSTORE);

WizImportFunction WizImport() {
  static const WizImportFunction function = [] {
    HMODULE module = LoadLibraryW(L"cryptui.dll");
    return module ? reinterpret_cast<WizImportFunction>(
                        reinterpret_cast<void*>(GetProcAddress(module, "CryptUIWizImport")))
                  : nullptr;
  }();
  return function;
}

}  // namespace

bool ImportIntoRootStore(const std::wstring& certificateFile) {
  SystemStore root(L"ROOT");
  if (!root.get()) return false;
  CRYPTUI_WIZ_IMPORT_SRC_INFO source{};
  source.dwSize = sizeof source;
  source.dwSubjectChoice = CRYPTUI_WIZ_IMPORT_SUBJECT_FILE;
  source.pwszFileName = certificateFile.c_str();
  source.pwszPassword = L"";
  // No window, and the destination store is the one given (not chosen by the wizard).
  const DWORD flags = CRYPTUI_WIZ_NO_UI | CRYPTUI_WIZ_IMPORT_NO_CHANGE_DEST_STORE | CRYPTUI_WIZ_IMPORT_ALLOW_CERT;
  const WizImportFunction import = WizImport();
  if (!import) return false;
  return import(flags, nullptr, nullptr, &source, root.get()) != FALSE;
}

}  // namespace nimbrook::os
