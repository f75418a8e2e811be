// The SSTP engine (protocol 7): the dial-up engine on entry "nimbrookjsq-sstp", whose number carries
// the server's port unless it is 443; available on Windows newer than major version 5 only, where it
// also trusts the service's root certificate when created.
#pragma once

#include "dialup/base_vpner.h"

namespace nimbrook {

class SstpVpner : public BaseVpner {
 public:
  explicit SstpVpner(DialUpSeams seams);
  ~SstpVpner() override = default;
  // Exactly the dial-up engine's, when supported; otherwise nothing at all (no notification).
  void Connect() override;
  void Disconnect() override;
};

}  // namespace nimbrook
