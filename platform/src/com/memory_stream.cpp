// The stream over memory that CreateStreamOnHGlobal makes.
#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "com/com_object.h"
#include "com/stream.h"

namespace {

class MemoryStream : public kestrel::com::ComObject<IStream> {
 public:
  MemoryStream() : ComObject(kestrel::com::PlatformModule()) {}

  HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
    if (!buffer && size) return STG_E_INVALIDPOINTER;
    ULONG n = position_ < data_.size() ? static_cast<ULONG>(std::min<size_t>(size, data_.size() - position_)) : 0;
    if (n) std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    if (read) *read = n;
    return S_OK;
  }
  HRESULT Write(const void* buffer, ULONG size, ULONG* written) override {
    if (!buffer && size) return STG_E_INVALIDPOINTER;
    if (position_ + size > data_.size() && !Resize(position_ + size)) return STG_E_MEDIUMFULL;
    if (size) std::memcpy(data_.data() + position_, buffer, size);
    position_ += size;
    if (written) *written = size;
    return S_OK;
  }
  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    LONGLONG base = 0;
    switch (origin) {
      case STREAM_SEEK_SET: base = 0; break;
      case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
      case STREAM_SEEK_END: base = static_cast<LONGLONG>(data_.size()); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    if (move.QuadPart < -base || move.QuadPart > std::numeric_limits<LONGLONG>::max() - base)
      return STG_E_INVALIDFUNCTION;
    position_ = static_cast<size_t>(base + move.QuadPart);
    if (newPosition) newPosition->QuadPart = position_;
    return S_OK;
  }
  HRESULT SetSize(ULARGE_INTEGER size) override {
    return Resize(size.QuadPart) ? S_OK : STG_E_MEDIUMFULL;
  }
  HRESULT CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override {
    if (!target) return STG_E_INVALIDPOINTER;
    size_t available = position_ < data_.size() ? data_.size() - position_ : 0;
    ULONG n = static_cast<ULONG>(std::min<ULONGLONG>({size.QuadPart, available, 0xFFFFFFFFu}));
    ULONG done = 0;
    HRESULT hr = target->Write(data_.data() + position_, n, &done);
    position_ += n;
    if (read) read->QuadPart = n;
    if (written) written->QuadPart = done;
    return hr;
  }
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return S_OK; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT Stat(STATSTG* stat, DWORD) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = data_.size();
    stat->grfMode = STGM_READWRITE;
    return S_OK;
  }
  HRESULT Clone(IStream** clone) override {
    if (clone) *clone = nullptr;
    return E_NOTIMPL;
  }

 private:
  bool Resize(ULONGLONG size) {
    try {
      data_.resize(static_cast<size_t>(size));
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  std::vector<BYTE> data_;
  size_t position_ = 0;
};

}  // namespace

extern "C" {

HRESULT WINAPI CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL, LPSTREAM* stream) {
  if (!stream) return E_INVALIDARG;
  *stream = nullptr;
  if (hGlobal) return E_INVALIDARG;
  *stream = new MemoryStream();
  return S_OK;
}

}  // extern "C"
