#include "core/identity.h"

#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/startup.h"
#include "core/system_facts.h"
#include "core/text.h"

namespace nimbrook {
namespace {

struct IdentityQuery {
  const wchar_t* wmiClass;
  const wchar_t* property;
  const wchar_t* condition;
};

constexpr IdentityQuery kBoardQuery{L"Win32_BaseBoard", L"SerialNumber", L""};
constexpr IdentityQuery kProcessorQuery{L"Win32_Processor", L"ProcessorId", L""};
constexpr IdentityQuery kAdapterQuery{L"Win32_NetworkAdapter", L"MACAddress", L"NetConnectionID IS NOT NULL"};
constexpr IdentityQuery kPhysicalAdapterQuery{L"Win32_NetworkAdapter", L"MACAddress",
                                              L"PhysicalAdapter = TRUE AND MACAddress IS NOT NULL"};
constexpr IdentityQuery kDiskQuery{L"Win32_DiskDrive", L"SerialNumber", L""};

os::WmiQueryResult Run(os::Wmi& wmi, const IdentityQuery& query) {
  return wmi.Select(query.wmiClass, query.property, query.condition);
}

bool IsHighSurrogate(wchar_t c) { return sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

std::string IdentityText(int selector, const std::vector<std::wstring>& values) {
  const size_t limit = selector == kAdapterAddressSelector ? kAdapterAddressLength : kIdentityTextLimit;
  std::wstring joined;
  for (const auto& value : values) {
    for (wchar_t c : value) {
      if (c == L' ' || c == L'\n' || c == L'\r') continue;
      if (joined.size() == limit) break;
      joined.push_back(c);
    }
    if (joined.size() == limit) break;
  }
  // A cut between the halves of a surrogate pair would leave half a character.
  if (joined.size() == limit && IsHighSurrogate(joined.back())) joined.pop_back();
  if (selector == kAdapterAddressSelector) {
    for (auto& c : joined) {
      if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
  }
  if (joined == L"INVALID") return {};
  return text::ToAnsi(joined);
}

std::string QueryIdentity(int selector, os::Wmi& wmi) {
  os::WmiQueryResult result;
  switch (selector) {
    case kBoardSerialSelector: result = Run(wmi, kBoardQuery); break;
    case kProcessorIdSelector: result = Run(wmi, kProcessorQuery); break;
    case kAdapterAddressSelector:
      result = Run(wmi, kAdapterQuery);
      if (!result.ok) result = Run(wmi, kPhysicalAdapterQuery);
      break;
    case kDiskSerialSelector: result = Run(wmi, kDiskQuery); break;
    default: return {};
  }
  if (!result.ok) return {};
  return IdentityText(selector, result.values);
}

std::string QueryIdentity(int selector) {
  if (selector < kBoardSerialSelector || selector > kDiskSerialSelector) return {};
  const auto wmi = os::OpenSystemWmi();
  return QueryIdentity(selector, *wmi);
}

IdentityTexts GatherIdentity(os::Wmi& wmi, const os::VersionFacts& version) {
  IdentityTexts texts;
  texts.boardSerial = QueryIdentity(kBoardSerialSelector, wmi);
  texts.processorId = QueryIdentity(kProcessorIdSelector, wmi);
  texts.adapterAddress = QueryIdentity(kAdapterAddressSelector, wmi);
  texts.diskSerial = QueryIdentity(kDiskSerialSelector, wmi);
  texts.systemDescription = SystemDescription(version);
  return texts;
}

IdentityTexts GatherMachineIdentity() {
  const auto wmi = os::OpenSystemWmi();  // opened, used and released on this thread
  return GatherIdentity(*wmi, SystemVersion());
}

void CollectIdentity() { ClientSettings().PublishIdentity(GatherMachineIdentity()); }

bool StartIdentityCollector() { return StartIdentityCollector(GatherMachineIdentity, ClientSettings()); }

bool StartIdentityCollector(std::function<IdentityTexts()> gather, Settings& settings) {
  // The worker may still wait for WMI when the client ends; from the shutdown on it must no longer
  // touch the settings object, which the process destroys after the entry point returns.
  struct Hand {
    std::mutex lock;
    bool withdrawn = false;
  };
  auto hand = std::make_shared<Hand>();
  try {
    std::thread([hand, gather = std::move(gather), &settings] {
      try {
        const IdentityTexts texts = gather();
        std::lock_guard<std::mutex> guard(hand->lock);
        if (!hand->withdrawn) settings.PublishIdentity(texts);
      } catch (const std::exception&) {
        // Out of memory while collecting: the login sends empty identity fields.
      }
    }).detach();
  } catch (const std::system_error&) {
    return false;
  }
  RegisterShutdownStep(ShutdownStage::Workers, [hand] {
    std::lock_guard<std::mutex> guard(hand->lock);
    hand->withdrawn = true;
  });
  return true;
}

}  // namespace nimbrook
