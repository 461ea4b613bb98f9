// The window system of the programs: one core, several back ends.
//
// The core owns every window (classes by name, window procedures and
// subclassing, parent/owner links, text, style, rectangle, enable and show
// state, scroll bars, the built-in standard controls), the one message queue
// (post, nested send, peek without waiting, translate, dispatch, quit), the
// keyboard focus, the z-order of top-level windows, timers, menus, fonts and
// the modal primitives (message box, popup menu, file and folder dialog). A back end (backend.h) only
// supplies input, time, metrics and the answers of the modal primitives, and
// shows what the core holds: the headless back end (headless.h) for tests and
// unattended runs, a terminal back end for people.
//
// Rules every caller can rely on:
// - One thread. send() is synchronous and nests; a procedure may create or
//   destroy windows (its own included), pump messages or open a message box
//   from inside any message. The core keeps no pointer across a call into a
//   procedure.
// - Handles are never reused within a run; an operation on a dead handle
//   fails safely (is_window false, send answers 0, post answers false).
// - Positions are pixels: top-level rectangles in screen coordinates, child
//   rectangles in the client coordinates of their parent.
// - Focus: set_focus sends WM_KILLFOCUS(new) to the old window, then
//   WM_SETFOCUS(old) to the new one; focusing the focused window sends
//   nothing. A set_focus made by a WM_KILLFOCUS handler wins over the one in
//   progress. Showing a hidden enabled top-level window activates it: it goes
//   on top and receives WM_SETFOCUS itself; one with WS_EX_NOACTIVATE only
//   goes on top and is never the active window. Windows with WS_EX_TOPMOST
//   stay above the other top-level windows.
// - A mouse click moves the focus to the clicked control before the control
//   sees the button message, so the field being left is checked before a
//   button's WM_COMMAND reaches its parent.
// - translate() queues the WM_CHAR of a key-down in front of everything
//   else, so the order is KEYDOWN, CHAR, KEYUP even when the key-down's
//   procedure posts messages or swallows the key.
// - destroy_window: owned windows first (newest first), then WM_DESTROY to
//   the window and to its children (parents before children) while every
//   handle is still valid; afterwards all of them are dead, their timers and
//   posted messages gone, and a focus inside them becomes none (no other
//   window is activated by the core).
// - message_box and track_popup_menu disable the owner's top-level window
//   for their duration, enable it again and give the focus back; they do not
//   dispatch posted messages, so those wait until the box is closed.
//
// Errors: functions answer 0, false or an empty result on bad handles; init
// answers a status (runtime/status.h) with the reason in last_error().
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ui/ui_types.h"
#include "platform/status.h"

