// Facts about the running system as the operating system reports them: the Windows version record
// (for the Windows name, the system description and the "newer than XP" decisions) and whether the
// process runs as a 32-bit program on 64-bit Windows.
#pragma once

namespace nimbrook::os {

// Values as Windows reports them (OSVERSIONINFOEXW, SYSTEM_INFO, GetSystemMetrics).
struct VersionFacts {
  bool valid = false;             // the version could be read; all else is zero when not
  unsigned major = 0;
  unsigned minor = 0;
  unsigned build = 0;
  unsigned platformId = 0;        // 1 Windows 9x, 2 Windows NT
  unsigned productType = 0;       // 1 workstation, 2 domain controller, 3 server
  unsigned nativeArchitecture = 0;  // PROCESSOR_ARCHITECTURE_*: 0 x86, 6 IA64, 9 AMD64, 12 ARM64
  bool serverR2 = false;          // GetSystemMetrics(SM_SERVERR2) non-zero
};

inline constexpr unsigned kPlatformWin9x = 1;
inline constexpr unsigned kPlatformNt = 2;
inline constexpr unsigned kWorkstation = 1;
inline constexpr unsigned kArchitectureX86 = 0;
inline constexpr unsigned kArchitectureIa64 = 6;
inline constexpr unsigned kArchitectureAmd64 = 9;
inline constexpr unsigned kArchitectureArm64 = 12;

// Reads the version afresh. On Windows the version comes from RtlGetVersion, which reports the true
// version whatever the executable's manifest declares (GetVersionExW would report 6.2 to a program
// without a Windows 8.1/10 compatibility entry, such as the test programs and the companion
// program); the architecture is the native one (GetNativeSystemInfo), so a 32-bit build on 64-bit
// Windows sees AMD64. Natively the record is not valid and only the architecture is filled in.
VersionFacts ReadVersionFacts();

// IsWow64Process for the current process, looked up at run time in kernel32: true only when the call
// exists, succeeds and answers yes. A failing call writes "handle错误" to the debugger output.
// Always false natively.
bool IsWow64();

}  // namespace nimbrook::os
