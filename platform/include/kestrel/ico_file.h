// Writing .ico files, for the build's icon tools: a directory of images,
// each a BITMAPINFOHEADER image of double height with its colour table,
// colour rows and AND mask rows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kestrel::ico {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
inline void Put32(Bytes& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Bytes of one row, padded to 4 bytes.
inline size_t Stride(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

// The 40-byte header of a square image of size pixels at bits per pixel.
inline void PutImageHeader(Bytes& out, int size, int bits) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(size));
  Put32(out, static_cast<uint32_t>(size * 2));  // colour rows and mask rows
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>((Stride(size, bits) + Stride(size, 1)) * size));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
}

struct Image {
  int size;  // width and height in pixels
  int bits;  // 4, 8 or 32
  Bytes body;
};

// Writes the directory and the images; false when the file cannot be written.
inline bool WriteFile(const std::string& path, const std::vector<Image>& images) {
  Bytes out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const Image& image : images) {
    out.push_back(static_cast<uint8_t>(image.size));
    out.push_back(static_cast<uint8_t>(image.size));
    out.push_back(image.bits == 4 ? 16 : 0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(image.bits));
    Put32(out, static_cast<uint32_t>(image.body.size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(image.body.size());
  }
  for (const Image& image : images) out.insert(out.end(), image.body.begin(), image.body.end());
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace kestrel::ico
