// Test stand-in for "tapinstall.exe", the driver installer shipped beside OpenVPN: it answers the
// install, remove and hwids command lines with the installer's texts. The installed driver is the
// file "tap_installed.txt" in the OpenVPN directory (the parent of the driver directory), which the
// "openvpn.exe" stand-in lists as an adapter. "install_fails.txt" beside it makes installing fail.
#include <windows.h>

#include <fstream>
#include <string>

namespace {

const wchar_t kInstall[] = L"tapinstall.exe install OemWin2k.inf tap0901";
const wchar_t kRemove[] = L"tapinstall.exe remove OemWin2k.inf tap0901";
const wchar_t kHwids[] = L"tapinstall.exe hwids tap0901";
const char kInstalledMarker[] = "..\\tap_installed.txt";

void Out(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

bool FileExists(const char* name) {
  const DWORD attributes = GetFileAttributesA(name);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string InfPath() {
  char directory[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, directory);
  return std::string(directory) + "\\OemWin2k.inf";
}

}  // namespace

int main() {
  const std::wstring commandLine = GetCommandLineW();
  if (commandLine == kInstall) {
    if (!FileExists("OemWin2k.inf")) {
      Out("tapinstall.exe failed.\r\n");
      return 2;
    }
    Out("Device node created. Install is complete when drivers are installed...\r\n");
    Out("Updating drivers for tap0901 from " + InfPath() + ".\r\n");
    if (FileExists("install_fails.txt")) {
      Out("UpdateDriverForPlugAndPlayDevices failed\r\n");
      Out("tapinstall.exe failed.\r\n");
      return 1;
    }
    std::ofstream(kInstalledMarker) << "tap0901";
    Out("Drivers installed successfully.\r\n");
    return 0;
  }
  if (commandLine == kRemove) {
    if (!FileExists(kInstalledMarker)) {
      Out("No devices were removed.\r\n");
      return 0;
    }
    DeleteFileA(kInstalledMarker);
    Out("ROOT\\NET\\0000                                               : Removed\r\n");
    Out("1 device(s) were removed.\r\n");
    return 0;
  }
  if (commandLine == kHwids) {
    if (!FileExists(kInstalledMarker)) {
      Out("No matching devices found.\r\n");
      return 0;
    }
    Out("ROOT\\NET\\0000\r\n");
    Out("    Name: TAP-Windows Adapter V9\r\n");
    Out("    Hardware IDs:\r\n");
    Out("        tap0901\r\n");
    Out("1 matching device(s) found.\r\n");
    return 0;
  }
  Out("tapinstall.exe failed.\r\n");
  return 2;
}
