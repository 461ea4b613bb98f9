// The menu line reader: one reader at a time over a line queue.
#include <algorithm>

#include "runtime/dynstrings.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/menus/menufile.h"
#include "script/objparams.h"

namespace {

struct MenuReader {
  uint16_t list = FileLinesQueue;
  uint32_t remaining = 0;
  int previousLevel = 0;
  MenuFileStep last;
};
MenuReader g_reader;

// Lines left, never more than the list holds (another reader of the same
// queue may have taken lines meanwhile).
uint32_t Remaining() { return std::min(g_reader.remaining, DynStrCount(g_reader.list)); }

MenuFileStep EndStep() {
  MenuFileStep step = g_reader.last;
  step.end = -1;
  return step;
}

StrValue TrimmedHead() { return StrTrimSet(DynStrGet(g_reader.list, 0), StrFromC(" \t"), 2); }

// A line of white space only is no item: it would read as an empty caption
// of the bar.
void SkipBlankLines() {
  while (Remaining() > 0 && StrTrim(DynStrGet(g_reader.list, 0), 3).len == 0) {
    DynStrDelete(g_reader.list, 0);
    --g_reader.remaining;
  }
}

}  // namespace

Status MenuFileOpen(StrValue name) {
  const StrAreaScope scope;
  MenuReaderReset(FileLinesQueue, 0);
  StrValue file = FileTypeName(StrListItem(name, ',', 1), 9);
  int32_t n = ParmLinesLoad(file, 0, 0);
  g_reader.remaining = n > 0 ? static_cast<uint32_t>(n) : 0;
  // Only a missing (or empty) file answers 0xffff; a file that could not be
  // queued answers its own code.
  Status s = n > 0 ? 0 : n < kParmMissing ? static_cast<Status>(-n) : 0xffff;
  return s;
}

MenuFileStep MenuFileItem() {
  SkipBlankLines();
  if (Remaining() == 0) return EndStep();
  MenuFileStep step;
  StrValue line = TrimmedHead();
  int level = 0;
  while (level < line.len && line.ptr[level] == '\t') ++level;
  // The item text outlives the queue head: keep a copy in the string area.
  StrValue text = StrDup(StrMid(line, level, 65535));
  step.levelStep = level - g_reader.previousLevel;
  step.item.text = text;
  step.item.commandFlag = StrListCount(text, ',') > 1 ? -1 : 0;
  g_reader.previousLevel = level;
  g_reader.last = step;
  return step;
}

MenuFileStep MenuFileNext() {
  if (Remaining() > 0) {
    DynStrDelete(g_reader.list, 0);
    --g_reader.remaining;
  }
  return MenuFileItem();
}

void MenuReaderReset(uint16_t list, uint32_t count) {
  g_reader = MenuReader{};
  g_reader.list = list;
  g_reader.remaining = count;
}

uint32_t MenuReaderQueued() { return Remaining(); }

void MenuReaderDrain() {
  for (uint32_t n = Remaining(); n > 0; --n) DynStrDelete(g_reader.list, 0);
  g_reader.remaining = 0;
}
