// The IKEv2 and SSTP engines: available only on Windows newer than major version 5, where each
// engine object trusts the root certificate once and dials its own entry without the L2TP
// credentials step.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/paths.h"
#include "dialup/dial_up_engines.h"
#include "dialup/ipsec_vpner.h"
#include "dialup/phonebook.h"
#include "dialup/sstp_vpner.h"
#include "dialup/tests/dial_up_harness.h"
#include "sysprep/windows_version.h"

namespace nimbrook {
namespace {

using testing::DialUpHarness;
using testing::Notification;

TEST(ModernVpner, DialsItsOwnEntryOnModernWindows) {
  struct Case {
    EngineKind kind;
    int32_t protocol;
    std::wstring port;
    std::wstring entry;
    std::wstring number;
  };
  for (const Case& c : {Case{EngineKind::Ipsec, kProtocolIpsec, L"500", L"nimbrookjsq-ikev2", L"ike.example.net"},
                        Case{EngineKind::Sstp, kProtocolSstp, L"8443", L"nimbrookjsq-sstp", L"ike.example.net:8443"}}) {
    SCOPED_TRACE(c.protocol);
    DialUpHarness h;
    std::unique_ptr<Connector> engine = MakeDialUpEngine(c.kind, h.Seams());
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine->Protocol(), c.protocol);
    EXPECT_EQ(BaseVpner::s_pInstance.Get(), engine.get());
    EXPECT_EQ(h.Timeline(), std::vector<std::wstring>{L"import certificate"});  // once, at creation
    engine->Attach(&h);
    ASSERT_TRUE(SetTarget(kRouteScopeChina, engine.get(), {c.protocol, L"ike.example.net", c.port}));
    engine->Connect();
    ASSERT_TRUE(h.WaitFor(Notification(3, 4, L"str_connect_ok")));
    EXPECT_EQ(h.Only(L"route "), std::vector<std::wstring>{L"route china"});
    ASSERT_EQ(h.ras.Dials().size(), 1u);
    EXPECT_EQ(h.ras.Dials()[0].entry, c.entry);
    EXPECT_EQ(h.ras.Dials()[0].userName, L"alice");
    EXPECT_EQ(h.ras.Dials()[0].password, L"s3cret");
    EXPECT_TRUE(h.ras.CredentialCalls().empty());
    EXPECT_EQ(os::SystemProfile().ReadString(WorkingPhonebookPath(h.dir.Dir()), c.entry, L"PhoneNumber", L"", 2048),
              c.number);
    engine->Disconnect();
    ASSERT_TRUE(h.WaitFor(Notification(0, 1, L"")));
    EXPECT_EQ(h.Only(L"import "), std::vector<std::wstring>{L"import certificate"});
  }
}

TEST(ModernVpner, DoesNothingAtAllOnOldWindows) {
  for (EngineKind kind : {EngineKind::Ipsec, EngineKind::Sstp}) {
    DialUpHarness h;
    h.modernWindows = false;
    std::unique_ptr<Connector> engine = MakeDialUpEngine(kind, h.Seams());
    ASSERT_TRUE(engine);
    EXPECT_FALSE(static_cast<BaseVpner*>(engine.get())->Supported());
    engine->Attach(&h);
    ASSERT_TRUE(SetTarget(kRouteScopeAbroad, engine.get(), {engine->Protocol(), L"ike.example.net", L"443"}));
    engine->Connect();  // returns without starting a worker
    engine->Disconnect();
    EXPECT_TRUE(h.Timeline().empty());  // no certificate, no notification, no route step
    EXPECT_TRUE(h.Logs().empty());
    EXPECT_TRUE(h.ras.Dials().empty());
    EXPECT_EQ(engine->State(), kStateIdle);
  }
}

TEST(ModernVpner, EnginesOfTheFactoryAndTheUnavailableProtocols) {
  DialUpHarness h;
  std::unique_ptr<Connector> dialUp = MakeDialUpEngine(EngineKind::DialUp, h.Seams());
  ASSERT_TRUE(dialUp);
  EXPECT_EQ(dialUp->Protocol(), kProtocolAuto);  // PPTP or L2TP comes with the target
  EXPECT_TRUE(static_cast<BaseVpner*>(dialUp.get())->Supported());
  EXPECT_TRUE(h.Timeline().empty());  // the PPTP/L2TP engine imports no certificate
  EXPECT_EQ(MakeDialUpEngine(EngineKind::OpenVpn, h.Seams()), nullptr);
  EXPECT_EQ(UnavailableProtocolNames(true), L"");
  EXPECT_EQ(UnavailableProtocolNames(false), L"IPSEC|SSTP");
}

}  // namespace
}  // namespace nimbrook

namespace nimbrook {
namespace {

TEST(DefaultDialUpSeams, BindEveryStepToTheProgramsOwnParts) {
  ProcessPaths paths = ComputePaths(JoinPath(AsDirectory(JoinPath(AsDirectory(L"install"), L"Nimbrook")), L"Nimbrook.exe"));
  const ProcessPaths saved = Paths();
  SetProcessPaths(paths);
  const DialUpSeams seams = DefaultDialUpSeams();
  SetProcessPaths(saved);
  EXPECT_EQ(seams.ras, &os::SystemRas());
  EXPECT_EQ(seams.profile, &os::SystemProfile());
  EXPECT_EQ(seams.configDir, paths.configDir);
  for (bool bound : {static_cast<bool>(seams.ensureService), static_cast<bool>(seams.addRoute),
                     static_cast<bool>(seams.deleteRoute), static_cast<bool>(seams.account),
                     static_cast<bool>(seams.l2tpIpsecEnabled), static_cast<bool>(seams.isModernWindows),
                     static_cast<bool>(seams.importRootCertificate), static_cast<bool>(seams.text),
                     static_cast<bool>(seams.log)}) {
    EXPECT_TRUE(bound);
  }
  EXPECT_EQ(seams.dialTimeout, std::chrono::milliseconds(30000));
  EXPECT_EQ(seams.isModernWindows(), IsModernWindows());
  EXPECT_EQ(seams.text(L"no_such_language_id"), L"no_such_language_id");
}

}  // namespace
}  // namespace nimbrook
