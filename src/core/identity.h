// The machine identity the service receives at every login: base-board serial, processor id,
// network adapter address, disk serial and the system description. Read from WMI on a worker
// thread at start and handed to the settings object in one step.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/settings.h"
#include "os/system_info.h"
#include "os/wmi.h"

namespace nimbrook {

inline constexpr int kBoardSerialSelector = 101;
inline constexpr int kProcessorIdSelector = 102;
inline constexpr int kAdapterAddressSelector = 103;
inline constexpr int kDiskSerialSelector = 104;

inline constexpr size_t kIdentityTextLimit = 259;   // characters of one identity text
inline constexpr size_t kAdapterAddressLength = 17;  // one address, "00:1A:2B:3C:4D:5E"

// The identity text of a selector from the raw values of its query: the values of all devices run
// together in query order, every space, LF and CR dropped, cut to kIdentityTextLimit characters
// (kAdapterAddressLength for the adapter address, which is also put in upper case, the form Windows
// reports), "INVALID" turned into the empty text; as narrow text in the system ANSI code page.
std::string IdentityText(int selector, const std::vector<std::wstring>& values);

// The identity text of a selector (101 board serial, 102 processor id, 103 adapter address, 104 disk
// serial) read through wmi; the empty text for any other selector and for a query that fails.
//   101  SELECT SerialNumber FROM Win32_BaseBoard
//   102  SELECT ProcessorId FROM Win32_Processor
//   103  SELECT MACAddress FROM Win32_NetworkAdapter WHERE NetConnectionID IS NOT NULL; when that
//        query fails (WMI implementations without NetConnectionID, such as Wine's), the adapters that
//        WMI counts as physical and that have an address:
//        ... WHERE PhysicalAdapter = TRUE AND MACAddress IS NOT NULL
//   104  SELECT SerialNumber FROM Win32_DiskDrive
std::string QueryIdentity(int selector, os::Wmi& wmi);
// The same through the machine's WMI, opened on the calling thread for this one query.
std::string QueryIdentity(int selector);

// The five texts in the order 101, 102, 103, 104, system description.
IdentityTexts GatherIdentity(os::Wmi& wmi, const os::VersionFacts& version);

// The identity of this machine, read through its WMI opened on the calling thread.
IdentityTexts GatherMachineIdentity();

// Gathers the identity of this machine and publishes all five texts at once through the settings
// object, so a login never sees some of them new and some old.
void CollectIdentity();

// Runs CollectIdentity on a detached worker thread that owns what it uses. A collector still busy when
// the shutdown runs (RunShutdown) publishes nothing afterwards. False when no thread could be started
// (the identity texts then stay empty and the login sends them empty).
[[nodiscard]] bool StartIdentityCollector();
// The same with what to gather and where to publish it given (tests).
[[nodiscard]] bool StartIdentityCollector(std::function<IdentityTexts()> gather, Settings& settings);

}  // namespace nimbrook
