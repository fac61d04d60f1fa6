// One RAII owner for every handle kind: UniqueHandle<Traits> owns one handle
// and closes it exactly once, on every way out.
//
//   struct KeyTraits { using Type = HKEY; static Type Invalid() { return nullptr; }
//                      static void Close(Type h) { RegCloseKey(h); } };
//   using UniqueHKey = UniqueHandle<KeyTraits>;
#pragma once

#include <utility>

namespace kestrel {

template <class Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Type h) noexcept : h_(h) {}
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Type get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }

  // Closes the owned handle (if any) and takes h.
  void reset(Type h = Traits::Invalid()) noexcept {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }
  Type release() noexcept { return std::exchange(h_, Traits::Invalid()); }

  // For out-parameters: closes the owned handle, then hands out its slot.
  Type* put() noexcept {
    reset();
    return &h_;
  }

 private:
  Type h_ = Traits::Invalid();
};

}  // namespace kestrel
