#include <windows.h>

#include "os/system_info.h"

namespace nimbrook::os {
namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, BOOL*);

template <typename Function>
Function LookUp(const wchar_t* module, const char* name) {
  const HMODULE handle = GetModuleHandleW(module);  // both modules are mapped into every process
  if (!handle) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

bool ReadVersionRecord(OSVERSIONINFOEXW& info) {
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  if (const auto rtlGetVersion = LookUp<RtlGetVersionFunction>(L"ntdll.dll", "RtlGetVersion")) {
    if (rtlGetVersion(&info) == 0) return true;
  }
  // Only a system without RtlGetVersion gets here; the manifest keeps this answer honest for the client.
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) != FALSE;
#pragma GCC diagnostic pop
}

}  // namespace

VersionFacts ReadVersionFacts() {
  VersionFacts facts;
  SYSTEM_INFO system{};
  GetNativeSystemInfo(&system);
  facts.nativeArchitecture = system.wProcessorArchitecture;
  OSVERSIONINFOEXW info;
  if (!ReadVersionRecord(info)) return facts;
  facts.valid = true;
  facts.major = info.dwMajorVersion;
  facts.minor = info.dwMinorVersion;
  facts.build = info.dwBuildNumber;
  facts.platformId = info.dwPlatformId;
  facts.productType = info.wProductType;
  facts.serverR2 = GetSystemMetrics(SM_SERVERR2) != 0;
  return facts;
}

bool IsWow64() {
  const auto isWow64Process = LookUp<IsWow64ProcessFunction>(L"kernel32", "IsWow64Process");
  if (!isWow64Process) return false;
  BOOL answer = FALSE;
  if (!isWow64Process(GetCurrentProcess(), &answer)) {
    OutputDebugStringW(L"handle错误");
    return false;
  }
  return answer == TRUE;
}

}  // namespace nimbrook::os
