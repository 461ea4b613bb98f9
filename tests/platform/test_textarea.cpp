// Multi-line edits as text areas: the caret moves by lines and pages, the
// first line shown follows it, and the terminal draws the area framed from
// that line.
#include <string>

#include "platform/ui/terminal.h"
#include "test_ui_fixture.h"

namespace uitest {
namespace {

using namespace ui::term;

constexpr Point kCell{12, 24};

// A headless core with the metrics of an 80 x 24 terminal.
class TextArea : public UiTest {
 protected:
  void SetUp() override {
    HeadlessOptions o;
    o.stall = StallPolicy::Fail;
    o.onFailure = [this](const std::string& r) { reports.push_back(r); };
    o.profile = terminal_profile(80, 24, kCell);
    init(std::make_unique<Headless>(std::move(o)));
    register_class("Rec", record);
    set_cell_size(kCell.x, kCell.y);
    CreateSpec s;
    s.cls = "Rec";
    s.title = "Report";
    s.style = WS_CAPTION | WS_VISIBLE;
    s.x = 0, s.y = 0, s.width = 30 * kCell.x, s.height = 8 * kCell.y;
    Hwnd w = create_window(s);
    std::string text;
    for (int i = 1; i <= 20; ++i) text += (i == 8 ? std::string("short") : "line " + std::to_string(100 + i)) + "\r\n";
    text += "last";
    // 30 columns by 6 lines of text, read-only.
    area = child(w, "EDIT", 1, ES_MULTILINE | ES_READONLY, text);
    set_window_pos(area, 0, 0, 30 * kCell.x, 6 * kCell.y, SWP_NOZORDER);
    edit_set_sel(area, 0, 0);
  }
  void Keys(std::initializer_list<uint16_t> keys) {
    for (uint16_t vk : keys) send(area, WM_KEYDOWN, vk, 0);
  }
  // The caret's line and column, and the first line shown.
  std::string Where() {
    std::string t = get_text(area);
    int caret = edit_get_sel(area).second, line = 0, col = 0;
    for (int i = 0; i < caret; ++i) {
      if (t[static_cast<size_t>(i)] == '\n') ++line, col = 0;
      else if (t[static_cast<size_t>(i)] != '\r') ++col;
    }
    return std::to_string(line) + ":" + std::to_string(col) + " top " +
           std::to_string(get_scroll_info(area, SB_VERT).pos);
  }
  Hwnd area = 0;
};

TEST_F(TextArea, ArrowsAndPagesMoveTheCaretAndTheFirstLineFollows) {
  struct Case {
    const char* id;
    std::initializer_list<uint16_t> keys;
    const char* want;
  } cases[] = {
      {"down", {VK_DOWN}, "1:0 top 0"},
      {"a page", {VK_NEXT}, "6:0 top 1"},
      {"past the end", {VK_NEXT, VK_NEXT, VK_NEXT, VK_NEXT, VK_NEXT}, "20:0 top 15"},
      {"back up a page", {VK_NEXT, VK_NEXT, VK_NEXT, VK_NEXT, VK_PRIOR}, "14:0 top 14"},
      {"up at the start", {VK_UP}, "0:0 top 0"},
      {"column kept, cut to a short line", {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_NEXT}, "6:6 top 1"},
      {"cut to a short line", {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_NEXT, VK_DOWN}, "7:5 top 2"},
      {"the short line's column goes on", {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_NEXT, VK_DOWN, VK_DOWN}, "8:5 top 3"},
  };
  for (const Case& c : cases) {
    edit_set_sel(area, 0, 0);
    Keys(c.keys);
    EXPECT_EQ(Where(), c.want) << c.id;
  }
  // A single-line edit ignores the line keys.
  Hwnd field = child(get_parent(area), "EDIT", 2, 0, "abc");
  edit_set_sel(field, 1, 1);
  send(field, WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(edit_get_sel(field).second, 1);
}

TEST_F(TextArea, TheTerminalDrawsAFramedAreaFromTheFirstLine) {
  auto draw = [&] {
    Canvas c(80, 24);
    draw_top(c, get_parent(area), kCell);
    std::string out;
    for (int r = 1; r <= 6; ++r) out += c.line(r) + "\n";
    return out;
  };
  // The window's own frame stands just right of the area.
  EXPECT_EQ(draw(),
            "│┌────────────────────────────┐│\n"
            "││line 101                    ││\n"
            "││line 102                    ││\n"
            "││line 103                    ││\n"
            "││line 104                    ││\n"
            "│└────────────────────────────┘│\n");
  // A page down puts the caret on line 107; the four lines shown end there.
  Keys({VK_NEXT});
  EXPECT_EQ(draw(),
            "│┌────────────────────────────┐│\n"
            "││line 104                    ││\n"
            "││line 105                    ││\n"
            "││line 106                    ││\n"
            "││line 107                    ││\n"
            "│└────────────────────────────┘│\n");
}

}  // namespace
}  // namespace uitest
