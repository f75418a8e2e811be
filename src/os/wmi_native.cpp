// The native stand-in for WMI: the four identity classes answered from what a Linux machine shows
// without special rights, so the companion program and the native tests see real values where the
// machine has them and empty ones where it does not.
//   Win32_BaseBoard.SerialNumber  /sys/class/dmi/id/board_serial (readable by root only)
//   Win32_Processor.ProcessorId   CPUID leaf 1 as Windows formats it: EDX then EAX, 16 hex digits
//                                 (x86 only; empty elsewhere)
//   Win32_NetworkAdapter.MACAddress  Ethernet interfaces with a non-zero address, by interface index,
//                                 upper case with ":" (the condition is not evaluated)
//   Win32_DiskDrive.SerialNumber  /sys/block/*/device/serial, by device name
// Any other class or property fails with WBEM_E_INVALID_CLASS / WBEM_E_NOT_FOUND.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "core/text.h"
#include "os/wmi.h"

namespace nimbrook::os {
namespace {

constexpr long kInvalidClass = static_cast<long>(0x80041010);
constexpr long kNotFound = static_cast<long>(0x80041002);

std::string ReadFirstLine(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::string line;
  if (in) std::getline(in, line);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

std::wstring ProcessorId() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return {};
  char text[17];
  std::snprintf(text, sizeof text, "%08X%08X", edx, eax);
  return text::AsciiToWide(text);
#else
  return {};
#endif
}

std::vector<std::wstring> AdapterAddresses() {
  struct Adapter {
    long index;
    std::string address;
  };
  std::vector<Adapter> adapters;
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/sys/class/net", ec), end; !ec && it != end; it.increment(ec)) {
    const auto dir = it->path();
    if (ReadFirstLine(dir / "type") != "1") continue;  // ARPHRD_ETHER
    std::string address = ReadFirstLine(dir / "address");
    if (address.size() != 17 || address == "00:00:00:00:00:00") continue;
    std::transform(address.begin(), address.end(), address.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    adapters.push_back({text::LeadingInteger(ReadFirstLine(dir / "ifindex")), address});
  }
  std::sort(adapters.begin(), adapters.end(), [](const Adapter& a, const Adapter& b) { return a.index < b.index; });
  std::vector<std::wstring> values;
  for (const auto& a : adapters) values.push_back(text::AsciiToWide(a.address));
  return values;
}

std::vector<std::wstring> DiskSerials() {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/sys/block", ec), end; !ec && it != end; it.increment(ec)) {
    if (std::filesystem::exists(it->path() / "device", ec)) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::vector<std::wstring> values;
  for (const auto& name : names) {
    values.push_back(text::FromUtf8(ReadFirstLine(std::filesystem::path("/sys/block") / name / "device" / "serial")));
  }
  return values;
}

bool Is(const std::wstring& a, const wchar_t* b) { return text::EqualsIgnoreCase(a, b); }

class LinuxWmi final : public Wmi {
 public:
  WmiQueryResult Select(const std::wstring& wmiClass, const std::wstring& property,
                        const std::wstring& condition) override {
    WmiQueryResult result;
    result.ok = true;
    if (Is(wmiClass, L"Win32_BaseBoard")) {
      if (!Is(property, L"SerialNumber")) return Fail(kNotFound);
      result.values.push_back(text::FromUtf8(ReadFirstLine("/sys/class/dmi/id/board_serial")));
    } else if (Is(wmiClass, L"Win32_Processor")) {
      if (!Is(property, L"ProcessorId")) return Fail(kNotFound);
      result.values.push_back(ProcessorId());
    } else if (Is(wmiClass, L"Win32_NetworkAdapter")) {
      if (!Is(property, L"MACAddress")) return Fail(kNotFound);
      result.values = AdapterAddresses();
    } else if (Is(wmiClass, L"Win32_DiskDrive")) {
      if (!Is(property, L"SerialNumber")) return Fail(kNotFound);
      result.values = DiskSerials();
    } else {
      return Fail(kInvalidClass);
    }
    return result;
  }

 private:
  static WmiQueryResult Fail(long status) {
    WmiQueryResult result;
    result.status = status;
    return result;
  }
};

}  // namespace

std::unique_ptr<Wmi> OpenSystemWmi() { return std::make_unique<LinuxWmi>(); }

}  // namespace nimbrook::os
