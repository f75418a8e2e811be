#include "dialup/ipsec_vpner.h"

namespace nimbrook {

IpsecVpner::IpsecVpner(DialUpSeams seams) : BaseVpner(std::move(seams), kProtocolIpsec) {}

void IpsecVpner::Connect() {
  if (Supported()) BaseVpner::Connect();
}

void IpsecVpner::Disconnect() {
  if (Supported()) BaseVpner::Disconnect();
}

}  // namespace nimbrook
