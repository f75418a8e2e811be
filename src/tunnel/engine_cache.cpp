// The engine cache and its factory.
#include "tunnel/engine_cache.h"

#include <exception>
#include <map>
#include <mutex>
#include <string>

#include "core/log.h"
#include "core/startup.h"

namespace nimbrook {

namespace {

struct EngineCache {
  std::mutex lock;
  EngineFactory factory;
  std::map<EngineKind, std::unique_ptr<Connector>> engines;
  bool shutdownRegistered = false;
};

EngineCache& Cache() {
  static EngineCache* cache = new EngineCache();  // never destroyed: usable during static destruction
  return *cache;
}

std::wstring KindName(EngineKind kind) {
  const std::string name = EngineClassName(kind);
  return std::wstring(name.begin(), name.end());
}

}  // namespace

void SetEngineFactory(EngineFactory factory) {
  EngineCache& cache = Cache();
  std::lock_guard<std::mutex> guard(cache.lock);
  cache.factory = std::move(factory);
}

Connector* GetEngine(int32_t protocol) {
  const std::optional<EngineKind> kind = EngineKindForProtocol(protocol);
  if (!kind) {
    WriteLog(L"协议" + std::to_wstring(protocol) + L"没有对应的连接引擎");
    return nullptr;
  }
  EngineCache& cache = Cache();
  EngineFactory factory;
  {
    std::lock_guard<std::mutex> guard(cache.lock);
    auto found = cache.engines.find(*kind);
    if (found != cache.engines.end()) {
      found->second->Select();
      return found->second.get();
    }
    factory = cache.factory;
  }
  if (!factory) {
    WriteLog(L"没有注册连接引擎工厂，无法创建" + KindName(*kind));
    return nullptr;
  }

  std::unique_ptr<Connector> created;
  try {
    created = factory(*kind);
  } catch (const std::exception&) {
    created.reset();
  } catch (...) {
    created.reset();
  }
  if (!created) {
    WriteLog(L"创建连接引擎" + KindName(*kind) + L"失败");
    return nullptr;
  }

  bool registerShutdown = false;
  Connector* result = nullptr;
  std::unique_ptr<Connector> loser;
  {
    std::lock_guard<std::mutex> guard(cache.lock);
    auto& slot = cache.engines[*kind];
    if (slot) {
      loser = std::move(created);  // another caller stored one meanwhile: that one serves
    } else {
      slot = std::move(created);
    }
    slot->Select();
    result = slot.get();
    if (!cache.shutdownRegistered) {
      cache.shutdownRegistered = true;
      registerShutdown = true;
    }
  }
  loser.reset();
  if (registerShutdown) RegisterShutdownStep(ShutdownStage::Engines, DestroyEngines);
  return result;
}

Connector* CachedEngine(EngineKind kind) {
  EngineCache& cache = Cache();
  std::lock_guard<std::mutex> guard(cache.lock);
  auto found = cache.engines.find(kind);
  return found == cache.engines.end() ? nullptr : found->second.get();
}

std::size_t CachedEngineCount() {
  EngineCache& cache = Cache();
  std::lock_guard<std::mutex> guard(cache.lock);
  return cache.engines.size();
}

void DestroyEngines() {
  EngineCache& cache = Cache();
  std::map<EngineKind, std::unique_ptr<Connector>> doomed;
  {
    std::lock_guard<std::mutex> guard(cache.lock);
    doomed.swap(cache.engines);
    cache.shutdownRegistered = false;
  }
  // Destroyed outside the lock: a destructor may log or look at the cache.
  for (auto& entry : doomed) entry.second.reset();
}

}  // namespace nimbrook
