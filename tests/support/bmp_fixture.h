// Picture files for tests: an uncompressed 24-bit BMP of a size, every
// pixel white. Its file is 54 + height x (3 x width rounded up to 4) bytes.
#pragma once
#include <cstdint>
#include <fstream>
#include <string>

inline std::string BmpBytes(uint32_t width, uint32_t height) {
  uint32_t row = (3 * width + 3) / 4 * 4;
  uint32_t total = 54 + row * height;
  std::string b;
  auto put = [&b](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b += static_cast<char>(v >> (8 * i) & 0xFF);
  };
  b += "BM";
  put(total, 4), put(0, 4), put(54, 4);
  put(40, 4), put(width, 4), put(height, 4), put(1, 2), put(24, 2), put(0, 4), put(row * height, 4);
  put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
  for (uint32_t y = 0; y < height; ++y) {
    b.append(3 * width, '\xFF');
    b.append(row - 3 * width, '\0');
  }
  return b;
}

inline void BmpWrite(const std::string& path, uint32_t width = 1, uint32_t height = 1) {
  std::ofstream(path, std::ios::binary) << BmpBytes(width, height);
}
