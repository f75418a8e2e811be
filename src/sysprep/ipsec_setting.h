// Whether L2TP connections use IPsec with the pre-shared key, and the RasMan registry switch
// "ProhibitIpSec" that must allow it. Start-up makes both agree (IPsec allowed, flag on); the
// settings window changes them together.
#pragma once

#include "os/registry.h"

namespace nimbrook {

inline const os::RegistryLocation kRasManParameters{os::RegistryRoot::LocalMachine,
                                                    L"SYSTEM\\CurrentControlSet\\Services\\RasMan\\Parameters"};
inline constexpr wchar_t kProhibitIpSecValue[] = L"ProhibitIpSec";

// The process-wide l2tpIpsecEnabled flag (initially false until start-up reconciles it).
bool L2tpIpsecEnabled();
void SetL2tpIpsecEnabled(bool enabled);

// False when the key cannot be opened; true when "ProhibitIpSec" is absent; otherwise whether the
// value is zero (a DWORD as a whole, any other type by its first byte).
bool IsIpSecAllowed(os::Registry& registry, const os::RegistryLocation& at = kRasManParameters);

// Writes "ProhibitIpSec" as a DWORD: 0 when the flag is on, 1 when off. Failures are ignored; the
// key is never created.
void WriteProhibitIpSec(os::Registry& registry, const os::RegistryLocation& at = kRasManParameters);

// Start-up: flag = IsIpSecAllowed; when that is false the flag is set and 0 written. After it the
// flag is on whatever the registry said.
void ReconcileIpSecSetting(os::Registry& registry, const os::RegistryLocation& at = kRasManParameters);

}  // namespace nimbrook
