#include "script/objparams.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/variables.h"

namespace {

// --- Parameter names ---------------------------------------------------------

// Each parameter beside its name, in number order; a number not here has an
// empty name.
struct ParmRow {
  ObjectParm n;
  std::string_view name;
};
constexpr ParmRow kParmRows[] = {
    {kParmModules, "MODULES$"}, {kParmMenu, "MENU$"}, {kParmCaller, "CALLER$"},
    {kParmSubMenu, "SUBMENU$"}, {kParmLoad, "LOAD$"}, {kParmExec, "EXEC$"},
    {kParmCounter, "COUNTER$"}, {kParmMaxIdsAttr, "MAX_IDS_ATTR%"}, {kParmStatMsg, "STATMSG$"},

    {kParmScreenSize, "SCREENSIZE$"}, {kParmSet, "SET$"}, {kParmOpen, "OPEN$"},
    {kParmEdit, "EDIT$"}, {kParmNoEdit, "NOEDIT$"}, {kParmWrite, "WRITE$"}, {kParmDoc, "DOC$"},
    {kParmDocSets, "DOCSETS$"}, {kParmHelp, "HELP$"}, {kParmSaved, "SAVED$"},
    {kParmHidden, "HIDDEN$"}, {kParmRelOpt, "RELOPT%"}, {kParmUnicNdx, "UNICNDX%"},
    {kParmAutoNdx, "AUTONDX%"}, {kParmKeyMap, "KEYMAP%"}, {kParmScanDef, "SCANDEF$"},
    {kParmScanWin, "SCANWIN$"}, {kParmScanSet, "SCANSET$"}, {kParmVoidMode, "VOIDMODE%"},

    {kParmNumCab, "NUMCAB$"}, {kParmWriteCab0, "WRITECAB0$"}, {kParmWriteCabs, "WRITECABS$"},
    {kParmWriteLins, "WRITELINS$"}, {kParmFitClc, "FITCLC$"}, {kParmFtClc, "FTCLC$"},
    {kParmReadCabs, "READCABS$"}, {kParmReadLins, "READLINS$"}, {kParmLnIns, "LNINS$"},
    {kParmLnDel, "LNDEL$"}, {kParmAlarmLins, "ALARMLINS$"}, {kParmBounds, "BOUNDS$"},
    {kParmDocTypeTxt, "DOCTYPETXT$"}, {kParmMode, "MODE$"}, {kParmFastFind, "FASTFIND$"},
    {kParmFldUpdate, "FLDUPDATE$"}, {kParmBeginFld, "BEGINFLD%"}, {kParmMaxLin, "MAXLIN%"},

    {kParmFd, "FD$"}, {kParmAlarm, "ALARM$"}, {kParmAssign, "ASSIGN$"},
    {kParmLnAssign, "LNASSIGN$"}, {kParmFileDef, "FILEDEF$"}, {kParmPerform, "PERFORM$"},
    {kParmUpdFields, "UPDFIELDS$"}, {kParmWidths, "WIDTHS$"}, {kParmTypes, "TYPES$"},
    {kParmWindows, "WINDOWS$"}, {kParmClear, "CLEAR$"}, {kParmOnConfirm, "ON_CONFIRM$"},
    {kParmOnCancel, "ON_CANCEL$"}, {kParmUsrCond, "USR_COND$"}, {kParmIk1, "IK$(1)"},
    {kParmIk2, "IK$(2)"}, {kParmIk3, "IK$(3)"},

    {kParmAtEnd, "ATEND$"}, {kParmBrkEnd, "BRKEND$"}, {kParmBreak, "BREAK$"},
    {kParmCond, "COND$"}, {kParmMaxLine, "MAXLINE%"}, {kParmLineStep, "LINESTEP%"},
    {kParmTotalBase, "TOTALBASE%"}, {kParmContinue, "CONTINUE%"},
    {kParmExtraStep, "EXTRASTEP%"}, {kParmTitle, "TITLE$"}, {kParmWd, "WD"},

    {kParmDevice, "DEVICE$"}, {kParmDocName, "DOCNAME$"}, {kParmAcBound, "ACBOUND$"},
    {kParmIndex, "INDEX%"}, {kParmLimits, "LIMITS$"}, {kParmAuxLoad, "AUXLOAD$"},
    {kParmReset, "RESET$"}, {kParmSteps, "STEPS$"}, {kParmPrcName, "PRCNAME$"},

    {kParmAcceptPrc, "ACCEPT_PRC%"}, {kParmWinName, "WINNAME$"},
    {kParmProgMode, "PROG_MODE$"}, {kParmParmFile, "PARM_FILE$"},
    {kParmParmFileWrite, "PARM_FILE_WRITE$"}, {kParmSourceFile, "SOURCEFILE%"},
    {kParmImpMode, "IMP_MODE%"}, {kParmRdExp, "RD_EXP$"}, {kParmWrExp, "WR_EXP$"},
    {kParmEotExp, "EOT_EXP$"}, {kParmRdCond, "RD_COND$"}, {kParmTarget, "TARGET$"},
    {kParmLoadImport, "LOAD_IMPORT$"}, {kParmMnuImport, "MNU_IMPORT$"},
    {kParmAutoImport, "AUTO_IMPORT$"}, {kParmStruct, "STRUCT$"},
};

constexpr int kParmEnd = kParmStruct + 1;

// The band starts (their own numbers and those past a band's list have no
// name). Checked below: the rows run through each band without a gap, from
// its start + 1, and nothing else.
constexpr int kBandStarts[] = {0, 10, 30, 50, 70, 90, 100};

constexpr bool ParmRowsAreBands() {
  size_t band = 0;
  int previous = -1;
  for (const ParmRow& r : kParmRows) {
    if (r.name.empty()) return false;
    for (int start : kBandStarts)
      if (r.n == start) return false;
    if (r.n == previous + 1) {
      previous = r.n;
      continue;
    }
    if (band == std::size(kBandStarts) || r.n != kBandStarts[band] + 1) return false;
    if (band > 0 && previous >= kBandStarts[band]) return false;
    ++band;
    previous = r.n;
  }
  return band == std::size(kBandStarts) && previous == kParmStruct;
}
static_assert(ParmRowsAreBands(), "kParmRows[] must follow ObjectParm, band by band");

constexpr std::array<std::string_view, kParmEnd> MakeNames() {
  std::array<std::string_view, kParmEnd> names{};
  for (const ParmRow& r : kParmRows) names[r.n] = r.name;
  return names;
}
constexpr std::array<std::string_view, kParmEnd> kParmNames = MakeNames();

StrValue ViewOf(std::string_view v) { return StrMake(v.data(), static_cast<uint32_t>(v.size())); }
StrValue Empty() { return StrMake("", 0); }

// --- Line kinds ------------------------------------------------------------------

struct LineKind {
  uint16_t tagStart;
  uint16_t tagLen;
  uint16_t contentStart;
  bool dropLast;
};

LineKind KindOf(int kind) {
  switch (kind) {
    case 1: return {0, 2, 3, false};
    case 2: return {1, 2, 3, true};
    case 3: return {0, 4, 5, false};
    case 4: return {0, 2, 2, false};
    case 6: return {0, 5, 0, false};
    default: return {0, 0, 0, false};
  }
}

// --- Event state --------------------------------------------------------------

int16_t AuxGet() { return VarSysIntGet(kSysAux); }
Status AuxSet(int16_t value) { return VarSysIntSet(kSysAux, value); }

StrValue EventList() { return DynStrGet(SystemTextList, SysEventNamesItem); }

// The name of the current event; empty when none is current.
StrValue EventName() {
  int aux = AuxGet();
  if (aux <= 0) return Empty();
  return StrTrim(StrListItem(EventList(), ',', static_cast<uint32_t>(aux)), 3);
}

// EVENT "." NAME in the area, or base itself when no event is current.
StrValue Qualify(StrValue base) {
  StrValue event = EventName();
  if (base.len == 0 || event.len == 0) return base;
  return StrCat(StrCat(event, StrMake(".", 1)), base);
}

// The value of NAME in the current parameter string; *found tells whether
// the name is there at all (a present name may have an empty value).
StrValue LookUp(StrValue name, bool* found) {
  StrValue text = DynStrTop(kParmStack);
  uint32_t hit = StrKeyLocate(text, name, 0);
  *found = hit != kNotFound;
  if (!*found) return Empty();
  return StrTokenNorm(StrValue{text.ptr + (hit & 0xffff), static_cast<uint16_t>(hit >> 16)});
}

// --- Reading tagged lines -------------------------------------------------------

bool HasDirectory(StrValue name) {
  for (char c : name.View())
    if (c == '\\' || c == '/' || c == ':') return true;
  return false;
}

// Opens the file read-only, searching the default directories for a bare
// name. A slot, or 65535 with *code: 0 when the file is missing, else the
// error (168 no free slot).
uint16_t OpenDefinition(StrValue file, Status* code) {
  uint16_t slot = StreamOpen(file, kStreamReadOnly | kStreamQuiet);
  if (slot < kStreamSlots) return slot;
  *code = slot == st::DATAOUTBOUND ? slot : 0;
  if (*code || HasDirectory(file)) return 65535;
  uint16_t mark = StrAreaMark(-1);
  StrValue found = FileSearch(DynStrGet(SettingsList, SetDefaultDirItem), file);
  slot = found.len ? StreamOpen(found, kStreamReadOnly | kStreamQuiet) : 65535;
  StrAreaMark(mark);
  if (slot < kStreamSlots) return slot;
  *code = slot == st::DATAOUTBOUND ? slot : 0;
  return 65535;
}

// Calls take(content) for every line of the file whose tag is `tag`, until
// take answers a status. Answers the number of lines taken, kParmMissing,
// or minus the status that stopped the reading.
template <class Take>
int32_t EachTaggedLine(StrValue file, int kind, int tag, Take&& take) {
  if (Status e = StrError(file)) return -static_cast<int32_t>(e);
  Status code = 0;
  uint16_t slot = OpenDefinition(file, &code);
  if (slot == 65535) return code ? -static_cast<int32_t>(code) : kParmMissing;
  int32_t count = 0;
  for (;;) {
    uint16_t mark = StrAreaMark(-1);
    StrValue line = StreamReadLine(slot, kStreamHere);
    if (line.IsError()) {
      code = StrError(line) == st::DISKIO ? 0 : StrError(line);
    } else if (ParmLineTag(kind, line) == tag) {
      code = take(ParmLineContent(kind, line));
      if (code == 0) ++count;
    }
    StrAreaMark(mark);
    if (code || line.IsError()) break;
  }
  StreamClose(slot);
  if (code) return -static_cast<int32_t>(code);
  return count ? count : kParmMissing;
}

// Removes the last n elements of a list (stack or queue alike).
void DropLast(uint16_t list, uint32_t n) {
  for (uint32_t k = 0; k < n && DynStrCount(list) > 0; ++k) DynStrDelete(list, DynStrCount(list) - 1);
}

// A text joined piece by piece; 159 once it would pass 65535 bytes.
class Joiner {
 public:
  explicit Joiner(StrValue sep) : sep_(sep) {}
  Status Add(StrValue piece) {
    size_t add = (pieces_ ? sep_.len : 0) + piece.len;
    if (text_.size() + add > kStrMaxLen) return st::STROUTBOUND;
    if (pieces_++) text_.append(sep_.View());
    text_.append(piece.View());
    return 0;
  }
  StrValue View() const { return StrMake(text_.data(), static_cast<uint32_t>(text_.size())); }

