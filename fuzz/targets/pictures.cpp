// The picture reader: the input is a picture file. It is loaded as a file
// and as the program's compiled-in picture, and shown as the background
// picture of a window (the file's size is the size asked for, so the header
// decides); the window is then closed, so the next input may show one again.
#include "fuzz/harness.h"
#include "platform/ui/ui.h"
#include "screens/menus/picture.h"
#include "screens/window/winlist.h"

KX_FUZZ_TARGET(pictures) {
  FuzzSession session;
  if (!session.ok()) return 0;
  FuzzWriteFile("PIC.BMP", FuzzText(data, size));
  const StrAreaScope scope;
  FuzzAppSettings();
  if (ui::Hbitmap b = ui::load_bitmap_file("PIC.BMP")) {
    ui::BitmapInfo info;
    ui::bitmap_info(b, info);
    ui::delete_bitmap(b);
  }
  const ui::BitmapResource table[] = {{kBackPictureResource, "fuzz", data, size}};
  ui::set_bitmap_resources(table, 1);
  for (bool fromFile : {false, true}) {
    ui::Hwnd w = WinClassCreate(StrFromC("FzPicture"), StrFromC("Fuzz"), 0, 0, 0, 400, 300, 0, nullptr);
    if (!w) break;
    if (fromFile) BackPictureFile(w, StrFromC("PIC.BMP"), static_cast<int64_t>(size));
    else BackPictureResource(w);
    WinDestroy(w);
  }
  ui::set_bitmap_resources(nullptr, 0);
  return 0;
}
