// Shared by the resource tests: the test library and reading its groups.
#pragma once

#include <cstring>
#include <vector>

#include "windows.h"

extern "C" HMODULE ResourceLibraryModule();

namespace kestrel::test {

struct GroupImage {
  int size;
  int bits;
  int colours;  // bColorCount
  WORD id;      // its RT_ICON resource
  DWORD bytes;
};

// The directory of an icon group of the test library, in its order.
inline std::vector<GroupImage> GroupOf(int id) {
  std::vector<GroupImage> images;
  HRSRC found = FindResourceA(ResourceLibraryModule(), MAKEINTRESOURCEA(id), RT_GROUP_ICON);
  if (!found) return images;
  auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(ResourceLibraryModule(), found)));
  DWORD size = SizeofResource(ResourceLibraryModule(), found);
  GRPICONDIR head;
  std::memcpy(&head, dir, 6);
  if (head.idReserved != 0 || head.idType != 1 || size != 6 + 14u * head.idCount) return images;
  for (int i = 0; i < head.idCount; ++i) {
    GRPICONDIRENTRY e;
    std::memcpy(&e, dir + 6 + 14 * i, sizeof e);
    images.push_back({e.bWidth ? e.bWidth : 256, e.wBitCount, e.bColorCount, e.nID, e.dwBytesInRes});
  }
  return images;
}

// The bytes of an RT_ICON image: n x n, 32 bits, straight 0xAARRGGBB from
// pixel(x, y), an all-clear AND mask.
template <class Pixel>
std::vector<BYTE> IconImage32(int n, Pixel pixel) {
  std::vector<BYTE> out(40 + 4 * n * n + ((n + 31) / 32) * 4 * n, 0);
  int32_t header[4] = {40, n, 2 * n, 1 | 32 << 16};
  std::memcpy(out.data(), header, sizeof header);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      uint32_t c = pixel(x, y);
      std::memcpy(&out[40 + 4 * ((n - 1 - y) * n + x)], &c, 4);
    }
  return out;
}

// Premultiplied, as the platform hands pixels out.
inline uint32_t Premultiplied(uint32_t argb) {
  uint32_t a = argb >> 24;
  auto p = [a](uint32_t v) { return (v * a + 127) / 255; };
  return a << 24 | p((argb >> 16) & 0xFF) << 16 | p((argb >> 8) & 0xFF) << 8 | p(argb & 0xFF);
}

}  // namespace kestrel::test
