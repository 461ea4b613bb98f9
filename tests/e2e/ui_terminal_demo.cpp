// A small program of windows for the terminal tests (tests/e2e/terminal_*.sh):
// a main window with a menu bar, and a record form with every kind of
// control, run by the programs' own message loop and window list. It stands
// where the programs' main window and maintenance windows will stand.
//
// It writes what it was told into files of the current directory:
// "keys.log" (every key-down and character a form control received),
// "events.log" (commands, answers of boxes and popups) and "saved.txt" (the
// bytes of the name field as hexadecimal, on Save).
#include <cstdio>
#include <string>
#include <vector>

#include "platform/dialogs/filedialog.h"
#include "platform/ui/backend.h"
#include "platform/ui/ui.h"
#include "runtime/strvalue.h"
#include "screens/window/winlist.h"

namespace {

using namespace ui;

constexpr int kCustomers = 1501, kPopup = 1502, kExit = 1503, kOpenFile = 1504, kAbout = 1510, kDeep = 1511, kQuit = 1520;
constexpr int kName = 2000, kCode = 2001, kPassword = 2002, kActive = 2003, kProgress = 2004, kTowns = 2005,
              kEntries = 2006, kLogo = 2007, kNext = 3000, kSave = 3001, kDelete = 3002, kStatus = 4000;
constexpr int kCellW = 12, kCellH = 24;

const char* const kRecords[] = {"Pe\xF1" "a", "Garc\xED" "a", "N\xFA\xF1" "ez"};
int g_record = 0;
Hwnd g_main = 0;
std::vector<Hwnd> g_order;  // the form's controls in tab order
WndProc g_controlProc[8000];

void append(const char* file, const std::string& line) {
  if (FILE* f = std::fopen(file, "ab")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

void status(const std::string& text) { set_text(get_dlg_item(g_main, kStatus), text); }

Hwnd control(Hwnd parent, const char* cls, int id, const char* text, uint32_t style, int col, int row, int cols,
             int rows = 1, int dx = 0) {
  CreateSpec s;
  s.cls = cls;
  s.title = text;
  s.style = WS_CHILD | WS_VISIBLE | style;
  s.parent = parent;
  s.id = id;
  s.x = col * kCellW + dx, s.y = row * kCellH, s.width = cols * kCellW, s.height = rows * kCellH;
  return create_window(s);
}

// Keys of the form's controls: logged, Esc closes the form, Tab and
// Shift+Tab move between the controls, Enter presses a button.
LResult control_proc(Hwnd h, Msg m, WParam wp, LParam lp) {
  int id = get_ctrl_id(h);
  if (m == WM_KEYDOWN) {
    append("keys.log", "down " + std::to_string(wp) + ((lp & KEY_SHIFT) ? "+shift" : "") +
                           ((lp & KEY_CTRL) ? "+ctrl" : "") + ((lp & KEY_ALT) ? "+alt" : ""));
    if (wp == VK_ESCAPE) return post(get_parent(h), WM_CLOSE), 0;
    if (wp == VK_TAB) {
      size_t i = 0;
      while (i < g_order.size() && g_order[i] != h) ++i;
      size_t n = g_order.size();
      set_focus(g_order[(lp & KEY_SHIFT) ? (i + n - 1) % n : (i + 1) % n]);
      return 0;
    }
    if (wp == VK_RETURN && class_name(h) == "BUTTON") {
      send(get_parent(h), WM_COMMAND, MakeLong(static_cast<uint16_t>(id), 0), static_cast<LParam>(h));
      return 0;
    }
  }
  if (m == WM_CHAR) append("keys.log", "char " + std::to_string(wp));
  return call_window_proc(g_controlProc[id], h, m, wp, lp);
}

std::string hex(const std::string& s) {
  std::string out;
  char buf[4];
  for (unsigned char c : s) {
    std::snprintf(buf, sizeof buf, "%02X", c);
    out += buf;
  }
  return out;
}

// As the screens' base procedure: the last window leaving the list ends the
// loop; a close request destroys the window.
LResult base_proc(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (m == WM_DESTROY && WinUnregister(h)) PostQuit(h);
  return m == WM_DESTROY ? 0 : def_window_proc(h, m, wp, lp);
}

LResult form_proc(Hwnd h, Msg m, WParam wp, LParam lp) {
  switch (m) {
    case WM_COMMAND:
      switch (LoWord(wp)) {
        case kNext:
          g_record = (g_record + 1) % 3;
          set_text(get_dlg_item(h, kName), kRecords[g_record]);
          return 0;
        case kSave:
          append("saved.txt", hex(get_text(get_dlg_item(h, kName))));
          return 0;
        case kDelete: {
          int a = message_box(h, "Delete this record?", "Delete", MB_YESNO | MB_ICONQUESTION);
          append("events.log", std::string("delete ") + (a == IDYES ? "yes" : "no"));
          return 0;
        }
        default:
          return 0;
      }
    default:
      return base_proc(h, m, wp, lp);
  }
}

void open_form() {
  Hwnd f = WinClassCreate(StrFromC("KxForm"), StrFromC("Customer"), WS_CAPTION | WS_SYSMENU | kWinModalStyle,
                          4 * kCellW, 3 * kCellH, 60 * kCellW, 15 * kCellH, 0, form_proc);
  g_order.clear();
  control(f, "STATIC", 4001, "Name:", 0, 1, 1, 8);
  // Fields sit a quarter cell left of their column, as the screens place them.
  g_order.push_back(control(f, "EDIT", kName, kRecords[g_record], ES_AUTOHSCROLL, 11, 1, 20, 1, -kCellW / 4));
  control(f, "STATIC", 4002, "Code:", 0, 1, 2, 8);
  g_order.push_back(control(f, "EDIT", kCode, "4300", ES_RIGHT, 11, 2, 8, 1, -kCellW / 4));
  control(f, "STATIC", 4003, "Password:", 0, 1, 3, 9);
  g_order.push_back(control(f, "EDIT", kPassword, "abc", ES_PASSWORD, 11, 3, 8, 1, -kCellW / 4));
  Hwnd active = control(f, "BUTTON", kActive, "Active", BS_AUTOCHECKBOX, 1, 4, 12);
  button_set_check(active, true);
  g_order.push_back(active);
  Hwnd bar = control(f, "msctls_progress32", kProgress, "", 0, 1, 5, 22);
  send(bar, PBM_SETPOS, 40, 0);
  Hwnd towns = control(f, "LISTBOX", kTowns, "", LBS_NOTIFY, 1, 6, 20, 5);
  for (const char* t : {"Madrid", "Sevilla", "Bilbao", "Le\xF3n"}) listbox_add(towns, t);
  listbox_set_sel(towns, 0);
  g_order.push_back(towns);
  Hwnd lv = control(f, "SysListView32", kEntries, "", LVS_REPORT | LVS_SINGLESEL, 24, 6, 30, 5);
  lv_insert_column(lv, 0, "Date", 10 * kCellW, Align::Left);
  lv_insert_column(lv, 1, "Amount", 10 * kCellW, Align::Right);
  const char* rows[][2] = {{"01/02/24", "120.50"}, {"15/02/24", "80.00"}, {"03/03/24", "1,200.00"}};
  for (int i = 0; i < 3; ++i) {
    lv_insert_item(lv, i, rows[i][0]);
    lv_set_item_text(lv, i, 1, rows[i][1]);
  }
  lv_set_item_state(lv, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  g_order.push_back(lv);
  Hwnd logo = control(f, "STATIC", kLogo, "", 0, 24, 1, 14, 4);
  if (Hbitmap b = load_bitmap_file("logo.bmp")) set_image(logo, b);
  for (auto [id, cap, col] : {std::tuple{kNext, "&Next", 14}, {kSave, "&Save", 25}, {kDelete, "&Delete", 36}})
    g_order.push_back(control(f, "BUTTON", id, cap, BS_PUSHBUTTON, col, 12, 10));
  for (Hwnd c : g_order) g_controlProc[get_ctrl_id(c)] = set_window_proc(c, control_proc);
  show_window(f, Show::Show);
  set_focus(g_order.front());
  edit_set_sel(g_order.front(), 0, -1);
  WinModalReturn(g_main, f);
}

LResult main_proc(Hwnd h, Msg m, WParam wp, LParam lp) {
  switch (m) {
    case WM_COMMAND:
      append("events.log", "command " + std::to_string(LoWord(wp)));
      switch (LoWord(wp)) {
        case kCustomers: open_form(); return 0;
        case kPopup: {
          Hmenu p = menu_create_popup();
          menu_append_item(p, 1, "&Copy");
          menu_append_item(p, 2, "&Paste");
          menu_append_item(p, 3, "&Erase");
          int id = track_popup_menu(h, p, Point{20 * kCellW, 6 * kCellH}, TPM_RETURNCMD);
          menu_destroy(p);
          append("events.log", "popup " + std::to_string(id));
          status("popup " + std::to_string(id));
          return 0;
        }
        case kOpenFile: {
          FileDialogRecord rec;
          FileDialogFill(rec, false, "PAN", "CUSTOMER.PAN", "Screen Files (*.PAN),*.PAN,All Files (*.*),*.*",
                         "Open a screen");
          std::string got = FileDialogRun(rec) == kFileDialogChosen ? rec.file : "cancel";
          append("events.log", "file " + got);
          status("file " + got);
          return 0;
        }
        case kAbout: message_box(h, "A demo of the terminal.", "About", MB_OK | MB_ICONINFORMATION); return 0;
        case kDeep: status("deep"); return 0;
        case kExit:
        case kQuit: post(h, WM_CLOSE); return 0;
        default: return 0;
      }
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE) post(h, WM_CLOSE);
      return 0;
    case WM_CLOSE: {
      // A close request of a signal asks nothing.
      bool yes = AppCloseSignalled() || message_box(h, "Exit the program?", "Exit", MB_YESNO | MB_ICONQUESTION) == IDYES;
      append("events.log", std::string("exit ") + (yes ? "yes" : "no"));
      if (yes) destroy_window(h);
      return 0;
    }
    default:
      return base_proc(h, m, wp, lp);
  }
}

Hmenu main_menu() {
  Hmenu file = menu_create_popup(), help = menu_create_popup(), more = menu_create_popup();
  menu_append_item(file, kCustomers, "&Customers");
  menu_append_item(file, kPopup, "&Popup");
  menu_append_item(file, kOpenFile, "&Open file");
  menu_append_item(file, 0, "");
  menu_append_item(file, kExit, "E&xit");
  menu_append_item(more, kDeep, "&Deep");
  menu_append_item(help, kAbout, "&About");
  menu_append_popup(help, more, "&More");
  Hmenu bar = menu_create_bar();
  menu_append_popup(bar, file, "&File");
  menu_append_popup(bar, help, "&Help");
  menu_append_item(bar, kQuit, "&Quit");
  return bar;
}

}  // namespace

int main() {
  if (Status s = AppInstanceInit(nullptr, nullptr, nullptr)) return AppInstanceReport(s);
  g_main = WinClassCreate(StrFromC("KxMain"), StrFromC("Demo"), WS_CAPTION | WS_SYSMENU, kWinDefault, kWinDefault,
                          kWinDefault, kWinDefault, main_menu(), main_proc);
  control(g_main, "STATIC", 4010, "Main window: F10 opens the menu.", 0, 2, 1, 40);
  control(g_main, "STATIC", kStatus, "", 0, 2, 3, 40);
  WinShowState(kWinShowMaximized);
  WinRunModal(0);
  AppSignalsRestore();
  shutdown();
  return 0;
}
