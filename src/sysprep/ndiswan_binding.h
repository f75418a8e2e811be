// The binding order of the TCP/IP adapters on Windows 5.x: the dial-up adapter "\Device\NdisWanIp"
// must come first, or a dial-up link does not get the traffic it should. Start-up fixes the order
// on those systems.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "os/registry.h"

namespace nimbrook {

inline const os::RegistryLocation kTcpipLinkage{os::RegistryRoot::LocalMachine,
                                                L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Linkage"};
inline constexpr wchar_t kBindValue[] = L"Bind";
inline constexpr wchar_t kNdisWanIp[] = L"\\Device\\NdisWanIp";

// The list with "\Device\NdisWanIp" (exact, whole entry) moved to the front, the others keeping their
// order; none when it is missing or already first.
std::optional<std::vector<std::wstring>> MoveNdisWanFirst(const std::vector<std::wstring>& bind);

// Reads "Bind" (multi-string, at most 1024 bytes); when it needs reordering writes the new order back
// with the same byte length. A key or value that cannot be read leaves everything as it is; a failed
// write sends "修改错误" to debugOutput. True when the value was rewritten.
bool FixNdisWanBinding(os::Registry& registry, const std::function<void(const std::wstring&)>& debugOutput,
                       const os::RegistryLocation& at = kTcpipLinkage);

// With the system registry and the debugger output.
void FixNdisWanBinding();

}  // namespace nimbrook
