// Writes the test library's icons: test.ico (icon 200, see test_icon.h) and
// broken.ico (an icon whose one image is no bitmap).
#include <cstdio>
#include <string>
#include <vector>

#include "kestrel/ico_file.h"
#include "kestrel/palette.h"
#include "test_icon.h"

namespace {

using kestrel::ico::Bytes;
using kestrel::ico::Put32;
using kestrel::test_icon::Image;

Bytes Body(const Image& image) {
  int n = image.size;
  size_t xor_stride = kestrel::ico::Stride(n, image.bits), and_stride = kestrel::ico::Stride(n, 1);
  Bytes out;
  kestrel::ico::PutImageHeader(out, n, image.bits);
  if (image.bits == 4)
    for (uint32_t c : kestrel::palette::kSixteen) Put32(out, c);
  if (image.bits == 8)
    for (uint32_t c : kestrel::palette::kStandard) Put32(out, c);
  for (int y = n - 1; y >= 0; --y) {
    Bytes row(xor_stride, 0);
    for (int x = 0; x < n; ++x) {
      if (image.bits == 32) {
        uint32_t c = kestrel::test_icon::Argb(x, y);
        for (int k = 0; k < 4; ++k) row[x * 4 + k] = (c >> (8 * k)) & 0xFF;
        continue;
      }
      int index = kestrel::test_icon::Transparent(x, y) ? 0 : kestrel::test_icon::Index(image, x, y);
      if (image.bits == 8)
        row[x] = static_cast<uint8_t>(index);
      else
        row[x / 2] |= static_cast<uint8_t>(x % 2 ? index : index << 4);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = n - 1; y >= 0; --y) {
    Bytes row(and_stride, 0);
    for (int x = 0; x < n; ++x)
      if (image.bits != 32 && kestrel::test_icon::Transparent(x, y)) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

bool Write(const std::string& path, const std::vector<Image>& images, const std::vector<Bytes>& bodies) {
  std::vector<kestrel::ico::Image> entries;
  for (size_t i = 0; i < images.size(); ++i) entries.push_back({images[i].size, images[i].bits, bodies[i]});
  return kestrel::ico::WriteFile(path, entries);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::string dir = argv[1];
  std::vector<Bytes> bodies;
  for (const auto& image : kestrel::test_icon::Images()) bodies.push_back(Body(image));
  bool ok = Write(dir + "/test.ico", kestrel::test_icon::Images(), bodies);
  ok = ok && Write(dir + "/broken.ico", {{16, 4}}, {Bytes{'n', 'o', ' ', 'b', 'i', 't', 'm', 'a', 'p'}});
  return ok ? 0 : 1;
}