 private:
  StrValue sep_;
  std::string text_;
  uint32_t pieces_ = 0;
};

// Records a reading failure that the layers below did not record.
int32_t Failed(int32_t n, StrValue file) {
  if (n == -st::STROUTBOUND || n == -st::DATAOUTBOUND) {
    ErrDetailSet(static_cast<Status>(-n), file, false);
    ErrSet(1, MOD_DYNSTRINGS, static_cast<Status>(-n), 0);
  }
  return n;
}

// Pushes the joined lines of the tag; nothing is pushed on a failure, nor
// for a missing file unless emptyWhenMissing.
Status PushJoined(StrValue file, int kind, int tag, bool emptyWhenMissing) {
  Joiner joined(StrMake(":", 1));
  int32_t n = EachTaggedLine(file, kind, tag, [&](StrValue content) { return joined.Add(content); });
  if (n == kParmMissing && !emptyWhenMissing) return st::NOTFOUND;
  if (n < kParmMissing) return static_cast<Status>(-Failed(n, file));
  return DynStrPush(kParmStack, n == kParmMissing ? Empty() : joined.View());
}

// The title shown for a definition file: see ParmTitlesOfFiles.
StrValue TitleOf(StrValue name) {
  std::string first;
  bool seen = false;
  EachTaggedLine(AppPathJoin(name, APPPATH_DEFAULT), 0, 0, [&](StrValue line) {
    if (seen) return st::OUTOFDATA;  // only the first line counts
    seen = true;
    first.assign(line.View());
    return st::OK;
  });
  StrValue text = StrMake(first.data(), static_cast<uint32_t>(first.size()));
  if (text.len && text.ptr[0] == ';') text = StrMid(text, 1, text.len - 1u);
  StrValue key = StrFromC("TITLE$");
  if (StrKeyLocate(text, key, 0) != kNotFound) text = StrKeyValue(text, key);
  text = StrDup(StrTrim(text, 3));
  return text.len ? text : name;
}

}  // namespace

