// The engine cache through a fake factory: one engine per kind, protocol numbers mapped to the right
// kind, the instance pointers, refusals with their log lines, and the shutdown that empties the cache.
#include "tunnel/engine_cache.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "core/file_io.h"
#include "core/log.h"
#include "core/startup.h"
#include "testing/temp_dir.h"
#include "tunnel/tests/fake_engine.h"

namespace nimbrook {
namespace {

using testing::FakeEngine;

class EngineCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLogFile(dir.File(L"nimbrook.log"));
    DestroyEngines();
    SetEngineFactory([this](EngineKind kind) -> std::unique_ptr<Connector> {
      requested.push_back(kind);
      return std::make_unique<FakeEngine>(kind);
    });
  }
  void TearDown() override {
    DestroyEngines();
    SetEngineFactory({});
    SetLogFile(L"");
  }
  std::string Log() {
    std::string bytes;
    if (!ReadFileBytes(dir.File(L"nimbrook.log"), bytes)) return std::string();
    return bytes;
  }

  nimbrook::testing::TempDir dir;
  std::vector<EngineKind> requested;
};

TEST_F(EngineCacheTest, EachProtocolGetsTheEngineOfItsKind) {
  struct Case {
    int32_t protocol;
    EngineKind kind;
  } cases[] = {{0, EngineKind::DialUp},  {1, EngineKind::DialUp},  {2, EngineKind::OpenVpn},
               {3, EngineKind::OpenVpn}, {4, EngineKind::OpenVpn}, {5, EngineKind::OpenVpn},
               {6, EngineKind::Ipsec},   {7, EngineKind::Sstp}};
  for (const Case& c : cases) {
    auto* engine = dynamic_cast<FakeEngine*>(GetEngine(c.protocol));
    ASSERT_NE(engine, nullptr) << c.protocol;
    EXPECT_EQ(engine->kind, c.kind) << c.protocol;
    EXPECT_EQ(CachedEngine(c.kind), engine);
  }
  // One creation per kind, in the order first asked for.
  EXPECT_EQ(requested, (std::vector<EngineKind>{EngineKind::DialUp, EngineKind::OpenVpn, EngineKind::Ipsec,
                                                EngineKind::Sstp}));
  EXPECT_EQ(CachedEngineCount(), 4u);
}

TEST_F(EngineCacheTest, PptpAndL2tpShareOneEngineWithTheLastTarget) {
  Connector* pptp = GetEngine(kProtocolPptp);
  ASSERT_NE(pptp, nullptr);
  ASSERT_TRUE(SetTarget(kRouteGlobal, pptp, {kProtocolPptp, L"198.51.100.1", L"1723"}));
  Connector* l2tp = GetEngine(kProtocolL2tp);
  EXPECT_EQ(l2tp, pptp);
  EXPECT_EQ(l2tp->Protocol(), kProtocolPptp);  // the previous target stays until SetTarget
  ASSERT_TRUE(SetTarget(kRouteScopeAbroad, l2tp, {kProtocolL2tp, L"198.51.100.2", L"1701"}));
  EXPECT_EQ(pptp->Protocol(), kProtocolL2tp);
  EXPECT_EQ(pptp->Host(), L"198.51.100.2");
  EXPECT_EQ(requested.size(), 1u);
}

TEST_F(EngineCacheTest, SwitchingEnginesKeepsThePreviousEngineFields) {
  Connector* dial = GetEngine(kProtocolPptp);
  ASSERT_NE(dial, nullptr);
  SetTarget(kRouteScopeChina, dial, {kProtocolPptp, L"a", L"1"});
  dial->Notify(kStateFailed, kCodeFailed, L"str_call_failed");
  Connector* ovpn = GetEngine(kProtocolOvpnTcp);
  ASSERT_NE(ovpn, nullptr);
  EXPECT_NE(ovpn, dial);
  EXPECT_EQ(dial->State(), kStateFailed);
  EXPECT_EQ(dial->RouteMode(), kRouteScopeChina);
  EXPECT_EQ(ovpn->State(), kStateIdle);
}