namespace ui {

class Backend;

// Metrics of a back end. The headless values are fixed so pixel results are
// the same on every machine; a test may change them before init.
struct Profile {
  Rect workArea{0, 0, 1280, 1000};
  // What a maximised window fills; empty: the work area. A terminal keeps
  // its first row (the main window's menu bar) out of the work area, where
  // other windows are placed, but not out of the main window.
  Rect maximizedArea{};
  int screenWidth = 1280;
  int screenHeight = 1024;
  int caption = 20;
  int menuBar = 20;
  int border = 1;
  int dialogFrame = 3;
  int thickFrame = 4;
  int clientEdge = 2;
  int scrollBar = 24;
  int textAvgWidth = 7;  // screen text metrics: cell 8 x 16 by the +1 / +3 rule
  int textHeight = 13;
  int oemAvgWidth = 8;
  int oemHeight = 12;
  int defaultWidth = 640;
  int defaultHeight = 480;
};

// ---- Set-up -----------------------------------------------------------------
// init installs a back end (any previous state is dropped). init_from_env
// chooses it from KX_UI, KX_UI_SCRIPT, KX_UI_TRANSCRIPT and KX_UI_STALL.
// Without init, the first call makes a headless back end in cancel mode.
Status init(std::unique_ptr<Backend> backend);
Status init_from_env();
void shutdown();
Backend& backend();
const Profile& profile();
uintptr_t instance();
const std::string& last_error();
// The character cell of the screens' font in pixels (12 x 24 until told): a
// terminal back end shows one cell as one character. Kept across init.
void set_cell_size(int width, int height);
Point cell_size();

// ---- Classes and windows ----------------------------------------------------
// Class names compare without regard to ASCII case. Built in: "EDIT",
// "BUTTON", "STATIC", "LISTBOX", "COMBOBOX", "msctls_progress32",
// "SysListView32". register_class answers false when the name exists.
bool register_class(std::string_view name, WndProc proc);
bool class_exists(std::string_view name);

constexpr int USE_DEFAULT = INT32_MIN;

struct CreateSpec {
  std::string_view cls;
  std::string_view title;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int x = USE_DEFAULT;
  int y = USE_DEFAULT;
  int width = USE_DEFAULT;
  int height = USE_DEFAULT;
  Hwnd parent = 0;  // the parent of a WS_CHILD window, else the owner
  int id = 0;       // control id of a child
  Hmenu menu = 0;   // menu bar of a top-level window
};

// Sends WM_CREATE; an answer of -1 destroys the window again and gives 0.
// A top-level window created with WS_VISIBLE is shown and activated.
Hwnd create_window(const CreateSpec& spec);
bool destroy_window(Hwnd h);

bool is_window(Hwnd h);
Hwnd get_parent(Hwnd h);
Hwnd get_owner(Hwnd h);
Hwnd get_top_level(Hwnd h);
Hwnd get_dlg_item(Hwnd parent, int id);
Hwnd find_descendant(Hwnd root, int id);
int get_ctrl_id(Hwnd h);
std::string class_name(Hwnd h);
uint32_t get_style(Hwnd h);
uint32_t get_ex_style(Hwnd h);
std::vector<Hwnd> children(Hwnd h);  // bottom of the sibling z-order first
std::vector<Hwnd> top_levels();      // bottom of the z-order first

bool set_text(Hwnd h, std::string_view text);
std::string get_text(Hwnd h, size_t max = SIZE_MAX);
void set_font(Hwnd h, Hfont font, bool redraw);
Hfont get_font(Hwnd h);
void set_user_data(Hwnd h, uintptr_t value);
uintptr_t get_user_data(Hwnd h);

WndProc set_window_proc(Hwnd h, WndProc proc);  // answers the previous one
WndProc get_window_proc(Hwnd h);
LResult call_window_proc(WndProc proc, Hwnd h, Msg m, WParam wp, LParam lp);
// WM_CLOSE destroys the window, WM_SETFONT/WM_GETFONT keep its font; all
// else answers 0.
LResult def_window_proc(Hwnd h, Msg m, WParam wp, LParam lp);

// ---- Show, enable, focus, z-order -------------------------------------------
enum class Show { Hide, Show, ShowNormal, ShowMaximized };
bool show_window(Hwnd h, Show cmd);  // answers whether it was visible
bool is_visible(Hwnd h);
bool is_maximized(Hwnd h);
bool enable_window(Hwnd h, bool on);  // answers whether it was disabled
bool is_enabled(Hwnd h);
bool accepts_input(Hwnd h);  // visible and enabled, and so are its ancestors
Hwnd set_focus(Hwnd h);      // answers the previous focus
Hwnd get_focus();
Hwnd active_window();        // the visible top-level window on top
void raise_window(Hwnd h);   // a top-level window (and what it owns) on top
void update_window(Hwnd h);
void invalidate(Hwnd h);

// ---- Geometry ---------------------------------------------------------------
constexpr uint32_t SWP_NOSIZE = 0x1;
constexpr uint32_t SWP_NOMOVE = 0x2;
constexpr uint32_t SWP_NOZORDER = 0x4;
constexpr uint32_t SWP_FRAMECHANGED = 0x20;

Rect get_window_rect(Hwnd h);  // screen coordinates
Rect get_client_rect(Hwnd h);  // {0, 0, width, height}
Point client_to_screen(Hwnd h, Point p);
Point screen_to_client(Hwnd h, Point p);
// Without SWP_NOZORDER the window goes on top of its siblings.
bool set_window_pos(Hwnd h, int x, int y, int width, int height, uint32_t flags);
bool move_window(Hwnd h, int x, int y, int width, int height);
Rect adjust_window_rect(Rect client, uint32_t style, uint32_t exStyle, bool hasMenu);
Rect work_area();
Rect maximized_area();  // Profile::maximizedArea, else the work area
Point screen_size();
enum class Metric { DialogFrameX, DialogFrameY, Caption, MenuBar, Border, ScrollBar };
int metric(Metric m);
Point cursor_pos();  // screen coordinates of the last pointer event
void set_cursor_pos(Point p);

// ---- Scroll bars of a window (SB_HORZ, SB_VERT) -----------------------------
struct ScrollInfo {
  int min = 0;
  int max = 0;
  int pos = 0;
  int track = 0;
  bool visible = false;
};
bool set_scroll_range(Hwnd h, int bar, int min, int max);
int set_scroll_pos(Hwnd h, int bar, int pos);  // clamped; answers the previous
ScrollInfo get_scroll_info(Hwnd h, int bar);
bool set_scroll_track(Hwnd h, int bar, int track);
bool show_scroll_bar(Hwnd h, int bar, bool on);
// Moves every child of the window by (dx, dy); the window is repainted.
bool scroll_window(Hwnd h, int dx, int dy);

// ---- Messages ---------------------------------------------------------------
LResult send(Hwnd h, Msg m, WParam wp = 0, LParam lp = 0);
bool post(Hwnd h, Msg m, WParam wp = 0, LParam lp = 0);  // h 0 = the thread
void post_quit(int code);
// Takes the first pending message (for the window and its descendants when a
// filter is given); a due timer is queued first when nothing else waits.
bool peek(Message& out, bool remove = true, Hwnd filter = 0);
bool translate(const Message& m);  // queues the WM_CHAR of a key-down
LResult dispatch(const Message& m);
// Blocking take; false when the message taken is WM_QUIT (then consumed).
bool get_message(Message& out);
struct PumpResult {
  bool quit = false;
  int quitCode = 0;
  int dispatched = 0;
};
// Lets the back end deliver one input when nothing is pending (poll_input),
// then takes, translates and dispatches until the queue is empty or WM_QUIT
// was taken.
PumpResult pump_pending();
// When nothing is pending: lets the back end deliver one input unless input
// is held, else tells it the pump was idle. Answers whether input came.
bool poll_input();
// Holds a person's input while a window is being opened, from construction
// to destruction: the work the opening still does (a procedure it runs
// pumps the queue) would otherwise take a key typed ahead into the window's
// fields and then overwrite it. While held, poll_input takes nothing from
// the back end, so the input waits there for the first pump after the
// opening. Held only while the active window is this one or lies below it:
// a window opened above it (a form, a choice) takes its input as ever. A
// loop that waits for input (get_message, wait_input) is asking for it and
// still gets it. Holds nest; the innermost one holds.
class InputHold {
 public:
  explicit InputHold(Hwnd window);
  ~InputHold();
  InputHold(const InputHold&) = delete;
  InputHold& operator=(const InputHold&) = delete;

