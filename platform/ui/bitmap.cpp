// Pictures: BMP files from disk and the program's compiled-in resources.
//
// Nothing is decoded: a picture is known by its source and its size, which
// is what the back ends show (a transcript line, a framed placeholder). The
// header is still checked the way a picture loader would, so a file that is
// no BMP, or one cut short, gives no picture.
#include <cstdio>
#include <cstring>

#include "platform/ui/core_internal.h"

namespace ui {

using namespace detail;

namespace {

const BitmapResource* g_resources = nullptr;
size_t g_resourceCount = 0;

constexpr size_t kFileHeader = 14;
constexpr size_t kCoreHeader = 12;  // the oldest info header, 16-bit sizes
constexpr size_t kHeaderRead = kFileHeader + 40;

uint32_t u16(const unsigned char* p) { return p[0] | p[1] << 8; }
uint32_t u32(const unsigned char* p) { return u16(p) | u16(p + 2) << 16; }

// Width and height of a BMP whose first bytes are `head` (at least the file
// header and 4 bytes more) and whose whole size is `total`; false when the
// bytes are no BMP a loader would take.
bool bmp_size(const unsigned char* head, size_t have, uint64_t total, int* width, int* height) {
  if (have < kFileHeader + 4 || head[0] != 'B' || head[1] != 'M') return false;
  uint32_t pixels = u32(head + 10);
  uint32_t info = u32(head + kFileHeader);
  uint64_t w = 0, bits = 0, compression = 0;
  int64_t h = 0;
  if (info == kCoreHeader) {
    if (have < kFileHeader + kCoreHeader) return false;
    w = u16(head + 18);
    h = u16(head + 20);
    if (u16(head + 22) != 1) return false;
    bits = u16(head + 24);
  } else if (info >= 40 && info <= 124) {
    if (have < kFileHeader + 40) return false;
    w = u32(head + 18);
    h = static_cast<int32_t>(u32(head + 22));
    if (u16(head + 26) != 1) return false;
    bits = u16(head + 28);
    compression = u32(head + 30);
  } else {
    return false;
  }
  if (w == 0 || h == 0 || w > 0x7FFF || h > 0x7FFF || h < -0x7FFF) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  if (pixels < kFileHeader + info || pixels > total) return false;
  uint64_t rows = static_cast<uint64_t>(h < 0 ? -h : h);
  // Uncompressed rows (or bit-field masks) must all lie in the file; the run
  // lengths of a compressed one need only start inside it.
  if (compression == 0 || compression == 3) {
    uint64_t row = (w * bits + 31) / 32 * 4;
    if (pixels + row * rows > total) return false;
  } else if (compression > 2 || pixels >= total) {
    return false;
  }
  *width = static_cast<int>(w);
  *height = static_cast<int>(rows);
  return true;
}

Hbitmap add(BitmapInfo info) {
  Core& c = core();
  Hbitmap b = c.nextBitmap++;
  c.bitmaps[b] = std::move(info);
  return b;
}

}  // namespace

void set_bitmap_resources(const BitmapResource* table, size_t count) {
  g_resources = count ? table : nullptr;
  g_resourceCount = table ? count : 0;
}

Hbitmap load_bitmap_file(std::string_view path) {
  std::string p(path);
  FILE* f = std::fopen(p.c_str(), "rb");
  if (!f) return 0;
  unsigned char head[kHeaderRead];
  size_t have = std::fread(head, 1, sizeof head, f);
  long total = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
  std::fclose(f);
  BitmapInfo info;
  if (total < 0 || !bmp_size(head, have, static_cast<uint64_t>(total), &info.width, &info.height)) return 0;
  size_t cut = p.find_last_of("/\\");
  info.name = cut == std::string::npos ? p : p.substr(cut + 1);
  info.path = std::move(p);
  return add(std::move(info));
}

Hbitmap load_bitmap_resource(int id) {
  for (size_t i = 0; i < g_resourceCount; ++i) {
    const BitmapResource& r = g_resources[i];
    if (r.id != id || !r.bytes) continue;
    BitmapInfo info;
    if (!bmp_size(r.bytes, r.size, r.size, &info.width, &info.height)) return 0;
    info.resource = id;
    info.name = r.name ? r.name : "";
    return add(std::move(info));
  }
  return 0;
}

bool bitmap_info(Hbitmap b, BitmapInfo& out) {
  BitmapInfo* info = lookup(core().bitmaps, b);
  if (!info) return false;
  out = *info;
  return true;
}

std::string bitmap_path(Hbitmap b) {
  BitmapInfo* info = lookup(core().bitmaps, b);
  return info ? info->path : std::string();
}

bool delete_bitmap(Hbitmap b) { return core().bitmaps.erase(b) != 0; }

}  // namespace ui
