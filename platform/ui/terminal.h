// The terminal back end of the window system: the programs in a terminal.
//
// The core keeps every position in pixels; this back end shows one
// character cell of the screens' font (ui::cell_size) as one character.
// Pixel coordinates become cells by rounding to the nearest cell, so a field
// placed a quarter cell left of its label still starts in the label's
// column; a top-level window's size is rounded apart from its corner, so
// its cells hold what its client area does wherever it stands.
//
// Screen layout: top-level windows in the core's z-order, each framed with
// its title in the top border (the caption row); a window's menu bar is the
// row under its caption; the last line of the terminal is a status line and
// is not part of the work area. Captions and menu bars are one cell high,
// frames take no pixels (their lines are drawn just outside the window).
//
// What is drawn (terminal_draw.cpp, without the terminal: tests render into
// a Canvas): EDIT in reverse video with the caret (passwords masked), a
// multi-line EDIT as a framed text area from the first line and column its
// scroll positions hold (the caret kept inside; arrows, PgUp and PgDn move
// it, ui.h),
// buttons as "[ Caption ]" (widened into free cells beside them where
// their pixel width is too few cells for that), check boxes as
// "[x] Caption", static texts, progress bars as "[###   ]", list boxes with
// one row per item their pixel height holds (framed where there are cells
// for the frame) and combo boxes as framed lists,
// list views as tables (header, rows, the selection highlighted), pictures
// and bitmap buttons as a framed placeholder holding the file's name,
// owner-drawn buttons as their text; disabled windows dimmed. Texts are
// Windows-1252 inside and become Unicode only here; the terminal shows "?"
// for a character its encoding lacks.
//
// Input (terminal.cpp): each key becomes its virtual key with a key-up after
// it (input_key), a mouse click a click on the control under it
// (input_click). F10 on the active window with a menu bar, or a click on a
// bar, opens the menu (MenuTracker): arrows and Enter choose, and the item
// reaches the window as WM_COMMAND. Message boxes, popup menus and the file
// and folder dialogs are modal overlays answered by keys (Esc = Cancel, No
// or none); a SIGINT or SIGTERM answers them as Esc does, so the close
// request of the signal goes on.
//
// Only windows marked dirty by the core's events are drawn again, when the
// program is idle. Waiting blocks in poll() on standard input until input, a
// signal or the next timer; the input check of a busy pump is throttled.
// The terminal is restored on every exit, including a fatal signal and a
// signal that ends the program the default way.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/backend.h"

namespace ui {

// The terminal back end, or null with the reason when standard input and
// output are not a terminal or the terminal cannot be set up.
std::unique_ptr<Backend> open_terminal_backend(std::string& why);

namespace term {

// ---- Characters -------------------------------------------------------------
// The Unicode character of a Windows-1252 byte; 0 for the five bytes that
// have none (0x81, 0x8D, 0x8F, 0x90, 0x9D).
char32_t from_cp1252(unsigned char c);
// The Windows-1252 byte of a Unicode character, -1 when it has none.
int to_cp1252(char32_t u);

// ---- Cells ------------------------------------------------------------------
int to_cell(int px, int cell);  // nearest cell, halves rounded up
struct CellRect {
  int col0 = 0, row0 = 0, col1 = 0, row1 = 0;  // [col0, col1) x [row0, row1)
  int width() const { return col1 - col0; }
  int height() const { return row1 - row0; }
  bool empty() const { return col1 <= col0 || row1 <= row0; }
  bool contains(int col, int row) const { return col >= col0 && col < col1 && row >= row0 && row < row1; }
};
CellRect intersect(const CellRect& a, const CellRect& b);
// The metrics of a terminal of cols x rows characters: the work area is every
// line but the status line; frames take no pixels, a caption and a menu bar
// one cell each; text metrics that give back the cell by the screens' +1 / +3
// rule.
Profile terminal_profile(int cols, int rows, Point cell);
// A pixel rectangle in cells; a rectangle with a size keeps at least one cell.
CellRect to_cells(Rect r, Point cell);

enum Attr : uint16_t {
  kNormal = 0,
  kReverse = 1,
  kBold = 2,
  kDim = 4,
  kUnderline = 8,
  kTable = 16,  // the list-view colour, where the terminal has colours
};

struct Cell {
  char32_t ch = U' ';
  uint16_t attr = kNormal;
  bool operator==(const Cell&) const = default;
};

// A grid of cells the screen is drawn into; everything outside it (or
// outside the clip given) is dropped.
class Canvas {
 public:
  Canvas(int cols = 0, int rows = 0) { resize(cols, rows); }
  void resize(int cols, int rows);
  int cols() const { return cols_; }
  int rows() const { return rows_; }
  CellRect bounds() const { return CellRect{0, 0, cols_, rows_}; }
  void clear();
  void put(int col, int row, char32_t ch, uint16_t attr, const CellRect& clip);
  // Windows-1252 text from (col, row), at most `width` cells; answers the
  // cells used.
  int text(int col, int row, std::string_view cp1252, uint16_t attr, const CellRect& clip, int width = 1 << 20);
  void fill(const CellRect& r, uint16_t attr, const CellRect& clip);
  // Frame lines on the border cells of r.
  void frame(const CellRect& r, uint16_t attr, const CellRect& clip);
  void add_attr(const CellRect& r, uint16_t attr);
  const Cell& at(int col, int row) const { return cells_[static_cast<size_t>(row * cols_ + col)]; }
  // A row as UTF-8 text, trailing blanks dropped (tests and expected screens).
  std::string line(int row) const;
  std::string dump() const;  // every row, each ended by '\n'

