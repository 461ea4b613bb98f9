#include "devices/screenout.h"

#include <algorithm>
#include <map>
#include <new>
#include <string>

#include "platform/host/files.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/hostenv.h"
#include "runtime/streams.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/window/winlist.h"
#include "script/variables.h"

namespace {

constexpr char kReportClass[] = "Report";
constexpr char kReportTitle[] = "ReportWin";
constexpr uint32_t kButtonsItem = 9;    // of the settings list
constexpr int kEditId = 1;
constexpr int kTileWidth = 200;         // the tile layout's default width
constexpr int kTileGap = 6;
constexpr uint32_t kReadChunk = 65536;
constexpr int kTempAttempts = 8;

// Screen-output files still on disk, by stream slot: the path, and whether
// the stream is still open.
struct ScreenFile {
  std::string path;
  bool open = true;
};
std::map<uint16_t, ScreenFile> g_files;

Status Fail(Status code, std::string_view detail) {
  ErrDetailSet(code, StrMake(detail.data(), static_cast<uint32_t>(detail.size())), false);
  return ErrSet(1, MOD_DEVICES, code, code);
}

ScreenFile* FileOf(const DevRecord& rec) {
  auto it = g_files.find(rec.handle);
  return it == g_files.end() ? nullptr : &it->second;
}


StrValue ButtonCaptions() {
  StrValue items = DynStrGet(SettingsList, kButtonsItem);
  return items.len > 0 ? items : Msg("0020");
}

// The button row along the top (picture-button tiles of the default width,
// those past the client width left out) and the text below it.
void Layout(ui::Hwnd h) {
  CellSize cell = FontCellSize();
  ui::Rect client = ui::get_client_rect(h);
  int rowHeight = 2 * cell.height;
  int tileHeight = 2 * cell.height - cell.height / 2;
  for (ui::Hwnd child : ui::children(h)) {
    int id = ui::get_ctrl_id(child);
    if (id == kEditId) {
      ui::move_window(child, 0, rowHeight, client.Width(), std::max(0, client.Height() - rowHeight));
    } else if (id >= kReportButtonFirst) {
      int x = kTileGap / 2 + (id - kReportButtonFirst) * (kTileWidth + kTileGap);
      ui::move_window(child, x, (rowHeight - tileHeight) / 2, kTileWidth, tileHeight);
    }
  }
}

void ButtonsCreate(ui::Hwnd h) {
  int room = ui::get_client_rect(h).Width();
  StrListIter it(ButtonCaptions(), ',');
  int i = 0;
  for (StrValue caption; it.Next(&caption); ++i) {
    if (kTileGap / 2 + i * (kTileWidth + kTileGap) + kTileWidth > room && i > 0) break;
    ui::CreateSpec spec;
    spec.cls = "BUTTON";
    spec.title = StrUnquote(caption).View();
    spec.style = ui::WS_CHILD | ui::WS_VISIBLE | ui::WS_TABSTOP | ui::BS_PUSHBUTTON;
    spec.parent = h;
    spec.id = kReportButtonFirst + i;
    FontApply(ui::create_window(spec), kFontSystem);
  }
}

ui::LResult EditProc(ui::Hwnd h, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  auto previous = reinterpret_cast<ui::WndProc>(ui::get_user_data(h));
  if (m == ui::WM_KEYDOWN && wp == ui::VK_ESCAPE) {
    ui::send(ui::get_parent(h), ui::WM_CLOSE);
    return 0;
  }
  return previous ? ui::call_window_proc(previous, h, m, wp, lp) : ui::def_window_proc(h, m, wp, lp);
}

ui::LResult OnCreate(ui::Hwnd h) {
  ui::CreateSpec spec;
  spec.cls = "EDIT";
  spec.style = ui::WS_CHILD | ui::WS_VISIBLE | ui::WS_VSCROLL | ui::WS_HSCROLL | ui::ES_MULTILINE |
               ui::ES_AUTOVSCROLL | ui::ES_AUTOHSCROLL | ui::ES_READONLY;
  spec.parent = h;
  spec.id = kEditId;
  ui::Hwnd edit = ui::create_window(spec);
  if (!edit) return -1;
  ui::set_user_data(edit, reinterpret_cast<uintptr_t>(ui::set_window_proc(edit, EditProc)));
  FontApply(edit, kFontTable);
  ButtonsCreate(h);
  Layout(h);
  return 0;
}

// Lines and the longest line of a text (CR LF, CR or LF end a line).
ui::Point TextExtent(std::string_view text) {
  int lines = 1, longest = 0, current = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      longest = std::max(longest, ++current);
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    ++lines;
    current = 0;
  }
  return ui::Point{longest, lines};
}

// Reads the whole screen-output file into text; the stream stays open.
Status ReadAll(uint16_t slot, std::string& text) {
  int64_t size = StreamSize(slot);
  if (size < 0) return Fail(st::DISKIO, "screen output");
  if (static_cast<uint64_t>(size) >= kReportWinMaxBytes) return Fail(st::STRINGTOOLONG, "screen output");
  try {
    text.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return Fail(st::OUTOFMEMORY, "screen output");
  }
  size_t done = 0;
  while (done < text.size()) {
    uint32_t want = static_cast<uint32_t>(std::min<size_t>(kReadChunk, text.size() - done));
    uint32_t got = StreamRead(slot, static_cast<int64_t>(done), want, text.data() + done, want);
    if (got == kStreamFail || got == 0) break;
    done += got;
  }
  text.resize(done);
  return 0;
}

}  // namespace

