#include "screens/menus/menutree.h"

#include <string>

#include "data/dictionary/compat.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/menus/menufile.h"
#include "script/objparams.h"

namespace {

constexpr int kDefinitionKind = 1;
constexpr int kRootTag = 1;

struct Tree {
  uint32_t lines = 0;
  int depth = 0;
};

Status Fail(Status code, StrValue detail) {
  ErrDetailSet(code, detail, false);
  ErrSet(1, MOD_SCREENS, code, code);
  return code;
}

StrValue Item(StrValue list, uint32_t n) { return StrTrim(StrListItem(list, ',', n), 3); }

// MENU$ and CALLER$ of the current definition, or their old names.
StrValue MenuParm(int n) {
  StrValue v = ParmValueByNum(n);
  return v.IsError() || v.len > 0 ? v : CompatMenuParm(n);
}

// A caption holding a comma, or beginning with a quote, is quoted so that
// the reader takes it whole and gives it back as it was.
std::string LineCaption(StrValue caption) {
  std::string c(caption.View());
  bool quote = c.find(',') != std::string::npos || (!c.empty() && (c[0] == '"' || c[0] == '\''));
  if (!quote) return c;
  char q = c.find('"') == std::string::npos ? '"' : '\'';
  return q + c + q;
}

Status AddLine(Tree& t, int level, StrValue caption, const StrValue* command) {
  std::string line(static_cast<size_t>(level), '\t');
  line += LineCaption(caption);
  if (command) line.append(1, ',').append(command->View());
  const StrAreaScope scope;
  StrValue text = StrFromView(line);
  Status s = text.IsError() ? StrError(text) : DynStrPush(SecondLinesQueue, text);
  if (s == 0) ++t.lines;
  return s;
}

Status ExpandTag(Tree& t, StrValue file, int tag, StrValue command, StrValue caption, int level);

// The tags of a comma list, each with the caption at the same position of
// `captions` counted from `captionFrom` (no captions when captionFrom is 0).
Status ExpandTags(Tree& t, StrValue file, StrValue tags, StrValue captions, uint32_t captionFrom, int level) {
  uint32_t count = StrListCount(tags, ',');
  for (uint32_t i = 1; i <= count; ++i) {
    const StrAreaScope scope;
    int tag = StrToInt(Item(tags, i));
    if (tag <= 0) continue;
    StrValue caption = captionFrom ? StrUnquote(Item(captions, captionFrom + i - 1)) : StrMake("", 0);
    if (Status s = ExpandTag(t, file, tag, StrMake("", 0), caption, level)) return s;
  }
  return 0;
}

// "file,tag" of a LOAD$ item: true with both when the item names a file and
// a tag.
bool LoadTarget(StrValue item, StrValue* file, int* tag) {
  StrValue inner = StrUnquote(StrTrim(item, 3));
  StrValue name = Item(inner, 1);
  *tag = StrToInt(Item(inner, 2));
  if (name.len == 0 || *tag <= 0) return false;
  *file = StrFindChar(name, '.', kSearchPlain) == kNotFound ? FileTypeName(name, 1) : name;
  return true;
}

// The captions of the current definition's MENU$ as items of a menu.
Status AddItems(Tree& t, StrValue menu, StrValue title, int first, int level) {
  StrValue exec = ParmValueByNum(kParmExec), load = ParmValueByNum(kParmLoad);
  uint32_t from = title.len == 0 ? 2 : 1;
  uint32_t count = StrListCount(menu, ',');
  for (uint32_t k = from; k <= count; ++k) {
    const StrAreaScope scope;
    uint32_t i = k - from + 1;
    StrValue caption = StrUnquote(Item(menu, k));
    StrValue command = StrTokenNorm(StrListItem(exec, ',', i));
    if (command.len == 0)
      command = StrCat(StrCat(title, StrFromC(",")), StrFromView(std::to_string(first + static_cast<int>(i))));
    StrValue subFile;
    int subTag = 0;
    Status s = LoadTarget(StrListItem(load, ',', i), &subFile, &subTag)
                   ? ExpandTag(t, subFile, subTag, command, caption, level)
                   : AddLine(t, level, caption, &command);
    if (s) return s;
  }
  return 0;
}

// The title text of a menu from the command that leads to it: its items 1
// and 2 joined by a blank.
StrValue TitleOf(StrValue command) {
  StrValue a = Item(command, 1), b = Item(command, 2);
  if (b.len == 0) return a;
  return StrCat(StrCat(a, StrFromC(" ")), b);
}

Status ExpandBody(Tree& t, StrValue file, StrValue command, StrValue caption, int level) {
  StrValue menu = MenuParm(kParmMenu), caller = MenuParm(kParmCaller);
  if (Status e = StrError(menu) ? StrError(menu) : StrError(caller)) return e;
  if (caption.len == 0) caption = StrUnquote(Item(menu, 1));
  if (menu.len == 0 && caller.len == 0) {
    StrValue exec = command.len ? command : StrTokenNorm(StrListItem(ParmValueByNum(kParmExec), ',', 1));
    return AddLine(t, level, caption, &exec);
  }
  if (Status s = AddLine(t, level, caption, nullptr)) return s;
  if (caller.len > 0) return ExpandTags(t, file, caller, menu, 2, level + 1);
  return AddItems(t, menu, TitleOf(command), StrToInt(Item(command, 3)), level + 1);
}

Status ExpandTag(Tree& t, StrValue file, int tag, StrValue command, StrValue caption, int level) {
  const StrAreaScope scope;
  if (t.depth >= kMenuTreeMaxDepth) return Fail(st::BADINPUTDATA, StrFromView(std::to_string(tag)));
  Status pushed = ParmStrPush(file, kDefinitionKind, tag);
  if (pushed == 0xFFFF) return Fail(st::FILENOTFOUND, file);
  if (pushed != 0) return pushed;
  ++t.depth;
  Status s = ExpandBody(t, file, command, caption, level);
  --t.depth;
  ParmStrPop();
  return s;
}

// The tree of the name's definition file onto list 38: its status and the
// lines added.
Status TreeBuild(StrValue name, Tree& t) {
  const StrAreaScope scope;
  StrValue file = FileTypeName(Item(name, 1), 1);
  Status pushed = ParmStrPush(file, kDefinitionKind, kRootTag);
  if (pushed == 0xFFFF) return Fail(st::FILENOTFOUND, file);
  if (pushed != 0) return pushed;
  StrValue caller = MenuParm(kParmCaller);
  Status s = StrError(caller) ? StrError(caller) : ExpandTags(t, file, caller, StrMake("", 0), 0, 0);
  ParmStrPop();
  return s;
}

// Lines a failed expansion added are taken off the end of list 38 again.
void DropLines(uint32_t n) {
  for (; n > 0 && DynStrCount(SecondLinesQueue) > 0; --n)
    DynStrDelete(SecondLinesQueue, DynStrCount(SecondLinesQueue) - 1);
}

}  // namespace

uint16_t MenuTreeBuild(StrValue name) {
  Tree t;
  Status s = TreeBuild(name, t);
  if (s != 0) {
    DropLines(t.lines);
    return 0xFFFF;
  }
  return static_cast<uint16_t>(t.lines);
}

Status MenuFileCallback(StrValue name) {
  int16_t compat = VarSysIntGet(kSysCompat);
  VarSysIntSet(kSysCompat, static_cast<int16_t>(compat | compat::kOldMenuParms));
  DynStrClear(SecondLinesQueue);
  MenuReaderReset(SecondLinesQueue, 0);
  Tree t;
  Status s = TreeBuild(name, t);
  VarSysIntSet(kSysCompat, compat);
  if (s != 0) {
    DropLines(t.lines);
    return s;
  }
  if (t.lines == 0) return 0xFFFF;
  MenuReaderReset(SecondLinesQueue, t.lines);
  return 0;
}
