// Internal helpers of the document engine (screens/documents/docengine.h) and the
// document lines in grids (screens/documents/docgrid.h); not for other modules.
#pragma once
#include <cstdint>
#include <string_view>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/grids/gridbuf.h"
#include "screens/window/screendef.h"

namespace docint {

// The current screen and record; null when none.
const ScreenDesc* Screen();
WinRecord* Record();

// The line fields of a screen: its lines block, or every field.
struct LineBlock {
  uint16_t first = 0, last = 0;
  uint16_t Count() const { return first ? static_cast<uint16_t>(last - first + 1) : 0; }
};
LineBlock Lines(const ScreenDesc& s);

// Records code with module 20 and the detail; answers code.
Status Fail(Status code, std::string_view detail);
// Runs a statement text: answers what ends a sequence (122 and above),
// else 0. An empty text does nothing.
Status Run(StrValue text);
void IerSet(Status s);

// The field number of N_LINE in the file, 0 when it has none.
uint16_t LineField(int file);
// The largest line number N_LINE can hold (65535 without N_LINE).
uint32_t LineNumberMax(int file);
// The relation text of the screen's writes (RELOPT% at its level).
StrValue Relations(const ScreenDesc& s);
// The key-check text of the screen's writes (item 1 of IK$(1)).
StrValue KeyCheck(const ScreenDesc& s);

// The window's key number, at least 1.
int WinKey(const WinRecord& r);

}  // namespace docint
