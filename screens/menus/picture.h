// Pictures: the main window's background picture.
//
// A picture is shown in a STATIC child that holds a bitmap (SS_BITMAP),
// centred in it and framed sunken. A program run shows one background
// picture: once one is shown (its static still lives), later requests
// change nothing and answer 0. The picture is the program's compiled-in
// bitmap 102, or a bitmap file of one exact size; the start-up tries them
// in that order (app/startup.h MainWindowOpen).
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kBackPictureResource = 102;
constexpr int64_t kBackPictureFileSize = 273206;  // the only size a picture file is shown at
constexpr int kPictureId = 0xFFFF;
constexpr int kPictureMargin = 3;  // pixels between the window's client edge and the picture

// A STATIC child of the parent at the rectangle for a picture (visible,
// SS_BITMAP, SS_CENTERIMAGE, SS_SUNKEN, id kPictureId); 0 when not made.
ui::Hwnd PictureStaticCreate(ui::Hwnd parent, int x, int y, int width, int height);
// Shows the bitmap in the static; with no static, one is made on the parent
// at the rectangle when the parent and a size are given. 163 when there is
// no bitmap or no static. With a picture already shown: 0, and the bitmap
// given is let go. The static keeps the bitmap.
Status PictureSet(ui::Hwnd parent, ui::Hwnd picture, ui::Hbitmap bitmap, int x, int y, int width, int height);
// PictureSet of the program's bitmap 102 over the window's client area
// less the margin on each side; 163 when the program carries none.
Status BackPictureResource(ui::Hwnd window);
// The same with the bitmap file, shown only when its size is `size` bytes;
// 163 for a missing file, another size, or a file that is no bitmap.
Status BackPictureFile(ui::Hwnd window, StrValue fileName, int64_t size);
// The static of the picture shown, 0 when none is.
ui::Hwnd BackPictureShown();
