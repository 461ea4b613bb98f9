// The menu file reader: one reader at a time over the line queue.
#include "runtime/dynstrings.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/menufile.h"
#include "script/objparams.h"

namespace {

struct MenuReader {
  uint32_t remaining = 0;
  int previousLevel = 0;
  MenuFileStep last;
};
MenuReader g_reader;

}  // namespace

Status MenuFileOpen(StrValue name) {
  const StrAreaScope scope;
  g_reader = MenuReader{};
  StrValue file = FileTypeName(StrListItem(name, ',', 1), 9);
  int32_t n = ParmLinesLoad(file, 0, 0);
  g_reader.remaining = n > 0 ? static_cast<uint32_t>(n) : 0;
  // Only a missing (or empty) file answers 0xffff; a file that could not be
  // queued answers its own code.
  Status s = n > 0 ? 0 : n < kParmMissing ? static_cast<Status>(-n) : 0xffff;
  return s;
}

MenuFileStep MenuFileItem() {
  MenuFileStep step;
  if (g_reader.remaining == 0) {
    step = g_reader.last;
    step.end = -1;
    return step;
  }
  StrValue line = StrTrimSet(DynStrGet(FileLinesQueue, 0), StrFromC(" \t"), 2);
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
  if (g_reader.remaining > 0) {
    DynStrDelete(FileLinesQueue, 0);
    --g_reader.remaining;
  }
  if (g_reader.remaining == 0) {
    MenuFileStep step = g_reader.last;
    step.end = -1;
    return step;
  }
  return MenuFileItem();
}
