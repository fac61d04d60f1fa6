// Writes the test library's icons: test.ico (icon 200, see test_icon.h) and
// broken.ico (an icon whose one image is no bitmap).
#include <cstdio>
#include <string>
#include <vector>

#include "kestrel/palette.h"
#include "test_icon.h"

namespace {

using Bytes = std::vector<uint8_t>;
using kestrel::test_icon::Image;

void Put16(Bytes& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

Bytes Body(const Image& image) {
  int n = image.size;
  size_t xor_stride = ((n * image.bits + 31) / 32) * 4, and_stride = ((n + 31) / 32) * 4;
  Bytes out;
  for (uint32_t v : {40u, static_cast<uint32_t>(n), static_cast<uint32_t>(2 * n)}) Put32(out, v);
  Put16(out, 1);
  Put16(out, image.bits);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
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
  Bytes out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<uint8_t>(images[i].size));
    out.push_back(static_cast<uint8_t>(images[i].size));
    out.push_back(images[i].bits == 4 ? 16 : 0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, images[i].bits);
    Put32(out, static_cast<uint32_t>(bodies[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(bodies[i].size());
  }
  for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
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
