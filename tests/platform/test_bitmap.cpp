// Pictures of the window system: a BMP file is taken only when its header
// holds and its pixels lie inside it; compiled-in pictures by number.
#include <cstring>
#include <fstream>

#include "support/bmp_fixture.h"
#include "support/headless_fixture.h"
#include "support/runtime_fixture.h"
#include "test_ui_fixture.h"

namespace uitest {
namespace {

// The header field at an offset replaced by a little-endian value.
std::string Patched(std::string b, size_t at, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
  return b;
}

TEST(Bitmaps, AFileIsAPictureOnlyWhenItsHeaderAndPixelsHold) {
  std::vector<std::string> reports;
  HeadlessInstall(&reports);
  TempDir dir;
  const std::string good = BmpBytes(5, 3);  // rows of 16 bytes
  const struct {
    const char* id;
    std::string bytes;
    bool taken;
  } cases[] = {
      {"good", good, true},
      {"top-down rows", Patched(good, 22, static_cast<uint32_t>(-3), 4), true},
      {"empty", "", false},
      {"signature only", "BM", false},
      {"other signature", Patched(good, 0, 'P' | 'K' << 8, 2), false},
      {"cut short", good.substr(0, good.size() - 1), false},
      {"width 0", Patched(good, 18, 0, 4), false},
      {"unknown header size", Patched(good, 14, 20, 4), false},
      {"pixels beyond the file", Patched(good, 10, static_cast<uint32_t>(good.size() + 1), 4), false},
      {"17 bits a pixel", Patched(good, 28, 17, 2), false},
  };
  for (const auto& c : cases) {
    std::string path = dir.File(std::string(c.id) + ".bmp");
    std::ofstream(path, std::ios::binary) << c.bytes;
    Hbitmap b = load_bitmap_file(path);
    EXPECT_EQ(b != 0, c.taken) << c.id;
    BitmapInfo info;
    if (b) {
      ASSERT_TRUE(bitmap_info(b, info));
      EXPECT_EQ(info.width, 5) << c.id;
      EXPECT_EQ(info.height, 3) << c.id;
      EXPECT_EQ(info.path, path);
      EXPECT_EQ(info.name, std::string(c.id) + ".bmp");
    }
  }
  EXPECT_EQ(load_bitmap_file(dir.File("missing.bmp")), 0u);
  EXPECT_TRUE(reports.empty());
}

TEST(Bitmaps, CompiledInPicturesByNumberAndNoneWhenHidden) {
  std::vector<std::string> reports;
  HeadlessInstall(&reports);
  const std::string good = BmpBytes(2, 2);
  const std::string bad = "BMnot a picture";
  const BitmapResource table[] = {
      {102, "Logo", reinterpret_cast<const unsigned char*>(good.data()), good.size()},
      {103, "Broken", reinterpret_cast<const unsigned char*>(bad.data()), bad.size()},
  };
  set_bitmap_resources(table, 2);
  Hbitmap b = load_bitmap_resource(102);
  BitmapInfo info;
  ASSERT_TRUE(bitmap_info(b, info));
  EXPECT_EQ(info.resource, 102);
  EXPECT_EQ(info.name, "Logo");
  EXPECT_EQ(info.path, "");
  EXPECT_EQ(info.width, 2);
  EXPECT_EQ(load_bitmap_resource(103), 0u);  // bytes that are no picture
  EXPECT_EQ(load_bitmap_resource(104), 0u);
  HeadlessInstall(&reports);  // the table is the program's: it outlives a new back end
  EXPECT_NE(load_bitmap_resource(102), 0u);
  set_bitmap_resources(nullptr, 0);
  EXPECT_EQ(load_bitmap_resource(102), 0u);
}

}  // namespace
}  // namespace uitest
