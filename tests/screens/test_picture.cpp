// The background picture: a static made for it over the client area less
// its margin, one picture a run, the program's bitmap 102 or a file of its
// one size.
#include <filesystem>
#include <fstream>

#include "screen_fixture.h"
#include "screens/menus/picture.h"
#include "support/bmp_fixture.h"

namespace {

class PictureTest : public ScreenUiTest {
 protected:
  void TearDown() override {
    ui::set_bitmap_resources(nullptr, 0);
    ScreenUiTest::TearDown();
  }
  bool Logged(const std::string& part) const {
    for (const std::string& line : hl->transcript())
      if (line.find(part) != std::string::npos) return true;
    return false;
  }
  ui::Hbitmap Bitmap() {
    BmpWrite(dir.File("pic.bmp"), 3, 2);
    return ui::load_bitmap_file(dir.File("pic.bmp"));
  }
};

TEST_F(PictureTest, SetMakesTheStaticWhereNoneIsGivenAndRefusesWithoutStaticOrBitmap) {
  ui::Hwnd w = Window(0, 0, 400, 300);
  EXPECT_EQ(PictureSet(w, 0, 0, 3, 3, 100, 50), st::BADINPUTDATA);  // no bitmap
  EXPECT_EQ(PictureSet(0, 0, Bitmap(), 3, 3, 100, 50), st::BADINPUTDATA);  // no parent
  EXPECT_EQ(PictureSet(w, 0, Bitmap(), 3, 3, 0, 50), st::BADINPUTDATA);  // no size
  EXPECT_EQ(ui::children(w).size(), 0u);
  ui::Hbitmap b = Bitmap();
  ASSERT_EQ(PictureSet(w, 0, b, 3, 4, 100, 50), 0);
  ui::Hwnd pic = BackPictureShown();
  ASSERT_NE(pic, 0u);
  EXPECT_EQ(ui::get_parent(pic), w);
  EXPECT_EQ(ui::get_ctrl_id(pic), kPictureId);
  EXPECT_EQ(ui::class_name(pic), "STATIC");
  EXPECT_EQ(ui::get_style(pic), ui::WS_CHILD | ui::WS_VISIBLE | ui::SS_BITMAP | ui::SS_CENTERIMAGE | ui::SS_SUNKEN);
  EXPECT_EQ(ui::get_window_rect(pic).left, 3);
  EXPECT_EQ(ui::get_window_rect(pic).top, 4);
  EXPECT_EQ(ui::get_image(pic), b);
  // A second request leaves the first picture and makes nothing.
  EXPECT_EQ(PictureSet(w, 0, Bitmap(), 0, 0, 10, 10), 0);
  EXPECT_EQ(ui::get_image(pic), b);
  EXPECT_EQ(ui::children(w).size(), 1u);
  // A new run (the window gone) shows a picture again.
  ui::destroy_window(w);
  EXPECT_EQ(BackPictureShown(), 0u);
}

TEST_F(PictureTest, BackPictureIsTheProgramsBitmapOrTheFileOfItsOneSize) {
  ui::Hwnd w = Window(0, 0, 400, 300);
  EXPECT_EQ(BackPictureResource(w), st::BADINPUTDATA);  // the program carries none
  const std::string exact = BmpBytes(1422, 64);
  ASSERT_EQ(static_cast<int64_t>(exact.size()), kBackPictureFileSize);
  const struct {
    const char* id;
    std::string bytes;  // none when empty
    Status want;
  } files[] = {
      {"missing", "", st::BADINPUTDATA},
      {"other size", BmpBytes(1422, 63), st::BADINPUTDATA},
      {"right size, no picture", std::string(exact.size(), 'x'), st::BADINPUTDATA},
      {"right size", exact, 0},
  };
  for (const auto& f : files) {
    std::filesystem::remove(dir.File("LOGO.BMP"));
    if (!f.bytes.empty()) std::ofstream(dir.File("LOGO.BMP"), std::ios::binary) << f.bytes;
    EXPECT_EQ(BackPictureFile(w, S(dir.File("logo.bmp")), kBackPictureFileSize), f.want) << f.id;
  }
  ui::Hwnd pic = BackPictureShown();
  ASSERT_NE(pic, 0u);
  ui::Rect r = ui::get_window_rect(pic);  // the client area less 3 pixels each way
  EXPECT_EQ(r.left, 3);
  EXPECT_EQ(r.top, 3);
  EXPECT_EQ(r.Width(), 394);
  EXPECT_EQ(r.Height(), 294);
  ui::BitmapInfo info;
  ASSERT_TRUE(ui::bitmap_info(ui::get_image(pic), info));
  EXPECT_EQ(info.name, "LOGO.BMP");  // found whatever the case of its name
  EXPECT_TRUE(Logged("image #2 file="));
  ui::destroy_window(w);

  const std::string small = BmpBytes(8, 4);
  const ui::BitmapResource table[] = {
      {kBackPictureResource, "Logo", reinterpret_cast<const unsigned char*>(small.data()), small.size()}};
  ui::set_bitmap_resources(table, 1);
  w = Window(0, 0, 400, 300);
  ASSERT_EQ(BackPictureResource(w), 0);
  ASSERT_TRUE(ui::bitmap_info(ui::get_image(BackPictureShown()), info));
  EXPECT_EQ(info.resource, kBackPictureResource);
  EXPECT_TRUE(Logged("resource=102 name=\"Logo\" size=8x4"));
}

}  // namespace
