#include "dialup/dial_up_engines.h"

#include "dialup/base_vpner.h"
#include "dialup/ipsec_vpner.h"
#include "dialup/sstp_vpner.h"
#include "sysprep/windows_version.h"

namespace nimbrook {

std::unique_ptr<Connector> MakeDialUpEngine(EngineKind kind, DialUpSeams seams) {
  switch (kind) {
    case EngineKind::DialUp:
      return std::make_unique<BaseVpner>(std::move(seams));
    case EngineKind::Ipsec:
      return std::make_unique<IpsecVpner>(std::move(seams));
    case EngineKind::Sstp:
      return std::make_unique<SstpVpner>(std::move(seams));
    case EngineKind::OpenVpn:
      break;
  }
  return nullptr;
}

std::unique_ptr<Connector> MakeDialUpEngine(EngineKind kind) { return MakeDialUpEngine(kind, DefaultDialUpSeams()); }

std::wstring UnavailableProtocolNames(bool modernWindows) { return modernWindows ? L"" : L"IPSEC|SSTP"; }

std::wstring UnavailableProtocolNames() { return UnavailableProtocolNames(IsModernWindows()); }

}  // namespace nimbrook
