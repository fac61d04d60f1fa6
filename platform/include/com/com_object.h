// ComObject: IUnknown for a class that implements interfaces.
//
//   class Widget : public kestrel::com::ComObject<IPersistStream, IObjectWithSite> {
//    public:
//     Widget() : ComObject(g_module) {}
//     ...
//   };
//   kestrel::ComPtr<Widget> w = kestrel::com::MakeObject<Widget>();
//
// QueryInterface answers IUnknown (always the same pointer), every listed
// interface and the interfaces each one extends. A class that answers more
// overrides QueryInterface and calls ComObject's for the rest. Objects start
// with one reference, which MakeObject hands to its ComPtr, and delete
// themselves when the last one is released. They count themselves in their
// ServerModule (com/server_module.h).
#pragma once

#include <atomic>
#include <type_traits>
#include <utility>

#include "com/com_ptr.h"
#include "com/server_module.h"

namespace kestrel::com {

template <class First, class... Rest>
class ComObject : public First, public Rest... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(static_cast<First*>(this));
    } else if (!(Find<First>(static_cast<First*>(this), riid, object) ||
                 (Find<Rest>(static_cast<Rest*>(this), riid, object) || ...))) {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  explicit ComObject(ServerModule& module) : module_(module) { module_.ObjectCreated(); }
  virtual ~ComObject() { module_.ObjectDestroyed(); }

  ServerModule& Module() const { return module_; }

 private:
  // Interface I or one it extends.
  template <class I>
  static bool Find(I* self, REFIID riid, void** object) {
    if constexpr (std::is_same_v<I, IUnknown>) {
      return false;
    } else {
      if (riid == I::kIid) {
        *object = self;
        return true;
      }
      return Find<typename I::Base>(static_cast<typename I::Base*>(self), riid, object);
    }
  }

  ServerModule& module_;
  std::atomic<ULONG> references_{1};
};

// A new object of class T, held by the one reference it starts with.
template <class T, class... Args>
ComPtr<T> MakeObject(Args&&... args) {
  return ComPtr<T>::Adopt(new T(std::forward<Args>(args)...));
}

}  // namespace kestrel::com
