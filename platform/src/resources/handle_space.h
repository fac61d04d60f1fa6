// Handle values for objects of one kind: multiples of 4 in a range of their
// own below 2^32, so that a handle of one kind is never taken for another.
// A value is not given out again while its object lives.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace kestrel::resources {

template <class T>
class HandleSpace {
 public:
  HandleSpace(uint32_t first, uint32_t last) : first_(first), last_(last), next_(last) {}

  // 0 when the range is full.
  uint32_t Add(std::shared_ptr<T> object) {
    std::lock_guard lock(mutex_);
    if (live_.size() >= (last_ - first_) / 4 + 1) return 0;
    do {
      next_ = next_ >= last_ ? first_ : next_ + 4;
    } while (live_.contains(next_));
    live_.emplace(next_, std::move(object));
    return next_;
  }

  std::shared_ptr<T> Find(uintptr_t value) const {
    std::lock_guard lock(mutex_);
    auto it = value <= last_ ? live_.find(static_cast<uint32_t>(value)) : live_.end();
    return it == live_.end() ? nullptr : it->second;
  }

  bool Remove(uintptr_t value) {
    std::lock_guard lock(mutex_);
    return value <= last_ && live_.erase(static_cast<uint32_t>(value)) == 1;
  }

 private:
  const uint32_t first_, last_;
  mutable std::mutex mutex_;
  std::unordered_map<uint32_t, std::shared_ptr<T>> live_;
  uint32_t next_;
};

}  // namespace kestrel::resources