  // Where the caret is shown (-1: hidden).
  int cursorCol = -1;
  int cursorRow = -1;

 private:
  int cols_ = 0;
  int rows_ = 0;
  std::vector<Cell> cells_;
};

// ---- The windows ------------------------------------------------------------
// A caption without its '&' marks ("&&" stays one '&').
std::string caption_text(std::string_view caption);

// Whether a top-level window has a close box (a window menu, or a plain
// overlapped window: the main window): Ctrl+W and a click on its "[x]"
// send it WM_CLOSE.
bool has_close_box(Hwnd top);
// The active window when it takes input and has a close box, else 0.
Hwnd close_target();

// The buttons of a top-level window reached by Alt+ a letter: each visible
// push button or check box in child order gets a letter of its caption that
// no button before it has (the one after '&' when marked, else its first
// letter or digit, else the next one free); `index` is where that letter is
// in the caption shown (caption_text), drawn highlighted.
struct ButtonKey {
  Hwnd button = 0;
  int letter = 0;  // upper case
  int index = -1;
};
std::vector<ButtonKey> button_keys(Hwnd top);
// The button of the window that Alt+ the character chooses, else 0.
Hwnd button_for_key(Hwnd top, int ch);

// Draws a top-level window with its frame, caption, menu bar and controls.
void draw_top(Canvas& c, Hwnd top, Point cell);
// The status line: the active window's title, and the menu key when it has a
// menu bar.
void draw_status(Canvas& c);

// The menu-bar row of a top-level window (-1 when it has none) and the
// columns of its items.
int menu_row(Hwnd top, Point cell);
struct BarItem {
  int col0 = 0;
  int col1 = 0;
};
std::vector<BarItem> bar_items(Hwnd top, Point cell);

// What lies under a cell: a menu-bar item, or a window with the point of the
// cell's centre in its client coordinates (for list boxes, combo boxes and
// list views the point of the item shown there in the core's layout).
struct Hit {
  Hwnd window = 0;
  Point client;
  Hwnd bar = 0;  // a window whose menu bar was hit
  int barItem = -1;
  Hwnd closeBox = 0;  // a window whose "[x]" was hit
};
Hit hit_test(int col, int row, Point cell);

// ---- Modal overlays ---------------------------------------------------------
// A key as the overlays see it: the virtual key and the character it typed.
struct Key {
  uint16_t vk = 0;
  LParam mods = 0;
  int ch = -1;
};

// The menu of a window's menu bar, opened by F10 or a click on the bar.
class MenuTracker {
 public:
  struct Result {
    bool done = false;  // the menu closed
    int command = 0;    // the id chosen (0 = none)
  };
  bool active() const { return owner_ != 0; }
  Hwnd owner() const { return owner_; }
  void open(Hwnd owner, int barItem = 0);
  void close() { owner_ = 0; }
  Result key(const Key& k);
  Result click(int col, int row, Point cell);
  void draw(Canvas& c, Point cell) const;

 private:
  struct Level {
    Hmenu menu = 0;
    int sel = 0;
  };
  Result choose(const MenuItem& it);
  void move_bar(int step);
  void move_sel(int step);
  bool open_sub();
  CellRect level_rect(size_t level, Point cell) const;
  Hwnd owner_ = 0;
  int bar_ = 0;
  std::vector<Level> levels_;  // open drop-down lists, the bar item's first
};

// A message box: its buttons by type; keys move and choose.
class BoxOverlay {
 public:
  BoxOverlay(std::string_view text, std::string_view caption, uint32_t type);
  // The answer chosen by the key (IDOK ... IDNO), 0 when the box stays.
  int key(const Key& k);
  int click(int col, int row) const;
  void draw(Canvas& c);
  const std::vector<int>& buttons() const { return buttons_; }

 private:
  int cancel_answer() const;
  std::string text_;
  std::string caption_;
  std::vector<int> buttons_;
  int sel_ = 0;
  std::vector<CellRect> buttonRects_;
};

// A popup menu at a cell: the position chosen, -1 for none, -2 while open.
class PopupOverlay {
 public:
  PopupOverlay(std::vector<std::string> items, int col, int row);
  int key(const Key& k);
  int click(int col, int row) const;
  void draw(Canvas& c);

 private:
  void move(int step);
  std::vector<std::string> items_;
  int col_;
  int row_;
  int sel_ = 0;
  CellRect rect_;
};

// The file and folder dialogs as a prompt: the title, the filters, and a
// path typed on one line (the initial name proposed). key answers 1 when a
// path was given (path()), 0 for a cancel (Esc, or Enter on an empty line),
// -1 while the prompt stays.
class PromptOverlay {
 public:
  explicit PromptOverlay(const DialogRequest& request);
  int key(const Key& k);
  const std::string& path() const { return path_; }
  void draw(Canvas& c);

 private:
  std::string title_;
  std::string filters_;
  std::string label_;
  std::string path_;
};

}  // namespace term
}  // namespace ui
