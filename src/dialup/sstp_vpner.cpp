#include "dialup/sstp_vpner.h"

namespace nimbrook {

SstpVpner::SstpVpner(DialUpSeams seams) : BaseVpner(std::move(seams), kProtocolSstp) {}

void SstpVpner::Connect() {
  if (Supported()) BaseVpner::Connect();
}

void SstpVpner::Disconnect() {
  if (Supported()) BaseVpner::Disconnect();
}

}  // namespace nimbrook
