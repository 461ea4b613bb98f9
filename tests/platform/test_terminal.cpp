// The terminal back end's picture of the windows, without a terminal: the
// core runs on a headless back end with the terminal's metrics, and the
// windows are drawn into a canvas.
#include <initializer_list>

#include "platform/ui/terminal.h"
#include "support/bmp_fixture.h"
#include "test_ui_fixture.h"

namespace uitest {
namespace {

using namespace ui::term;

constexpr Point kCell{12, 24};
constexpr uint16_t kOem8 = 0xDF;

TEST(TerminalText, Windows1252MapsToUnicodeAndBack) {
  struct Case {
    unsigned char byte;
    char32_t unicode;
  } cases[] = {{'A', U'A'}, {0x80, U'€'}, {0x81, 0}, {0x8D, 0}, {0x9F, U'Ÿ'},
               {0xA0, 0xA0}, {0xF1, U'ñ'}, {0xD1, U'Ñ'}, {0x96, U'–'}, {0xFF, U'ÿ'}};
  for (const Case& c : cases) EXPECT_EQ(from_cp1252(c.byte), c.unicode) << int(c.byte);
  for (int b = 0; b < 256; ++b)
    if (char32_t u = from_cp1252(static_cast<unsigned char>(b))) {
      EXPECT_EQ(to_cp1252(u), b) << b;
    }
  EXPECT_EQ(to_cp1252(U'Ā'), -1);
  EXPECT_EQ(to_cp1252(U'─'), -1);
}

TEST(TerminalCells, PixelsRoundToTheNearestCell) {
  struct Case {
    int px, want;
  } cases[] = {{0, 0}, {5, 0}, {6, 1}, {11, 1}, {117, 10}, {-3, 0}, {-7, -1}, {24 * 12, 24}};
  for (const Case& c : cases) EXPECT_EQ(to_cell(c.px, 12), c.want) << c.px;
  // A field a quarter cell left of its label's column starts in that column.
  CellRect field = to_cells(Rect{10 * 12 - 3, 24, 20 * 12 - 3, 48}, kCell);
  EXPECT_EQ(field.col0, 10);
  EXPECT_EQ(field.width(), 10);
  // Something with a size keeps at least one cell; nothing stays nothing.
  EXPECT_EQ(to_cells(Rect{0, 0, 3, 5}, kCell).height(), 1);
  EXPECT_TRUE(to_cells(Rect{0, 0, 0, 0}, kCell).empty());
}

// A headless core with the metrics of an 80 x 24 terminal.
class TerminalDraw : public UiTest {
 protected:
  void SetUp() override {
    g_log.clear();
    HeadlessOptions o;
    o.stall = StallPolicy::Fail;
    o.onFailure = [this](const std::string& r) { reports.push_back(r); };
    o.profile = terminal_profile(80, 24, kCell);
    init(std::make_unique<Headless>(std::move(o)));
    hl = headless();
    register_class("Rec", record);
  }
  // A window at a cell, of cols x rows cells (its caption included).
  Hwnd window(std::string_view title, int col, int row, int cols, int rows, uint32_t exStyle = WS_EX_DLGMODALFRAME,
              uint32_t style = 0) {
    CreateSpec s;
    s.cls = "Rec";
    s.title = title;
    s.style = WS_CAPTION | WS_VISIBLE | style;
    s.exStyle = exStyle;
    s.x = col * kCell.x, s.y = row * kCell.y, s.width = cols * kCell.x, s.height = rows * kCell.y;
    return create_window(s);
  }
  Hwnd ctl(Hwnd parent, std::string_view cls, int id, std::string_view text, uint32_t style, int col, int row,
           int cols, int rows = 1, int dx = 0) {
    CreateSpec s;
    s.cls = cls;
    s.title = text;
    s.style = WS_CHILD | WS_VISIBLE | style;
    s.parent = parent;
    s.id = id;
    s.x = col * kCell.x + dx, s.y = row * kCell.y, s.width = cols * kCell.x, s.height = rows * kCell.y;
    return create_window(s);
  }
  // The rows of the screen from `from` to `to` (inclusive).
  std::string rows(int from, int to) {
    Canvas c(80, 24);
    for (Hwnd t : top_levels()) draw_top(c, t, kCell);
    draw_status(c);
    canvas = c;
    std::string out;
    for (int r = from; r <= to; ++r) out += c.line(r) + "\n";
    return out;
  }
  Canvas canvas;
};

TEST_F(TerminalDraw, ControlsAreDrawnAsText) {
  Hwnd w = window("Customer", 2, 1, 44, 11);
  ctl(w, "STATIC", 1, "Name:", 0, 1, 1, 8);
  Hwnd name = ctl(w, "EDIT", 2, "Pe\xF1" "a", 0, 11, 1, 12, 1, -3);
  ctl(w, "EDIT", 3, "abc", ES_PASSWORD, 11, 2, 6, 1, -3);
  ctl(w, "EDIT", 4, "42", ES_RIGHT, 11, 3, 6, 1, -3);
  Hwnd check = ctl(w, "BUTTON", 5, "&Active", BS_AUTOCHECKBOX, 1, 4, 12);
  button_set_check(check, true);
  Hwnd bar = ctl(w, "msctls_progress32", 6, "", 0, 1, 5, 12);
  send(bar, PBM_SETPOS, 50, 0);
  ctl(w, "BUTTON", 7, "&Save", BS_PUSHBUTTON, 1, 8, 10);
  ctl(w, "BUTTON", 8, "Drawn", BS_OWNERDRAW, 12, 8, 10);
  Hwnd pic = ctl(w, "STATIC", 9, "", 0, 24, 1, 14, 4);
  std::string path = testing::TempDir() + "/logo.bmp";
  BmpWrite(path);
  set_image(pic, load_bitmap_file(path));
  Hwnd lv = ctl(w, "SysListView32", 10, "", LVS_REPORT, 24, 5, 18, 3);
  lv_insert_column(lv, 0, "Date", 8 * kCell.x, Align::Left);
  lv_insert_column(lv, 1, "Amount", 8 * kCell.x, Align::Right);
  lv_insert_item(lv, 0, "01/02");
  lv_set_item_text(lv, 0, 1, "120.50");
  set_focus(name);
  edit_set_sel(name, 4, 4);
  EXPECT_EQ(rows(1, 12),
            " ┌─ Customer ─────────────────────────────────┐\n"
            " │                                            │\n"
            " │ Name:     Peña________ ┌────────────┐      │\n"
            " │           ***___       │            │      │\n"
            " │           ____42       │  logo.bmp  │      │\n"
            " │ [x] Active             └────────────┘      │\n"
            " │ [#####     ]           Date     Amount     │\n"
            " │                        01/02      120.50   │\n"
            " │                                            │\n"
            " │  [ Save ]    Drawn                         │\n"
            " │                                            │\n"
            " └────────────────────────────────────────────┘\n");
  // The field is reverse video with the caret after its text.
  EXPECT_EQ(canvas.at(13, 3).attr & kReverse, kReverse);
  EXPECT_EQ(canvas.at(12, 3).attr & kReverse, 0);
  EXPECT_EQ(canvas.cursorCol, 17);
  EXPECT_EQ(canvas.cursorRow, 3);
  EXPECT_EQ(canvas.line(23), " Customer");
}

// A form's prompt and its field as the screens place them: the label from
// the pixel after a cell's edge, the edit a quarter cell left of the next
// cell, 10 cells wide and holding 10 characters with the caret after them.
// Wherever the window stands (its corner is rarely on a cell's edge once it
// is centred), the prompt keeps its last character and the field shows its
// whole text.
TEST_F(TerminalDraw, AFormFieldStartsAfterItsPromptWhereverTheWindowStands) {
  for (int dx = 0; dx < kCell.x; ++dx) {
    SCOPED_TRACE(dx);
    CreateSpec s;
    s.cls = "Rec";
    s.title = "Form";
    s.style = WS_CAPTION | WS_VISIBLE;
    s.exStyle = WS_EX_DLGMODALFRAME;
    s.x = 2 * kCell.x + dx, s.y = kCell.y, s.width = 30 * kCell.x, s.height = 5 * kCell.y;
    Hwnd w = create_window(s);
    ctl(w, "STATIC", 1, "Account:", 0, 1, 1, 8, 1, 1);
    Hwnd account = ctl(w, "EDIT", 2000, "4300000001", 0, 9, 1, 10, 1, 1 - kCell.x / 4);
    edit_set_sel(account, 10, 10);
    ctl(w, "STATIC", 2, "Code:", 0, 4, 2, 5, 1, 1);
    Hwnd code = ctl(w, "EDIT", 2001, "AB12", 0, 9, 2, 4, 1, 1 - kCell.x / 4);
    set_focus(code);
    edit_set_sel(code, 4, 4);
    int col = dx >= kCell.x / 2 ? 3 : 2;  // the window's own corner rounds to a cell
    std::string frame = std::string(static_cast<size_t>(col - 1), ' ') + "│ ";
    EXPECT_EQ(rows(3, 4), frame + "Account:4300000001" + std::string(11, ' ') + "│\n" + frame + "   Code:AB12" +
                              std::string(17, ' ') + "│\n");
    EXPECT_EQ(canvas.cursorCol, col + 12);  // on the field's last cell: its text stays whole
    EXPECT_EQ(canvas.cursorRow, 4);
    destroy_window(w);
  }
}

TEST_F(TerminalDraw, ListsAreFramedAndFollowTheirSelection) {
  Hwnd w = window("Towns", 1, 0, 28, 8);
  Hwnd list = ctl(w, "LISTBOX", 1, "", LBS_NOTIFY, 1, 1, 12, 4);
  for (const char* t : {"Madrid", "Sevilla", "Bilbao", "Le\xF3n"}) listbox_add(list, t);
  listbox_set_sel(list, 3);
  Hwnd combo = ctl(w, "COMBOBOX", 2, "", CBS_DROPDOWN, 15, 1, 10, 1);
  combo_add(combo, "Yes");
  combo_set_sel(combo, 0);
  // The list shows the four rows its height holds, its frame in the free
  // cells around it.
  EXPECT_EQ(rows(1, 6),
            "│┌────────────┐              │\n"
            "││Madrid      │ Yes      ▼   │\n"
            "││Sevilla     │              │\n"
            "││Bilbao      │              │\n"
            "││León        │              │\n"
            "│└────────────┘              │\n");
  EXPECT_EQ(canvas.at(3, 5).attr & kReverse, kReverse);
  EXPECT_EQ(canvas.at(3, 4).attr & kReverse, 0);
}

// A drop-down combo box laid over other controls (a chooser under a field)
// shows its list only while it has the focus; otherwise its edit line alone,
// and the label under the list stays seen.
TEST_F(TerminalDraw, ADropDownComboShowsItsListOnlyWhileFocused) {
  Hwnd w = window("Doc", 1, 0, 28, 8);
  ctl(w, "STATIC", 1, "Date", 0, 1, 2, 6);
  Hwnd combo = ctl(w, "COMBOBOX", 2, "", CBS_DROPDOWN, 1, 1, 13, 5);
  for (const char* t : {"Invoice", "Credit note"}) combo_add(combo, t);
  combo_set_sel(combo, 1);
  EXPECT_EQ(rows(2, 3),
            "│ Credit note ▼              │\n"
            "│ Date                       │\n");
  set_focus(combo);
  EXPECT_EQ(rows(3, 4),
            "│ ┌───────────┐              │\n"
            "│ │Invoice    │              │\n");
  destroy_window(w);
}

// A lines grid sized to its columns' pixels widens into the cells under a
// closed combo's list, so its last column keeps its whole text.
TEST_F(TerminalDraw, AListViewGrowsUnderAClosedComboButNotUnderItsOpenList) {
  Hwnd w = window("Doc", 1, 0, 30, 8);
  Hwnd lv = ctl(w, "SysListView32", 1, "", LVS_REPORT, 1, 2, 14, 3);
  lv_insert_column(lv, 0, "Article", 7 * kCell.x, Align::Left);
  lv_insert_column(lv, 1, "Amount", 7 * kCell.x, Align::Right);
  lv_insert_item(lv, 0, "PAPER");
  lv_set_item_text(lv, 0, 1, "100.00");
  Hwnd combo = ctl(w, "COMBOBOX", 2, "", CBS_DROPDOWN, 15, 1, 13, 5);
  for (const char* t : {"Invoice", "Credit note"}) combo_add(combo, t);
  combo_set_sel(combo, 0);
  EXPECT_EQ(rows(4, 4), "│ PAPER    100.00              │\n");
  set_focus(combo);
  EXPECT_NE(rows(4, 4).find("│Invoice    │"), std::string::npos);
  set_focus(lv);
  EXPECT_EQ(rows(4, 4), "│ PAPER    100.00              │\n");
  destroy_window(w);
}

// A list that fills its window (a choice list, its items a cell high less
// the font's leading): no room for a frame, so one item per row from its
// top, as many rows as its height holds; the selection scrolls into view.
TEST_F(TerminalDraw, AListThatFillsItsWindowShowsEveryRowItsHeightHolds) {
  CreateSpec s;
  s.cls = "Rec";
  s.title = "Towns";
  s.style = WS_CAPTION | WS_VISIBLE;
  s.exStyle = WS_EX_DLGMODALFRAME;
  for (int dy = 0; dy < kCell.y; dy += 6) {
    SCOPED_TRACE(dy);
    s.x = 2 * kCell.x, s.y = kCell.y + dy, s.width = 16 * kCell.x, s.height = kCell.y + 3 * (kCell.y - 3);
    Hwnd w = create_window(s);
    Rect client = get_client_rect(w);
    Hwnd list = ctl(w, "LISTBOX", 1, "", LBS_NOTIFY, 0, 0, 0);
    move_window(list, 0, 0, client.Width(), client.Height());
    listbox_set_item_height(list, kCell.y - 3);
    for (const char* t : {"Madrid", "Sevilla", "Bilbao", "Le\xF3n"}) listbox_add(list, t);
    int row = dy >= kCell.y / 2 ? 3 : 2;
    rows(0, 0);
    EXPECT_EQ(canvas.line(row), " │Madrid          │");
    EXPECT_EQ(canvas.line(row + 2), " │Bilbao          │");
    listbox_set_sel(list, 3);
    rows(0, 0);
    EXPECT_EQ(canvas.line(row), " │Sevilla         │");
    EXPECT_EQ(canvas.line(row + 2), " │León            │");
    Hit hit = hit_test(5, row + 1, kCell);
    ASSERT_EQ(hit.window, list);
    input_click(hit.window, hit.client, Click::Left);
    pump_all();
    EXPECT_EQ(listbox_get_sel(list), 2);
    destroy_window(w);
  }
}

// Buttons sized in pixels for a proportional font: a caption that does not
// fit widens the button into the free cells beside it; a caption in
// brackets is not bracketed again. A row of buttons side by side is laid
// out as one, every button in the same face, the richest that lets all
// stand whole a blank apart: with free cells right of the row "[ x ]",
// else "[x]", else the bare captions, else those cut, the longest first.
TEST_F(TerminalDraw, AButtonShowsItsWholeCaptionWhereThereIsRoom) {
  Hwnd w = window("Progress", 0, 0, 40, 8);
  ctl(w, "msctls_progress32", 1, "", 0, 1, 1, 30);
  ctl(w, "BUTTON", 2, "Cancel", BS_PUSHBUTTON, 25, 2, 6, 1, -10);  // 70 pixels
  ctl(w, "BUTTON", 3, "[ 1 ]", BS_PUSHBUTTON, 0, 6, 5);
  ctl(w, "EDIT", 4, "Index search", 0, 5, 6, 20);
  int x = 1;
  for (const char* cap : {"New", "Prev.", "Bottom", "Search"}) {
    ctl(w, "BUTTON", 10 + x, cap, BS_PUSHBUTTON, x, 4, cap[0] == 'S' ? 6 : 7);
    x += cap[0] == 'S' ? 6 : 7;
  }
  EXPECT_EQ(rows(1, 7),
            "│                                        │\n"
            "│ [                            ]         │\n"
            "│                      [ Cancel ]        │\n"
            "│                                        │\n"
            "│ [ New ] [ Prev. ] [ Bottom ] [ Search ]│\n"
            "│                                        │\n"
            "│[ 1 ]Index search________               │\n");
  Hit hit = hit_test(32, 3, kCell);  // a cell the button took
  ASSERT_NE(hit.window, 0u);
  EXPECT_EQ(get_ctrl_id(hit.window), 2);
  input_click(hit.window, hit.client, Click::Left);
  pump_all();
  EXPECT_EQ(only("COMMAND"), (std::vector<std::string>{"#1 COMMAND 2/0"}));
  EXPECT_EQ(get_ctrl_id(hit_test(21, 5, kCell).window), 25);  // "Bottom" where it is shown
  EXPECT_TRUE(reports.empty());
  // A label right of the row leaves it fewer cells.
  struct Case {
    int label;  // its column
    const char* row;
  } cases[] = {
      {32, "│ [New] [Prev.] [Bottom] [Search]Total   │"},
      {29, "│ New   Prev.  Bottom  Search Total      │"},
  };
  for (const Case& c : cases) {
    Hwnd label = ctl(w, "STATIC", 20, "Total", 0, c.label, 4, 5);
    EXPECT_EQ(rows(5, 5), std::string(c.row) + "\n") << c.label;
    destroy_window(label);
  }
  // Too few cells for the bare captions: the longest are cut first.
  destroy_window(w);
  Hwnd tight = window("Tight", 0, 0, 40, 4);
  for (int k = 0; k < 3; ++k) ctl(tight, "BUTTON", 40 + k, k == 0 ? "Alpha" : k == 1 ? "Bravo" : "Charlie", BS_PUSHBUTTON, 1 + 4 * k, 1, 4);
  ctl(tight, "STATIC", 50, "Total", 0, 13, 1, 5);
  EXPECT_EQ(rows(2, 2), "│ Al. Br. Cha.Total                      │\n");
}

// A button whose command a key gives shows the key before its caption and
// keeps it when cut; it takes no Alt letter, which is left to the others.
std::string TestButtonKey(Hwnd button) {
  switch (get_ctrl_id(button)) {
    case 3007: return "F6";
    case 3005: return "PgDn";
    default: return "";
  }
}

TEST_F(TerminalDraw, AButtonWhoseCommandHasAKeyShowsTheKeyAndTakesNoLetter) {
  ButtonKeyFn before = set_button_key_source(TestButtonKey);
  Hwnd w = window("Keys", 0, 0, 40, 5);
  ctl(w, "BUTTON", 3007, "Find", BS_PUSHBUTTON, 1, 1, 6);
  ctl(w, "BUTTON", 3008, "Save", BS_PUSHBUTTON, 14, 1, 8);
  ctl(w, "BUTTON", 3005, "Next", BS_PUSHBUTTON, 1, 3, 7);
  ctl(w, "STATIC", 9, "Bottom", 0, 8, 3, 8);
  EXPECT_EQ(rows(2, 4),
            "│[ F6 Find ]   [ Save ]                  │\n"
            "│                                        │\n"
            "│PgDn Ne.Bottom                          │\n");
  EXPECT_EQ(canvas.at(3, 2).attr & kBold, kBold);  // "F6"
  EXPECT_EQ(canvas.at(6, 2).attr & (kBold | kUnderline), 0);
  EXPECT_EQ(canvas.at(1, 4).attr & kBold, kBold);  // "PgDn", kept whole
  std::string letters;
  for (const ButtonKey& k : button_keys(w)) letters += static_cast<char>(k.letter);
  EXPECT_EQ(letters, "S");
  EXPECT_EQ(button_for_key(w, 'f'), 0u);
  set_button_key_source(before);
  EXPECT_EQ(button_key(get_dlg_item(w, 3007)), "");
}

// A list view's columns each hold their width's text and a blank after it,
// the view widened into free cells for the blanks, else cut at its edge;
// a field laid over a cell of the current row, as a lines grid edits it,
// lies on that cell's text, the blanks between the columns kept.
TEST_F(TerminalDraw, AListViewShowsItsColumnsApartAndAFieldOverACellStaysInIt) {
  struct Case {
    const char* id;
    int cols;      // the view's width in cells
    bool blocked;  // a control right of it
    const char* header;
    const char* row;
  } cases[] = {
      {"room", 50, false, "Debit      Credit     Amount   Concept", "6400000000 5720000001  2100.00 Nomina del mes"},
      {"widened", 44, false, "Debit      Credit     Amount   Concept", "6400000000 5720000001  2100.00 Nomina del mes"},
      {"cut at its edge", 40, true, "Debit      Credit     Amount   Concept", "6400000000 5720000001  2100.00 Nomina de"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Hwnd w = window("Entries", 1, 1, 60, 10);
    Hwnd lv = ctl(w, "SysListView32", 1, "", LVS_REPORT, 1, 1, c.cols, 6);
    if (c.blocked) ctl(w, "STATIC", 9, "", 0, 1 + c.cols, 1, 2, 6);
    lv_insert_column(lv, 0, "Debit", 10 * kCell.x, Align::Left);
    lv_insert_column(lv, 1, "Credit", 10 * kCell.x, Align::Left);
    lv_insert_column(lv, 2, "Amount", 8 * kCell.x, Align::Right);
    lv_insert_column(lv, 3, "Concept", 15 * kCell.x, Align::Left);
    for (int r = 0; r < 2; ++r) {
      lv_insert_item(lv, r, "6400000000");
      lv_set_item_text(lv, r, 1, "5720000001");
      lv_set_item_text(lv, r, 2, "2100.00");
      lv_set_item_text(lv, r, 3, "Nomina del mes");
    }
    rows(0, 0);
    // The view starts at the third column: "│ " before it.
    EXPECT_EQ(canvas.line(3), "│ " + std::string(c.header) + std::string(59 - std::string(c.header).size(), ' ') + "│");
    EXPECT_EQ(canvas.line(4), "│ " + std::string(c.row) + std::string(59 - std::string(c.row).size(), ' ') + "│");
    destroy_window(w);
  }
  // Fields over the second row: a number right-aligned in its column (its
  // edit starting 3 pixels left of the column), a text 3 pixels in.
  Hwnd w = window("Entries", 1, 1, 60, 10);
  Hwnd lv = ctl(w, "SysListView32", 1, "", LVS_REPORT, 1, 1, 50, 6);
  lv_insert_column(lv, 0, "Debit", 10 * kCell.x, Align::Left);
  lv_insert_column(lv, 1, "Amount", 8 * kCell.x, Align::Right);
  lv_insert_column(lv, 2, "Concept", 15 * kCell.x, Align::Left);
  lv_insert_item(lv, 0, "6400000000");
  lv_insert_item(lv, 1, "");
  Rect view = get_window_rect(lv);
  Point origin = screen_to_client(w, Point{view.left, view.top});
  auto over = [&](int id, int col, int dx, int width, std::string_view text) {
    Rect cell = lv_subitem_rect(lv, 1, col);
    CreateSpec s;
    s.cls = "EDIT";
    s.title = text;
    s.style = WS_CHILD | WS_VISIBLE | (col == 1 ? ES_RIGHT : 0);
    s.parent = w;
    s.id = id;
    s.x = origin.x + cell.left + dx, s.y = origin.y + cell.top + 3, s.width = width, s.height = cell.Height() - 4;
    return create_window(s);
  };
  over(2, 0, 3, 10 * kCell.x, "5720000001");
  over(3, 1, -3, 8 * kCell.x, "12.50");
  over(4, 2, 3, 15 * kCell.x, "");
  rows(0, 0);
  EXPECT_EQ(canvas.line(5), "│ 5720000001 ___12.50 _______________" + std::string(24, ' ') + "│");
  for (int col : {12, 21, 37}) EXPECT_EQ(canvas.at(col, 5).attr & kReverse, 0) << col;  // the blanks between
  EXPECT_EQ(canvas.at(20, 5).attr & kReverse, kReverse);
  Hit hit = hit_test(18, 5, kCell);
  EXPECT_EQ(get_ctrl_id(hit.window), 3);
}

// An edit field a person can type in shows its free cells as a line at its
// full width, empty or not; a read-only or disabled one shows none. Without
// the focus a field shows its text from the start.
TEST_F(TerminalDraw, AFieldShowsWhereToTypeAtItsFullWidth) {
  struct Case {
    const char* id;
    const char* text;
    uint32_t style;
    bool enabled;
    const char* shown;
  } cases[] = {
      {"empty", "", 0, true, "________"},
      {"text", "ab", 0, true, "ab______"},
      {"number", "42", ES_RIGHT, true, "______42"},
      {"read-only", "", ES_READONLY, true, ""},
      {"disabled", "ab", 0, false, "ab"},
      {"longer, without the focus", "abcdefghijk", 0, true, "abcdefgh"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Hwnd w = window("Form", 0, 0, 30, 4);
    Hwnd e = ctl(w, "EDIT", 1, c.text, c.style, 4, 1, 8);
    enable_window(e, c.enabled);
    edit_set_sel(e, -1, -1);  // the caret after the text, as a field left by Tab has it
    rows(0, 0);
    EXPECT_EQ(canvas.line(2), "│    " + std::string(c.shown) + std::string(static_cast<size_t>(26 - std::string(c.shown).size()), ' ') + "│");
    EXPECT_EQ(canvas.at(5, 2).attr & kReverse, kReverse);
    destroy_window(w);
  }
}

TEST_F(TerminalDraw, ADisabledWindowIsDimmedAndTheActiveTitleStandsOut) {
  Hwnd back = window("Back", 0, 0, 20, 6);
  Hwnd front = window("Front", 10, 2, 20, 6);
  ctl(back, "STATIC", 1, "behind", 0, 1, 1, 8);
  enable_window(back, false);
  EXPECT_EQ(rows(0, 3),
            "┌─ Back ─────────────┐\n"
            "│                    │\n"
            "│ behind ┌─ Front ────────────┐\n"
            "│        │                    │\n");
  EXPECT_EQ(canvas.at(2, 2).attr & kDim, kDim);
  EXPECT_EQ(canvas.at(12, 2).attr & kReverse, kReverse);  // "Front" is active
  EXPECT_EQ(canvas.at(2, 0).attr & kReverse, 0);
  (void)front;
}

// Windows placed where their frame would fall off the screen come wholly
// onto it; one larger than the screen keeps its caption and is cut, its
// frame drawn at the screen's edges (the status line stays the status line).
TEST_F(TerminalDraw, EveryWindowLiesWhollyOnTheScreenWithItsFrameAndTitle) {
  Hwnd corner = window("Corner", 0, 0, 20, 4);
  ctl(corner, "STATIC", 1, "left", 0, 0, 1, 4);
  EXPECT_EQ(rows(0, 4),
            "┌─ Corner ───────────┐\n"
            "│                    │\n"
            "│left                │\n"
            "│                    │\n"
            "└────────────────────┘\n");
  destroy_window(corner);
  Hwnd edge = window("Edge", 70, 20, 20, 6);
  ctl(edge, "STATIC", 1, "right", 0, 15, 4, 5);
  rows(0, 0);
  EXPECT_EQ(canvas.line(16), std::string(58, ' ') + "┌─ Edge ─────────────┐");
  EXPECT_EQ(canvas.line(21), std::string(58, ' ') + "│               right│");
  EXPECT_EQ(canvas.line(22), std::string(58, ' ') + "└────────────────────┘");
  Hit hit = hit_test(75, 21, kCell);  // clicks follow the window where it is shown
  EXPECT_EQ(get_ctrl_id(hit.window), 1);
  destroy_window(edge);
  window("A title longer than the screen is wide, so that it is cut before the close box at the right", 0, 0, 100, 40,
         WS_EX_DLGMODALFRAME, WS_SYSMENU);
  rows(0, 0);
  EXPECT_EQ(canvas.line(0), "┌─ A title longer than the screen is wide, so that it is cut before the clo─[x]┐");
  EXPECT_EQ(canvas.line(22), "└──────────────────────────────────────────────────────────────────────────────┘");
  EXPECT_EQ(canvas.line(23).substr(0, 8), " A title");
  EXPECT_NE(canvas.line(23).find("Ctrl+W close"), std::string::npos);
}

// A close box: "[x]" at the right of the caption of a window with a window
// menu (and of a plain overlapped window, the main window); a click on it
// is the close request, as Ctrl+W is. A window without one has neither.
TEST_F(TerminalDraw, AWindowWithACloseBoxShowsItAndTakesAClickOnIt) {
  Hwnd plain = window("Plain", 2, 2, 20, 4);
  EXPECT_EQ(close_target(), 0u);
  EXPECT_EQ(rows(2, 2), " ┌─ Plain ────────────┐\n");
  Hwnd w = window("Closable", 2, 8, 20, 4, WS_EX_DLGMODALFRAME, WS_SYSMENU);
  EXPECT_EQ(rows(8, 8), " ┌─ Closable ──────[x]┐\n");
  EXPECT_EQ(close_target(), w);
  Hit hit = hit_test(19, 8, kCell);
  EXPECT_EQ(hit.closeBox, w);
  EXPECT_EQ(hit_test(3, 8, kCell).closeBox, 0u);
  EXPECT_NE(canvas.line(23).find("Ctrl+W close"), std::string::npos);
  enable_window(w, false);
  EXPECT_EQ(close_target(), 0u);  // a disabled window takes no close request
  (void)plain;
}

// Buttons without a key of their own are chosen by Alt+ a letter: the marked
// one, else the first letter of a word of the caption, else any letter, never
// one another button of the window has; the letter is drawn highlighted.
TEST_F(TerminalDraw, EveryButtonOfAWindowGetsALetterOfItsOwn) {
  Hwnd w = window("Buttons", 0, 0, 70, 6);
  const char* caps[] = {"New", "Top", "Bottom", "&Save", "Next", "Cancel", "Ok", "Sub total", "Ne"};
  int col = 1;
  for (int i = 0; i < 9; ++i) {
    ctl(w, "BUTTON", 10 + i, caps[i], BS_PUSHBUTTON, col, 2, 7);
    col += 7;
  }
  Hwnd hidden = ctl(w, "BUTTON", 30, "Hidden", BS_PUSHBUTTON, 1, 4, 8);
  show_window(hidden, Show::Hide);
  std::string letters;
  std::vector<int> index;
  for (const ButtonKey& k : button_keys(w)) {
    letters += static_cast<char>(k.letter);
    index.push_back(k.index);
  }
  EXPECT_EQ(letters, "NTBSECOU");  // "Ne" has no letter left: only a click or Tab reach it
  EXPECT_EQ(button_for_key(w, 'c'), get_dlg_item(w, 15));
  EXPECT_EQ(button_for_key(w, 'h'), 0u);  // hidden buttons have none
  rows(3, 3);
  int at = 0;
  while (at < 79 && !(canvas.at(at, 3).ch == U'N' && canvas.at(at + 1, 3).ch == U'e' && canvas.at(at + 2, 3).ch == U'x')) ++at;
  EXPECT_EQ(canvas.at(at + 1, 3).attr & kUnderline, kUnderline);  // the "e" of Next
  EXPECT_EQ(canvas.at(at, 3).attr & kUnderline, 0);
}

// The message popup: a framed box without caption over the window below,
// its painted lines centred; it is not the active window.
TEST_F(TerminalDraw, APaintedPopupShowsItsLinesCentredInAFrame) {
  Hwnd w = window("Below", 0, 0, 30, 8);
  CreateSpec s;
  s.cls = "STATIC";
  s.style = WS_POPUP | WS_DLGFRAME | WS_VISIBLE;
  s.exStyle = WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  s.x = 6 * kCell.x, s.y = 2 * kCell.y, s.width = 14 * kCell.x, s.height = 4 * kCell.y;
  Hwnd popup = create_window(s);
  fill_rect(popup, get_client_rect(popup), 2);
  draw_text(popup, "Hello\r\nworld!", get_client_rect(popup), DT_CENTER);
  EXPECT_EQ(rows(1, 6),
            "│    ┌──────────────┐          │\n"
            "│    │              │          │\n"
            "│    │    Hello     │          │\n"
            "│    │    world!    │          │\n"
            "│    │              │          │\n"
            "│    └──────────────┘          │\n");
  EXPECT_EQ(active_window(), w);
  EXPECT_EQ(canvas.line(23), " Below");
}

TEST_F(TerminalDraw, ClicksReachTheControlAndTheItemUnderThem) {
  Hwnd w = window("Form", 0, 0, 40, 10);
  Hwnd list = ctl(w, "LISTBOX", 1, "", LBS_NOTIFY, 1, 1, 12, 5);
  for (const char* t : {"a", "b", "c"}) listbox_add(list, t);
  Hwnd lv = ctl(w, "SysListView32", 2, "", LVS_REPORT | LVS_SINGLESEL, 15, 1, 20, 4);
  lv_insert_column(lv, 0, "Col", 10 * kCell.x, Align::Left);
  for (int i = 0; i < 3; ++i) lv_insert_item(lv, i, "row");
  Hwnd ok = ctl(w, "BUTTON", 3, "OK", BS_PUSHBUTTON, 1, 7, 8);
  rows(0, 0);
  // The list's frame lies in the free cells around it, its items on its rows.
  Hit hit = hit_test(3, 4, kCell);
  ASSERT_EQ(hit.window, list);
  ASSERT_TRUE(input_click(hit.window, hit.client, Click::Left));
  pump_all();
  EXPECT_EQ(listbox_get_sel(list), 2);
  hit = hit_test(17, 5, kCell);  // a list view's rows lie under its header
  ASSERT_EQ(hit.window, lv);
  input_click(hit.window, hit.client, Click::Left);
  pump_all();
  EXPECT_EQ(lv_selection_mark(lv), 2);
  hit = hit_test(3, 8, kCell);
  ASSERT_EQ(hit.window, ok);
  input_click(hit.window, hit.client, Click::Left);
  pump_all();
  EXPECT_EQ(only("COMMAND"), (std::vector<std::string>{"#1 COMMAND 1/1", "#1 COMMAND 3/0"}));
  EXPECT_EQ(hit_test(79, 20, kCell).window, 0u);
  EXPECT_TRUE(reports.empty());
}

// ---- The menu of a menu bar -------------------------------------------------

Key K(uint16_t vk, int ch = -1) { return Key{vk, 0, ch}; }

class TerminalMenu : public TerminalDraw {
 protected:
  void SetUp() override {
    TerminalDraw::SetUp();
    Hmenu file = menu_create_popup(), help = menu_create_popup(), more = menu_create_popup();
    menu_append_item(file, 11, "&Open");
    menu_append_item(file, 12, "&Print");
    menu_append_item(file, 0, "");
    menu_append_item(file, 13, "E&xit");
    menu_append_item(more, 31, "&Deep");
    menu_append_item(help, 21, "&About");
    menu_append_popup(help, more, "&More");
    Hmenu bar = menu_create_bar();
    menu_append_popup(bar, file, "&File");
    menu_append_popup(bar, help, "&Help");
    menu_append_item(bar, 40, "&Quit");
    CreateSpec s;
    s.cls = "Rec";
    s.title = "Main";
    s.style = WS_CAPTION;
    s.menu = bar;
    main = create_window(s);
    show_window(main, Show::ShowMaximized);
  }
  // Opens the second bar item's list and its submenu, and draws the screen.
  void OpenSubmenu(MenuTracker& m) {
    m.open(main, 1);
    m.key(K(VK_DOWN));
    m.key(K(VK_RIGHT));
    rows(0, 0);
    m.draw(canvas, kCell);
  }
  Hwnd main = 0;
};

Key C(char ch) { return Key{static_cast<uint16_t>(ch >= 'a' ? ch - 32 : ch), 0, ch}; }

TEST_F(TerminalMenu, KeysWalkTheMenuAndChooseAnItem) {
  struct Case {
    const char* id;
    std::vector<Key> keys;
    int command;  // -1: still open after the keys
  } cases[] = {
      {"enter", {K(VK_RETURN)}, 11},
      {"down", {K(VK_DOWN), K(VK_RETURN)}, 12},
      {"separator-skipped", {K(VK_DOWN), K(VK_DOWN), K(VK_RETURN)}, 13},
      {"up-wraps", {K(VK_UP), K(VK_RETURN)}, 13},
      {"submenu", {K(VK_RIGHT), K(VK_DOWN), K(VK_RIGHT), K(VK_RETURN)}, 31},
      {"bar-item", {K(VK_LEFT), K(VK_RETURN)}, 40},
      {"letters", {K(VK_RIGHT), C('m'), C('d')}, 31},
      {"letter-in-list", {C('x')}, 13},
      {"esc-closes-a-level", {K(VK_RIGHT), K(VK_DOWN), K(VK_RIGHT), K(VK_ESCAPE)}, -1},
      {"esc-closes", {K(VK_ESCAPE)}, 0},
      {"f10-closes", {K(VK_F1 + 9)}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    MenuTracker m;
    m.open(main);
    MenuTracker::Result r;
    for (const Key& k : c.keys) r = m.key(k);
    EXPECT_EQ(r.done ? r.command : -1, c.command);
    EXPECT_EQ(m.active(), !r.done);
  }
}

TEST_F(TerminalMenu, TheMenuDropsDownUnderItsBarItem) {
  MenuTracker m;
  OpenSubmenu(m);
  std::string out;
  for (int r = 0; r <= 6; ++r) out += canvas.line(r) + "\n";
  EXPECT_EQ(out,
            "─ Main ─────────────────────────────────────────────────────────────────────────\n"
            "  File  Help  Quit\n"
            "       ┌───────┐\n"
            "       │ About │┌──────┐\n"
            "       │ More ►││ Deep │\n"
            "       └───────┘└──────┘\n"
            "\n");
  EXPECT_EQ(canvas.at(8, 1).attr & kReverse, kReverse);  // "Help"
  // A click on an item of an open list chooses it; a click elsewhere closes.
  EXPECT_EQ(m.click(18, 4, kCell).command, 31);
  m.open(main);
  EXPECT_TRUE(m.click(40, 15, kCell).done);
  m.open(main);
  EXPECT_EQ(m.click(15, 1, kCell).command, 40);  // "Quit" is a command of the bar
}

// A submenu with no room right of its parent opens left of it; neither
// covers the other's frame.
TEST_F(TerminalMenu, ASubmenuAtTheScreensEdgeOpensLeftOfItsParent) {
  Hmenu more = menu_create_popup(), tools = menu_create_popup(), bar = menu_create_bar();
  menu_append_item(more, 31, "&Deep");
  menu_append_item(tools, 21, "&About");
  menu_append_popup(tools, more, "&More");
  menu_append_item(bar, 40, std::string(64, 'w'));
  menu_append_popup(bar, tools, "&Tools");
  set_menu(main, bar);
  MenuTracker m;
  OpenSubmenu(m);
  EXPECT_EQ(canvas.line(2).substr(59), "        ┌───────┐");
  EXPECT_EQ(canvas.line(3).substr(59), "┌──────┐│ About │");
  EXPECT_EQ(canvas.line(4).substr(59), "│ Deep ││ More ►│");
  EXPECT_EQ(canvas.line(5).substr(59), "└──────┘└───────┘");
  EXPECT_EQ(m.click(61, 4, kCell).command, 31);
}

// ---- Message boxes and popup menus ------------------------------------------

TEST(TerminalBox, KeysAnswerAsTheButtonsSay) {
  struct Case {
    const char* id;
    uint32_t type;
    std::vector<Key> keys;
    int answer;
  } cases[] = {
      {"y-yes", MB_YESNO, {C('y')}, IDYES},
      {"esc-no", MB_YESNO, {K(VK_ESCAPE)}, IDNO},
      {"esc-cancel", MB_YESNOCANCEL, {K(VK_ESCAPE)}, IDCANCEL},
      {"esc-ok", MB_OK, {K(VK_ESCAPE)}, IDOK},
      {"enter-default", MB_OKCANCEL, {K(VK_RETURN)}, IDOK},
      {"right-enter", MB_YESNOCANCEL, {K(VK_RIGHT), K(VK_RETURN)}, IDNO},
      {"tab-wraps", MB_YESNO, {K(VK_TAB), K(VK_TAB), K(VK_RETURN)}, IDYES},
      {"esc-abort", MB_ABORTRETRYIGNORE, {K(VK_ESCAPE)}, IDABORT},
      {"i-ignore", MB_ABORTRETRYIGNORE, {C('i')}, IDIGNORE},
      {"c-cancel", MB_RETRYCANCEL, {C('c')}, IDCANCEL},
      {"other-key-waits", MB_YESNO, {C('q')}, 0},
  };
  for (const Case& c : cases) {
    BoxOverlay box("Sure?", "Ask", c.type);
    int answer = 0;
    for (const Key& k : c.keys) answer = box.key(k);
    EXPECT_EQ(answer, c.answer) << c.id;
  }
}

TEST(TerminalBox, TheBoxIsCentredWithItsCaptionAndButtons) {
  Canvas c(40, 12);
  BoxOverlay box("Delete this\r\nrecord?", "Delete", MB_YESNO);
  box.draw(c);
  std::string out;
  for (int r = 2; r <= 7; ++r) out += c.line(r) + "\n";
  EXPECT_EQ(out,
            "          ┌─ Delete ────────┐\n"
            "          │ Delete this     │\n"
            "          │ record?         │\n"
            "          │                 │\n"
            "          │ [ Yes ]  [ No ] │\n"
            "          └─────────────────┘\n");
  EXPECT_EQ(box.click(23, 6), IDNO);
  EXPECT_EQ(box.click(2, 2), 0);
}

TEST(TerminalPopup, KeysChooseAPositionOrNone) {
  std::vector<std::string> items{"&Copy", "", "&Paste"};
  struct Case {
    const char* id;
    std::vector<Key> keys;
    int chosen;
  } cases[] = {{"enter", {K(VK_RETURN)}, 0},
               {"down-skips-separator", {K(VK_DOWN), K(VK_RETURN)}, 2},
               {"letter", {C('p')}, 2},
               {"esc", {K(VK_ESCAPE)}, -1},
               {"open", {K(VK_DOWN)}, -2}};
  for (const Case& c : cases) {
    PopupOverlay p(items, 5, 5);
    int chosen = -2;
    for (const Key& k : c.keys) chosen = p.key(k);
    EXPECT_EQ(chosen, c.chosen) << c.id;
  }
}

TEST(TerminalPrompt, ATypedPathAnswersAndAnEmptyLineCancels) {
  DialogRequest req;
  req.title = "Open";
  req.initial = "A.PAN";
  req.filters = {{"Screen Files (*.PAN)", "*.PAN"}, {"", "*.*"}};
  struct Case {
    const char* id;
    std::vector<Key> keys;
    int answer;
    const char* path;
  } cases[] = {
      {"initial", {K(VK_RETURN)}, 1, "A.PAN"},
      {"edited", {K(VK_BACK), K(VK_BACK), K(VK_BACK), C('x'), Key{kOem8, 0, 0xF1}, K(VK_RETURN)}, 1, "A.x\xF1"},
      {"emptied", {K(VK_BACK), K(VK_BACK), K(VK_BACK), K(VK_BACK), K(VK_BACK), K(VK_BACK), K(VK_RETURN)}, 0, ""},
      {"esc", {C('b'), K(VK_ESCAPE)}, 0, "A.PANb"},
  };
  for (const Case& c : cases) {
    PromptOverlay p(req);
    int answer = -1;
    for (const Key& k : c.keys) answer = p.key(k);
    EXPECT_EQ(answer, c.answer) << c.id;
    EXPECT_EQ(p.path(), c.path) << c.id;
  }
  Canvas c(50, 10);
  PromptOverlay p(req);
  p.draw(c);
  EXPECT_EQ(c.line(2), "    ┌─ Open ─────────────────────────────────┐");
  EXPECT_EQ(c.line(3), "    │ Screen Files (*.PAN), *.*              │");
  EXPECT_EQ(c.line(5), "    │ File: A.PAN                            │");
  EXPECT_EQ(c.cursorCol, 17);  // after the name
}

TEST_F(TerminalDraw, AResizeGivesMaximisedWindowsTheNewWorkArea) {
  Hwnd big = window("Big", 0, 0, 10, 5);
  show_window(big, Show::ShowMaximized);
  Hwnd small = window("Small", 5, 5, 10, 5);
  Rect before = get_window_rect(small);
  // The terminal grows to 100 x 30 (the headless back end's profile is held
  // by value in it, so it can be changed in place).
  const_cast<Profile&>(hl->profile()) = terminal_profile(100, 30, kCell);
  work_area_changed();
  EXPECT_EQ(get_window_rect(big), (Rect{0, 0, 1200, 29 * 24}));
  EXPECT_EQ(get_window_rect(small), before);
  // The main window's menu bar row stays its own: the work area, where the
  // other windows are placed, begins below it, and ends a row above the
  // status line for a bottom frame line; the maximised window fills both.
  EXPECT_EQ(work_area(), (Rect{0, 24, 1200, 28 * 24}));
  EXPECT_EQ(maximized_area(), (Rect{0, 0, 1200, 29 * 24}));
}

}  // namespace
}  // namespace uitest
