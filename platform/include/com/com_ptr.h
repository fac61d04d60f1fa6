// kestrel::ComPtr<T>: the one owner of a COM reference.
#pragma once

#include <cstddef>
#include <utility>

#include "com/unknown.h"

namespace kestrel {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a reference of its own (AddRef) to a borrowed pointer.
  ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U>
  ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.get())) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  // Adopts a reference the caller already holds (no AddRef).
  static ComPtr Adopt(T* p) {
    ComPtr r;
    r.p_ = p;
    return r;
  }
  // Hands the reference over to the caller, who must release it.
  T* Detach() { return std::exchange(p_, nullptr); }
  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // For out-parameters: releases what is held and gives the slot that the
  // call fills with a reference this pointer then owns.
  T** put() {
    Reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

  // QueryInterface for U; null when the object does not answer U.
  template <class U>
  ComPtr<U> As() const {
    ComPtr<U> r;
    if (p_) p_->QueryInterface(U::kIid, r.put_void());
    return r;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

}  // namespace kestrel
