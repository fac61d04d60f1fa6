// The count of live COM objects, per library and for the whole process.
//
// Every COM object counts itself: ComObject (com/com_object.h) does it for
// its derived classes, in its constructor and destructor. Each in-process
// server library keeps one ServerModule of its own, defined in one of its
// .cpp files (not inline in a header), hands it to its objects and class
// factories, and answers DllCanUnloadNow from it:
//   kestrel::com::ServerModule g_module;
//   HRESULT DllCanUnloadNow() { return g_module.CanUnloadNow(); }
// Tests read LiveObjects() to see that every reference was released.
#pragma once

#include <atomic>

#include "com/hresult.h"

namespace kestrel::com {

// COM objects alive in the process, of every library and of the platform.
long LiveObjects();

class ServerModule {
 public:
  ServerModule() = default;
  ServerModule(const ServerModule&) = delete;
  ServerModule& operator=(const ServerModule&) = delete;

  void ObjectCreated();
  void ObjectDestroyed();
  // IClassFactory::LockServer.
  void Lock();
  void Unlock();

  long Objects() const { return objects_.load(); }
  // S_OK when no object of the library is alive and no lock is held,
  // S_FALSE otherwise.
  HRESULT CanUnloadNow() const;

 private:
  std::atomic<long> objects_{0};
  std::atomic<long> locks_{0};
};

// The module of the platform's own objects (streams, ...).
ServerModule& PlatformModule();

}  // namespace kestrel::com