TEST_F(EngineCacheTest, HandingOutACachedEngineMakesItTheCurrentInstance) {
  Connector* dial = GetEngine(kProtocolPptp);
  Connector* sstp = GetEngine(kProtocolSstp);
  ASSERT_NE(dial, nullptr);
  ASSERT_NE(sstp, nullptr);
  // The dial-up family shares one pointer: the engine created last is current.
  EXPECT_EQ(FakeEngine::Instance(EngineKind::DialUp).Get(), sstp);
  EXPECT_EQ(GetEngine(kProtocolL2tp), dial);
  EXPECT_EQ(FakeEngine::Instance(EngineKind::DialUp).Get(), dial);
  // OpenVPN has its own pointer, untouched by the dial-up family.
  Connector* ovpn = GetEngine(kProtocolOvpnUdp);
  GetEngine(kProtocolIpsec);
  EXPECT_EQ(FakeEngine::Instance(EngineKind::OpenVpn).Get(), ovpn);
}

TEST_F(EngineCacheTest, AutoAndOutOfRangeNumbersYieldNoEngine) {
  for (int32_t p : {kProtocolAuto, 9, -1, 1000}) EXPECT_EQ(GetEngine(p), nullptr) << p;
  EXPECT_TRUE(requested.empty());
  EXPECT_EQ(CachedEngineCount(), 0u);
  EXPECT_NE(Log().find("协议8没有对应的连接引擎"), std::string::npos);
  EXPECT_NE(Log().find("协议-1没有对应的连接引擎"), std::string::npos);
}

TEST_F(EngineCacheTest, WithoutAFactoryThereIsNoEngineAndALogLine) {
  SetEngineFactory({});
  EXPECT_EQ(GetEngine(kProtocolOvpnUdp), nullptr);
  EXPECT_EQ(CachedEngineCount(), 0u);
  EXPECT_NE(Log().find("没有注册连接引擎工厂，无法创建OpenVpner"), std::string::npos);
}

TEST_F(EngineCacheTest, AFactoryThatFailsLeavesNothingCached) {
  SetEngineFactory([](EngineKind kind) -> std::unique_ptr<Connector> {
    if (kind == EngineKind::Ipsec) throw std::runtime_error("no engine");
    return nullptr;
  });
  EXPECT_EQ(GetEngine(kProtocolIpsec), nullptr);
  EXPECT_EQ(GetEngine(kProtocolSstp), nullptr);
  EXPECT_EQ(CachedEngineCount(), 0u);
  EXPECT_NE(Log().find("创建连接引擎IpsecVpner失败"), std::string::npos);
  EXPECT_NE(Log().find("创建连接引擎SstpVpner失败"), std::string::npos);
  // A working factory registered later serves the same kinds.
  SetEngineFactory([](EngineKind kind) { return std::make_unique<FakeEngine>(kind); });
  EXPECT_NE(GetEngine(kProtocolIpsec), nullptr);
}

TEST_F(EngineCacheTest, ShutdownDestroysEveryCachedEngine) {
  const int before = FakeEngine::alive.load();
  ASSERT_NE(GetEngine(kProtocolPptp), nullptr);
  ASSERT_NE(GetEngine(kProtocolOvpnUdp), nullptr);
  ASSERT_NE(GetEngine(kProtocolSstp), nullptr);
  EXPECT_EQ(FakeEngine::alive.load(), before + 3);

  RunShutdown();  // the cache registered its step when it created the first engine
  EXPECT_EQ(CachedEngineCount(), 0u);
  EXPECT_EQ(FakeEngine::alive.load(), before);
  EXPECT_EQ(FakeEngine::Instance(EngineKind::DialUp).Get(), nullptr);
  EXPECT_EQ(FakeEngine::Instance(EngineKind::OpenVpn).Get(), nullptr);

  // After a shutdown the cache starts afresh and registers again.
  requested.clear();
  ASSERT_NE(GetEngine(kProtocolL2tp), nullptr);
  EXPECT_EQ(requested.size(), 1u);
  RunShutdown();
  EXPECT_EQ(CachedEngineCount(), 0u);
}

TEST_F(EngineCacheTest, ObserversOfACachedEngineStayAttached) {
  struct Counter : StateObserver {
    int calls = 0;
    void OnStateChanged(StateSubject*) override { ++calls; }
  } window;
  Connector* engine = GetEngine(kProtocolPptp);
  ASSERT_NE(engine, nullptr);
  engine->Attach(&window);
  Connector* again = GetEngine(kProtocolL2tp);
  EXPECT_FALSE(again->Attach(&window));  // the main window attaches on every connect: one entry
  again->Notify(kStateConnecting, kCodeProgress, L"str_connecting");
  EXPECT_EQ(window.calls, 1);
}

}  // namespace
}  // namespace nimbrook