// --- Parameter names and values ------------------------------------------

StrValue ParmNameBase(int n) {
  if (n < 0 || n >= kParmEnd || kParmNames[static_cast<size_t>(n)].empty()) return Empty();
  return ViewOf(kParmNames[static_cast<size_t>(n)]);
}

StrValue ParmName(int n) {
  uint16_t mark = StrAreaMark(-1);
  return StrAreaReturn(mark, Qualify(ParmNameBase(n)));
}

StrValue ParmValue(StrValue name) {
  uint16_t mark = StrAreaMark(-1);
  bool found = false;
  return StrAreaReturn(mark, LookUp(name, &found));
}

namespace {

// The values read last from one parameter string: a task reads the same
// few parameters of its definition for every record it writes, and finding
// a name walks the whole string. Kept while the string and the event are
// the same (both compared in full).
struct ParmMemo {
  std::string text;
  struct Entry {
    int n;
    std::string event, value;
  };
  std::vector<Entry> entries;
};
ParmMemo g_parmMemo;

}  // namespace

StrValue ParmValueByNum(int n) {
  uint16_t mark = StrAreaMark(-1);
  StrValue base = ParmNameBase(n);
  if (base.len == 0) return StrAreaReturn(mark, Empty());
  StrValue text = DynStrTop(kParmStack), event = EventName();
  bool memo = !text.IsError() && !event.IsError();
  ParmMemo& m = g_parmMemo;
  if (memo) {
    if (m.text != text.View()) {
      m.text.assign(text.View());
      m.entries.clear();
    }
    for (const ParmMemo::Entry& e : m.entries)
      if (e.n == n && e.event == event.View()) return StrAreaReturn(mark, ViewOf(e.value));
  }
  bool found = false;
  StrValue qualified = Qualify(base);
  StrValue value = LookUp(qualified, &found);
  if (!found && qualified.len != base.len) value = LookUp(base, &found);
  if (memo && !value.IsError() && m.entries.size() < 64) m.entries.push_back({n, std::string(event.View()), value.Str()});
  return StrAreaReturn(mark, value);
}

