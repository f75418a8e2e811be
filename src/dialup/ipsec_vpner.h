// The IKEv2 engine (protocol 6, shown as "IPSEC"): the dial-up engine on entry "nimbrookjsq-ikev2",
// available on Windows newer than major version 5 only, where it also trusts the service's root
// certificate when created.
#pragma once

#include "dialup/base_vpner.h"

namespace nimbrook {

class IpsecVpner : public BaseVpner {
 public:
  explicit IpsecVpner(DialUpSeams seams);
  ~IpsecVpner() override = default;
  // Exactly the dial-up engine's, when supported; otherwise nothing at all (no notification).
  void Connect() override;
  void Disconnect() override;
};

}  // namespace nimbrook
