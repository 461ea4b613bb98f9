// A small PNG writer: an 8-bit palette picture, its rows stored without
// compression (deflate's stored blocks), so it needs no library. Used to
// make the demo header pictures at build time and pictures in tests.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace png {

struct Rgb {
  uint8_t r, g, b;
};

// A picture of palette indices, row by row.
struct Picture {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<Rgb> palette;      // at most 256 colours
  std::vector<uint8_t> pixels;  // width * height indices
  uint8_t& At(unsigned x, unsigned y) { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline uint32_t Crc(const std::string& bytes, size_t from) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = from; i < bytes.size(); ++i) c = table[(c ^ static_cast<uint8_t>(bytes[i])) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

inline void Put32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

inline void Chunk(std::string& out, const char* type, const std::string& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  size_t start = out.size();
  out += type;
  out += data;
  Put32(out, Crc(out, start));
}

// The PNG file's bytes.
inline std::string Encode(const Picture& p) {
  std::string raw;  // each row behind its filter byte 0
  for (unsigned y = 0; y < p.height; ++y) {
    raw += '\0';
    raw.append(reinterpret_cast<const char*>(&p.pixels[static_cast<size_t>(y) * p.width]), p.width);
  }
  std::string z = "\x78\x01";  // zlib header: deflate, no dictionary
  for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    size_t n = std::min<size_t>(65535, raw.size() - at);
    bool last = at + n >= raw.size();
    z += static_cast<char>(last ? 1 : 0);
    z += static_cast<char>(n & 0xFF);
    z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF);
    z += static_cast<char>((~n >> 8) & 0xFF);
    z.append(raw, at, n);
    if (last) break;
  }
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Put32(z, (b << 16) | a);

  std::string out = "\x89PNG\r\n\x1a\n";
  std::string head;
  Put32(head, p.width);
  Put32(head, p.height);
  head += std::string("\x08\x03\x00\x00\x00", 5);  // 8 bits, palette, deflate, no filter, no interlace
  Chunk(out, "IHDR", head);
  std::string plte;
  for (const Rgb& c : p.palette) {
    plte += static_cast<char>(c.r);
    plte += static_cast<char>(c.g);
    plte += static_cast<char>(c.b);
  }
  Chunk(out, "PLTE", plte);
  Chunk(out, "IDAT", z);
  Chunk(out, "IEND", "");
  return out;
}

}  // namespace png
