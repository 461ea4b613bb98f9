// A small BMP writer: a palette picture (tools/pngwrite.h png::Picture) as
// an uncompressed 8-bit BMP, rows bottom-up, each padded to 4 bytes.
#pragma once
#include <cstdint>
#include <string>

#include "tools/pngwrite.h"

namespace bmp {

inline void Put(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
}

inline std::string Encode(const png::Picture& p) {
  constexpr uint32_t kHeaders = 14 + 40;
  uint32_t colours = static_cast<uint32_t>(p.palette.size());
  uint32_t row = (p.width + 3) / 4 * 4;
  uint32_t pixels = kHeaders + 4 * colours;
  uint32_t total = pixels + row * p.height;
  std::string out;
  out.reserve(total);
  out += "BM";
  Put(out, total, 4);
  Put(out, 0, 4);
  Put(out, pixels, 4);
  Put(out, 40, 4);  // the info header
  Put(out, p.width, 4);
  Put(out, p.height, 4);
  Put(out, 1, 2);  // planes
  Put(out, 8, 2);  // bits per pixel
  Put(out, 0, 4);  // no compression
  Put(out, row * p.height, 4);
  Put(out, 2835, 4);  // 72 dots per inch, as dots per metre
  Put(out, 2835, 4);
  Put(out, colours, 4);
  Put(out, 0, 4);
  for (const png::Rgb& c : p.palette) {
    out += static_cast<char>(c.b);
    out += static_cast<char>(c.g);
    out += static_cast<char>(c.r);
    out += '\0';
  }
  for (uint32_t y = p.height; y-- > 0;) {
    for (uint32_t x = 0; x < p.width; ++x) out += static_cast<char>(p.pixels[static_cast<size_t>(y) * p.width + x]);
    out.append(row - p.width, '\0');
  }
  return out;
}

}  // namespace bmp