// --- Event state ------------------------------------------------------------

Status ParmEventSet(int index, StrValue list) {
  if (Status e = StrError(list)) return e;
  if (index != -1) {
    if (Status s = AuxSet(static_cast<int16_t>(index))) return s;
  }
  if (list.len == 0) return 0;
  return DynStrSet(SystemTextList, SysEventNamesItem, list);
}

StrValue ParmEventSave() {
  uint16_t mark = StrAreaMark(-1);
  uint16_t aux = static_cast<uint16_t>(AuxGet());
  char bytes[2] = {static_cast<char>(aux & 0xff), static_cast<char>(aux >> 8)};
  return StrAreaReturn(mark, StrCat(StrMake(bytes, 2), EventList()));
}

Status ParmEventRestore(StrValue text) {
  if (Status e = StrError(text)) return e;
  if (text.len < 2) return st::BADINPUTDATA;
  auto lo = static_cast<uint8_t>(text.ptr[0]);
  auto hi = static_cast<uint8_t>(text.ptr[1]);
  auto aux = static_cast<int16_t>(static_cast<uint16_t>(lo | hi << 8));
  if (Status s = AuxSet(aux)) return s;
  return DynStrSet(SystemTextList, SysEventNamesItem, StrMid(text, 2, text.len - 2u));
}

// --- Tagged lines ---------------------------------------------------------------

