#include "com/server_module.h"

namespace kestrel::com {
namespace {
std::atomic<long> g_live{0};
}  // namespace

long LiveObjects() { return g_live.load(); }

void ServerModule::ObjectCreated() {
  ++objects_;
  ++g_live;
}

void ServerModule::ObjectDestroyed() {
  --objects_;
  --g_live;
}

void ServerModule::Lock() { ++locks_; }
void ServerModule::Unlock() { --locks_; }

HRESULT ServerModule::CanUnloadNow() const { return objects_.load() == 0 && locks_.load() <= 0 ? S_OK : S_FALSE; }

ServerModule& PlatformModule() {
  static ServerModule module;
  return module;
}

}  // namespace kestrel::com