StrValue DevUnixName(StrValue name) {
  if (name.IsError()) return name;
  bool mapped = StrListFind(StrFromC("lp0,lp1,lp2,usb0,usb1,usb2,usb3,usb4"), ',', name) != 0;
  return mapped ? StrFromC("unixprn.txt") : name;
}

// --- The screen-output file ---------------------------------------------------------

Status DevScreenOpen(DevRecord& rec) {
  uint16_t slot = StreamFreeSlot();
  if (slot == 65535) return Fail(st::DATAOUTBOUND, "screen output");
  std::string path;
  int fd = -1;
  for (int attempt = 0; attempt < kTempAttempts && fd < 0; ++attempt) {
    StrAreaScope scope;
    path = host::TempDirectory() + "/" + TempFileName(StrFromC("TXT")).Str();
    fd = host::Open(path, host::kOpenRead | host::kOpenWrite | host::kOpenCreate | host::kOpenExclusive);
  }
  if (fd < 0) return Fail(st::FILENOTFOUND, path);
  StreamSet(slot, fd);
  rec.handle = slot;
  g_files[slot] = ScreenFile{path, true};
  return 0;
}

Status DevScreenWrite(DevRecord& rec, StrValue text) {
  ScreenFile* file = FileOf(rec);
  if (!file || !file->open) return Fail(st::DEVICEIOERROR, "screen output");
  if (StreamWrite(rec.handle, kStreamHere, text.ptr, text.len) != text.len) return Fail(st::DEVICEIOERROR, file->path);
  return 0;
}

void DevScreenClose(DevRecord& rec) {
  ScreenFile* file = FileOf(rec);
  if (!file) return;
  if (file->open) StreamClose(rec.handle);
  host::Remove(file->path);
  g_files.erase(rec.handle);
}

// --- The report window ----------------------------------------------------------------

ui::Hwnd ReportWinCreate(int columns, int lines) {
  CellSize cell = FontCellSize();
  PxSize main = WinClientSize(0);  // the main window is always maximised
  int64_t width = std::min<int64_t>(main.width, static_cast<int64_t>(columns + 5) * cell.width + 24);
  int64_t height = std::min<int64_t>(main.height, static_cast<int64_t>(lines) * cell.height + 48);
  StrAreaScope scope;
  return WinClassCreate(StrFromC(kReportClass), StrFromC(kReportTitle),
                        ui::WS_POPUP | ui::WS_CAPTION | ui::WS_SYSMENU | kWinModalStyle, kWinDefault, 0,
                        static_cast<uint16_t>(std::clamp<int64_t>(width, 0, 0xFFFE)),
                        static_cast<uint16_t>(std::clamp<int64_t>(height, 0, 0xFFFE)), 0, ReportWinProc);
}

ui::LResult ReportWinProc(ui::Hwnd h, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  switch (m) {
    case ui::WM_CREATE:
      return OnCreate(h);
    case ui::WM_SETFOCUS:
      ui::set_focus(ui::get_dlg_item(h, kEditId));
      return 0;
    case ui::WM_COMMAND: {
      int id = ui::LoWord(wp);
      if (id >= kReportButtonFirst && ui::HiWord(wp) == 0) {
        VarSysIntSet(kSysCurEdFld, static_cast<int16_t>(id - kReportButtonFirst));
        ui::post(h, ui::WM_CLOSE);
      }
      return 0;
    }
    case ui::WM_DESTROY:
      WinUnregister(h);
      return 0;
    default:
      return ui::def_window_proc(h, m, wp, lp);
  }
}

Status ReportWinLoad(DevRecord& rec, ui::Hwnd* window) {
  *window = 0;
  ScreenFile* file = FileOf(rec);
  Status s = rec.status >= 128 ? rec.status : 0;
  if (!s && (!file || !file->open)) s = Fail(st::DEVICEIOERROR, "screen output");
  std::string text;
  if (!s) s = ReadAll(rec.handle, text);
  if (file && file->open) {
    StreamClose(rec.handle);
    file->open = false;
  }
  if (s) return s;
  ui::Point extent = TextExtent(text);
  ui::Hwnd h = ReportWinCreate(rec.width > 0 ? rec.width : extent.x, extent.y);
  if (!h) return Fail(st::WINCONTROLERROR, kReportClass);
  bool shown = false;
  ui::Hwnd edit = ui::get_dlg_item(h, kEditId);
  try {
    shown = ui::set_text(edit, text);
    ui::edit_set_sel(edit, 0, 0);  // the report is read from its start
  } catch (const std::bad_alloc&) {
    s = Fail(st::OUTOFMEMORY, "screen output");
  }
  if (!shown) {
    ui::destroy_window(h);
    return s ? s : Fail(st::WINCONTROLERROR, kReportClass);
  }
  ui::show_window(h, ui::Show::ShowNormal);
  *window = h;
  return 0;
}

Status ReportWinRun(DevRecord& rec) {
  bool plain = DynStrGet(SettingsList, kButtonsItem).len == 0;
  int16_t field = VarSysIntGet(kSysCurEdFld);
  ui::Hwnd caller = WinTop();
  ui::Hwnd window = 0;
  Status s = ReportWinLoad(rec, &window);
  if (window) WinModalReturn(caller, window);
  if (plain) VarSysIntSet(kSysCurEdFld, field);
  DevScreenClose(rec);
  return s;
}
