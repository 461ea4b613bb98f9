// Steps of a headless run: what a person does (keys, typed text, clicks,
// menu choices, closing, scrolling), what a device sends, the answers to
// message boxes, popup menus and file dialogs, guards that hold the steps back until a
// window is on top, the virtual clock, and expectations checked on the way.
//
// The same steps come from a script file (the format is in SCRIPT.md beside
// this header; parse_script reads it) or from the C++ driver of the headless
// back end (headless.h). Each step renders back to its script line
// (describe), which is what the transcript shows.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/ui_types.h"

namespace ui {

enum class StepKind {
  Key,          // vk, mods, ch (-1: derived from the key)
  Click,        // target; click kind in `row` (0 left, 1 double, 2 right)
  LvClick,      // target, row; click kind in `col` (0 left, 1 double, 2 right)
  ListSelect,   // target, row (list box); `col` 1 = double click
  ComboSelect,  // target, row
  Menu,         // id, or the caption path in `text` ("File>Open")
  Close,
  Scroll,       // vertical (vk 1) or horizontal (vk 0); request in `row`, position in `col`
  Device,       // slot in `row`, bytes in `col`
  Answer,       // button id in `row`, optional text in `match`
  Popup,        // 1-based position in `row` (0 = none) or caption in `text`
  Dialog,       // the path that answers the next file or folder dialog in `text` (empty = cancel)
  WaitTop,      // class in `text`, title in `match` (either may be empty)
  Advance,      // milliseconds in `row`
  ExpectText,   // target, text
  ExpectFocus,  // target
  ExpectEnabled,// target, `row` 0 or 1
  ExpectBox,    // text: a part of the last box's text
  ExpectLv,     // target, row, col, text
  ExpectTop,    // like WaitTop, but checked once
  WaitFocus,    // target: holds the later steps until it has the focus
  Snapshot,     // name in `text`
};

// A control named by its id, or by its caption when `caption` is set.
struct Target {
  int id = 0;
  std::string caption;
  bool byCaption = false;
};

struct Step {
  StepKind kind = StepKind::Close;
  int line = 0;  // line of the script file, 0 for steps made in C++
  uint16_t vk = 0;
  LParam mods = 0;
  int ch = -1;
  Target target;
  int row = 0;
  int col = 0;
  std::string text;
  std::string match;
};

// Appends the steps of a script text; false with a message naming the line
// on the first error (no step of a text with an error is kept).
bool parse_script(std::string_view text, std::vector<Step>& out, std::string& error);
std::string describe(const Step& s);
// Text in double quotes with \" \\ and \xNN for control bytes.
std::string quote_text(std::string_view s);

// Named keys and answers, shared with the C++ driver.
bool parse_key(std::string_view spec, uint16_t& vk, LParam& mods);
int parse_answer(std::string_view word);  // IDOK ... IDNO, 0 when unknown
const char* answer_name(int id);
// The key steps a person's typing of `text` makes, one per character.
void typing_steps(std::string_view text, std::vector<Step>& out, int line = 0);
// A barcode scanner acting as a keyboard: Ctrl+], the characters, Enter.
void scan_steps(std::string_view text, std::vector<Step>& out, int line = 0);

}  // namespace ui
