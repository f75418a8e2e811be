// The native build has no dial-up networking: every RAS call fails as on a system without RAS.
#include "os/ras.h"

namespace nimbrook::os {
namespace {

class MissingRas final : public Ras {
 public:
  uint32_t Dial(const RasDialRequest&, RasProgress, RasConnection& connection) override {
    connection = nullptr;
    return kRasErrorUnavailable;
  }
  uint32_t SetCredentials(const std::wstring&, const std::wstring&, const RasCredentials&, bool) override {
    return kRasErrorUnavailable;
  }
  uint32_t HangUp(RasConnection) override { return kRasErrorInvalidHandle; }
  bool IsKnown(RasConnection) override { return false; }
  std::wstring ErrorString(uint32_t) override { return std::wstring(); }
  uint32_t NotifyOnDisconnection(RasConnection, RasEvent&) override { return kRasErrorInvalidHandle; }
  std::optional<std::string> LocalAddress(RasConnection) override { return std::nullopt; }
  std::unique_ptr<RasEvent> MakeEvent() override { return MakeMemoryRasEvent(); }
};

}  // namespace

Ras& SystemRas() {
  static MissingRas ras;
  return ras;
}

}  // namespace nimbrook::os