int32_t ParmLineTag(int kind, StrValue line) {
  if (line.IsError()) return -1;
  LineKind k = KindOf(kind);
  int32_t tag = 0;
  for (uint32_t i = k.tagStart; i < k.tagStart + k.tagLen && i < line.len; ++i) {
    char c = line.ptr[i];
    if (c == ' ') c = '0';
    if (c < '0' || c > '9') return -1;
    tag = tag * 10 + (c - '0');
  }
  return tag;
}

StrValue ParmLineContent(int kind, StrValue line) {
  if (line.IsError()) return line;
  LineKind k = KindOf(kind);
  uint32_t end = line.len;
  if (k.dropLast && end > 0) --end;
  if (end <= k.contentStart) return StrMake(line.ptr, 0);
  return StrMake(line.ptr + k.contentStart, end - k.contentStart);
}

int32_t ParmLinesRead(StrValue file, int kind, int tag, uint16_t list) {
  uint32_t pushed = 0;
  int32_t n = EachTaggedLine(file, kind, tag, [&](StrValue content) {
    Status s = DynStrPush(list, content);
    if (s == 0) ++pushed;
    return s;
  });
  if (n < kParmMissing) DropLast(list, pushed);
  return Failed(n, file);
}

int32_t ParmLinesLoad(StrValue file, int kind, int tag) {
  return ParmLinesRead(file, kind, tag, kParmLineQueue);
}

StrValue ParmLinesJoin(int32_t n, StrValue separator) {
  if (Status e = StrError(separator)) return StrErr(e);
  uint32_t queued = DynStrCount(kParmLineQueue);
  uint32_t take = n < 0 || static_cast<uint32_t>(n) > queued ? queued : static_cast<uint32_t>(n);
  Joiner joined(separator);
  Status code = 0;
  for (uint32_t i = 0; i < take && code == 0; ++i) code = joined.Add(DynStrGet(kParmLineQueue, i));
  uint16_t mark = StrAreaMark(-1);
  StrValue result = code ? StrErr(ErrSet(1, MOD_DYNSTRINGS, code, code)) : StrAreaReturn(mark, joined.View());
  for (uint32_t i = 0; i < take; ++i) DynStrPop(kParmLineQueue);
  return result;
}

int32_t ParmLinesReload(StrValue file, uint32_t count) {
  for (uint32_t k = 0; k < count && DynStrCount(kParmLineQueue) > 0; ++k) DynStrPop(kParmLineQueue);
  return ParmLinesLoad(file, 0, 0);
}

// --- The parameter-string stack -----------------------------------------------

Status ParmStrPush(StrValue file, int kind, int tag) { return PushJoined(file, kind, tag, false); }

Status ParmStrPushOrEmpty(StrValue file, int kind, int tag) {
  return PushJoined(file, kind, tag, true);
}

Status ParmStrPop() {
  if (DynStrCount(kParmStack) == 0) return ErrSet(1, MOD_DYNSTRINGS, st::INTERNALERROR, st::INTERNALERROR);
  return DynStrPop(kParmStack);
}

// --- Definition files by type ---------------------------------------------------

StrValue FileTypeName(StrValue name, int n) {
  uint16_t mark = StrAreaMark(-1);
  StrValue type = n > 0 ? StrListItem(StrFromC("PPN,PAN,STP,DAT,DAT,PDC,PRX,KXA,PMT,PDF,TXT,PDI,HLP,CFG"), ',',
                                      static_cast<uint32_t>(n))
                        : Empty();
  return StrAreaReturn(mark, type.len ? StrCat(StrCat(name, StrMake(".", 1)), type) : name);
}

StrValue ParmTitlesOfFiles(StrValue list) {
  if (Status e = StrError(list)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  Joiner titles(StrMake(",", 1));
  Status code = 0;
  StrListIter it(list, ',');
  for (StrValue name; code == 0 && it.Next(&name);) {
    const StrAreaScope step;
    StrValue title = TitleOf(StrTrim(name, 3));
    // A title holding both quote characters loses its double quotes.
    StrValue quoted = StrQuote(title, '"');
    if (quoted.IsError()) quoted = StrQuote(StrReplaceAll(title, StrMake("\"", 1), StrMake("'", 1), kSearchPlain), '"');
    code = quoted.IsError() ? StrError(quoted) : titles.Add(quoted);
  }
  return StrAreaReturn(mark, code ? StrErr(code) : titles.View());
}
