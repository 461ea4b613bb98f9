#include "screens/menus/picture.h"

#include <algorithm>
#include <string>

#include "platform/host/files.h"
#include "platform/ui/ui.h"
#include "screens/window/controls.h"

namespace {

// The static of the background picture; it counts as shown while it lives,
// so a run that ends its main window starts the next one afresh.
ui::Hwnd g_shown = 0;

// The client area of the window less the margin on each side.
ui::Rect PictureArea(ui::Hwnd window) {
  ui::Rect c = ui::get_client_rect(window);
  int w = std::max(0, c.Width() - 2 * kPictureMargin);
  int h = std::max(0, c.Height() - 2 * kPictureMargin);
  return ui::Rect{kPictureMargin, kPictureMargin, kPictureMargin + w, kPictureMargin + h};
}

Status BackPictureShow(ui::Hwnd window, ui::Hbitmap bitmap) {
  ui::Rect r = PictureArea(window);
  return PictureSet(window, 0, bitmap, r.left, r.top, r.Width(), r.Height());
}

}  // namespace

ui::Hwnd PictureStaticCreate(ui::Hwnd parent, int x, int y, int width, int height) {
  constexpr uint32_t kStyle = ui::WS_CHILD | ui::WS_VISIBLE | ui::SS_BITMAP | ui::SS_CENTERIMAGE | ui::SS_SUNKEN;
  return ChildCreate(parent, "STATIC", "", kStyle, 0, x, y, width, height, kPictureId);
}

Status PictureSet(ui::Hwnd parent, ui::Hwnd picture, ui::Hbitmap bitmap, int x, int y, int width, int height) {
  if (!bitmap) return st::BADINPUTDATA;
  if (BackPictureShown()) {
    ui::delete_bitmap(bitmap);
    return 0;
  }
  if (!picture && parent && width > 0 && height > 0) picture = PictureStaticCreate(parent, x, y, width, height);
  if (!picture) {
    ui::delete_bitmap(bitmap);
    return st::BADINPUTDATA;
  }
  ui::set_image(picture, bitmap);
  g_shown = picture;
  return 0;
}

Status BackPictureResource(ui::Hwnd window) { return BackPictureShow(window, ui::load_bitmap_resource(kBackPictureResource)); }

Status BackPictureFile(ui::Hwnd window, StrValue fileName, int64_t size) {
  if (fileName.IsError() || fileName.len == 0) return st::BADINPUTDATA;
  std::string path = host::ResolvePath(fileName.View());
  host::FileInfo info;
  if (!host::Stat(path, &info) || info.isDir || info.size != size) return st::BADINPUTDATA;
  return BackPictureShow(window, ui::load_bitmap_file(path));
}

ui::Hwnd BackPictureShown() {
  if (g_shown && !ui::is_window(g_shown)) g_shown = 0;
  return g_shown;
}