 private:
  Hwnd outer_;
};
// Whether a person's input is held now (above).
bool input_held();
// Blocks until something is pending (input, a timer, a stall action);
// answers false when nothing came within the time-out (-1 = none).
bool wait_input(int timeoutMs = -1);
void discard_pending();
size_t pending_count();

uintptr_t set_timer(Hwnd h, uintptr_t id, uint32_t ms, TimerProc proc = nullptr);
bool kill_timer(Hwnd h, uintptr_t id);
uint64_t now_ms();
LParam key_modifiers();  // KEY_SHIFT / KEY_CTRL / KEY_ALT held now

// ---- Standard controls ------------------------------------------------------
// A multi-line edit moves its caret a line with Up and Down and a page (the
// lines of the screens' cell its client area holds) with PgUp and PgDn; its
// scroll positions are the first line and column it shows, moved whenever
// the caret would leave the view.
void edit_set_limit(Hwnd h, int limit);
int edit_get_limit(Hwnd h);
void edit_set_sel(Hwnd h, int start, int end);  // end -1 = to the end
std::pair<int, int> edit_get_sel(Hwnd h);
std::string display_text(Hwnd h);  // what a person sees (password masked)

void button_set_check(Hwnd h, bool on);
bool button_get_check(Hwnd h);
// The key a person presses for a button's command ("F6"), which a back end
// shows with its caption. The layer that keeps the key table installs the
// function that knows it, once at start-up; without one, or for a command
// no key gives, the answer is empty. set_button_key_source answers the
// function it replaces.
using ButtonKeyFn = std::string (*)(Hwnd button);
ButtonKeyFn set_button_key_source(ButtonKeyFn fn);
std::string button_key(Hwnd button);
void set_image(Hwnd h, Hbitmap image);
Hbitmap get_image(Hwnd h);

int progress_pos(Hwnd h);
std::pair<int, int> progress_range(Hwnd h);

int listbox_add(Hwnd h, std::string_view text);  // answers the index
int listbox_count(Hwnd h);
std::string listbox_text(Hwnd h, int index);
int listbox_get_sel(Hwnd h);  // -1 none
bool listbox_set_sel(Hwnd h, int index);
int listbox_caret(Hwnd h);
void listbox_set_item_height(Hwnd h, int px);
int listbox_item_height(Hwnd h);

int combo_add(Hwnd h, std::string_view text);
int combo_count(Hwnd h);
std::string combo_text(Hwnd h, int index);
int combo_get_sel(Hwnd h);
bool combo_set_sel(Hwnd h, int index);

// List view (report mode). Rows and columns count from 0.
enum class Align { Left, Right, Centre };
void lv_set_colors(Hwnd h, uint32_t text, uint32_t textBg, uint32_t bg);
void lv_set_ext(Hwnd h, uint32_t extStyle);
// The colours as set (0 text, 1 text background, 2 background) and the
// extended styles; 0 for a window that is no list view.
uint32_t lv_color(Hwnd h, int which);
uint32_t lv_ext(Hwnd h);
int lv_insert_column(Hwnd h, int index, std::string_view title, int width, Align align);
int lv_column_count(Hwnd h);
int lv_column_width(Hwnd h, int col);
std::string lv_column_title(Hwnd h, int col);
Align lv_column_align(Hwnd h, int col);
int lv_insert_item(Hwnd h, int row, std::string_view text);  // answers the row
bool lv_set_item_text(Hwnd h, int row, int col, std::string_view text);
std::string lv_item_text(Hwnd h, int row, int col);
bool lv_delete_all(Hwnd h);
int lv_item_count(Hwnd h);
int lv_selection_mark(Hwnd h);  // -1 none
int lv_selected_count(Hwnd h);
bool lv_set_item_state(Hwnd h, int row, uint32_t state, uint32_t mask);
uint32_t lv_item_state(Hwnd h, int row);
bool lv_ensure_visible(Hwnd h, int row);
bool lv_scroll(Hwnd h, int dyPx);
int lv_top_index(Hwnd h);
int lv_rows_per_page(Hwnd h);
int lv_row_height(Hwnd h);
Rect lv_item_rect(Hwnd h, int row);            // client coordinates
Rect lv_subitem_rect(Hwnd h, int row, int col);
int lv_hit_test(Hwnd h, Point client, int* col = nullptr);  // row or -1
uint64_t lv_cell_writes();  // cell texts set since init, for cost checks

// ---- Menus ------------------------------------------------------------------
constexpr uint32_t TPM_BOTTOMALIGN = 0x0020;
constexpr uint32_t TPM_RETURNCMD = 0x0100;

struct MenuItem {
  int id = 0;
  Hmenu popup = 0;
  std::string caption;
};
Hmenu menu_create_bar();
Hmenu menu_create_popup();
bool menu_append_item(Hmenu menu, int id, std::string_view caption);
bool menu_append_popup(Hmenu menu, Hmenu popup, std::string_view caption);
bool menu_destroy(Hmenu menu);  // with its popups
bool is_menu(Hmenu menu);
std::vector<MenuItem> menu_items(Hmenu menu);
bool set_menu(Hwnd h, Hmenu menu);
Hmenu get_menu(Hwnd h);
// With TPM_RETURNCMD answers the chosen id (0 = none); otherwise posts
// WM_COMMAND(id) to the owner and answers whether an item was chosen.
int track_popup_menu(Hwnd owner, Hmenu popup, Point at, uint32_t flags);

// ---- Message boxes ----------------------------------------------------------
// Answers IDOK ... IDNO. The owner's top-level window is disabled meanwhile.
int message_box(Hwnd owner, std::string_view text, std::string_view caption, uint32_t type);

// ---- File and folder dialogs --------------------------------------------------
// A file to open, a name to save under, or a folder. Filters pair a caption
// with its patterns ("Screen Files (*.PAN)", "*.PAN"); `initial` is the name
// (or folder) offered first. Modal like a message box: the owner's top-level
// window is disabled meanwhile. Answers true with the chosen path, false
// when the person cancels.
enum class DialogKind { Open, Save, Folder };
struct DialogFilter {
  std::string caption;
  std::string pattern;
};
struct DialogRequest {
  DialogKind kind = DialogKind::Open;
  std::string title;
  std::vector<DialogFilter> filters;
  std::string initial;
  std::string defaultExt;
};
bool path_dialog(Hwnd owner, const DialogRequest& request, std::string& path);
// Asks whether an outside viewer may be started on a file now. A back end
// for people says yes; the headless one records the request and says no, so
// unattended runs start nothing.
bool viewer_allowed(std::string_view command, std::string_view file);
// Whether an outside viewer would have a screen to show itself on: a
// terminal without a desktop has none (the caller shows the file's name
// instead); the headless back end answers yes, since it records requests.
bool display_available();

// ---- Fonts, painting, pictures ----------------------------------------------
enum class StockFont { System, OemFixed };
struct FontSpec {
  int height = 0;
  int width = 0;
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int charSet = 1;
  std::string face;
};
struct TextMetrics {
  int avgWidth = 0;
  int height = 0;
};
Hfont stock_font(StockFont which);
Hfont create_font(const FontSpec& spec);
bool delete_font(Hfont font);  // stock fonts are never deleted
bool font_spec(Hfont font, FontSpec& out);
TextMetrics screen_text_metrics();
TextMetrics font_metrics(Hfont font);

// Painting is recorded on the window (a back end shows it): fill_rect clears
// the recorded texts, draw_text adds one.
constexpr uint32_t DT_CENTER = 0x1;
void fill_rect(Hwnd h, Rect r, int brush);
void draw_text(Hwnd h, std::string_view text, Rect r, uint32_t flags);
std::vector<std::string> painted_texts(Hwnd h);
// Pictures are BMP files: read from disk, or compiled into the program as
// numbered resources. Bytes that are no BMP (signature, header, a pixel
// array lying inside the bytes) give no picture.
struct BitmapResource {
  int id;
  const char* name;            // what the picture shows, for back ends that cannot draw it
  const unsigned char* bytes;  // a whole BMP file
  size_t size;
};
// The program's compiled-in pictures; the table is kept, not copied. Set
// before init or after, it stays across init; an empty table leaves none.
void set_bitmap_resources(const BitmapResource* table, size_t count);
struct BitmapInfo {
  int width = 0;
  int height = 0;
  int resource = 0;  // its resource number, 0 for a file
  std::string path;  // the file, empty for a resource
  std::string name;  // the file's base name, or the resource's name
};
// A handle when the file is a readable BMP, else 0.
Hbitmap load_bitmap_file(std::string_view path);
// A handle for the program's resource of that number, 0 when it has none.
Hbitmap load_bitmap_resource(int id);
bool bitmap_info(Hbitmap b, BitmapInfo& out);
std::string bitmap_path(Hbitmap b);
bool delete_bitmap(Hbitmap b);

}  // namespace ui
