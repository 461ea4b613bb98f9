// The procedure compiler: two passes over the lines of a procedure file,
// and the table of compiled programs (value table 10).
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "runtime/paths.h"
#include "runtime/strlist.h"
#include "runtime/valtables.h"
#include "script/expcache.h"
#include "script/objparams.h"
#include "script/procedures.h"
#include "script/scanner.h"

const char kPrcKeywords[] =
    "GOTO,GOSUB,CALL,RETURN,ENDIF,LOOP,LOOP_WHILE,LOOP_UNTIL,ELSE,IF,IF_TRUE,DO_WHILE,IF_FALSE,"
    "DO_UNTIL,DO,DEF_FN,LOCALVARS,END,ACCEPT,BOUNDS,COLOR,CONNECT,DEVICE,DLOCATE,DPRINT,ENDDEVICE,"
    "EXPORT,FILESELECT,IMPORT,KILL,LOADSTRUCT,LOCATE,MESSAGE,PRINT,SHELL,READ,REMOTE,REPORT,DOCPRINT,"
    "WAIT,WINMENU,WINOPEN,WINCLOSE,WINSELECT,WINPROG,RC_DELETE,RC_INSERT,RC_UPDATE,RC_WRITE,"
    "FILESTRUCT,FILESCAN,STATSTEPS,SYSTEM";

namespace {

// Programs never take more indexes than a status can tell apart from an
// error code (an index above 121 reads as one).
constexpr uint16_t kPrcMaxPrograms = 122;

struct PrcSlot {
  PrcProgram* program;
};

struct Named {
  std::string name;
  uint16_t statement;
};

// What pass 1 collects; it lives only while compiling.
struct Pass1 {
  std::vector<Named> labels;
  std::vector<Named> entries;
  std::vector<PrcItem> items;
  std::vector<uint16_t> offsets;
  std::string texts;
};

Status CompileFail(Status code, const std::string& detail) {
  ErrDetailSet(code, StrMake(detail.data(), static_cast<uint32_t>(detail.size())), false);
  return ErrSet(1, MOD_EXEC_COMPILER, code, code);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

uint16_t KeywordCode(StrValue keywords, std::string_view word) {
  return static_cast<uint16_t>(ExpListFindNoCase(keywords, StrMake(word.data(), static_cast<uint32_t>(word.size()))));
}

const Named* FindNamed(const std::vector<Named>& list, std::string_view name) {
  for (const Named& n : list)
    if (n.name == name) return &n;
  return nullptr;
}

// Labels and entries: the first of a name wins; a new name past the limit
// is 145.
Status AddNamed(std::vector<Named>& list, std::string_view name, uint16_t statement, uint16_t max) {
  if (FindNamed(list, name)) return 0;
  if (list.size() >= max) return CompileFail(st::OUTOFMEMORY, std::string(name));
  list.push_back({std::string(name), statement});
  return 0;
}

std::string LineRef(uint32_t n) { return std::to_string(n); }

Status AddStatement(Pass1& p, uint16_t code, std::string_view text) {
  size_t at = p.texts.size();
  if (at + text.size() + 1 > 65535) return CompileFail(st::OUTOFMEMORY, "");
  p.offsets.push_back(static_cast<uint16_t>(at));
  p.items.push_back({code, 0});
  p.texts.append(text);
  p.texts.push_back('\0');
  return 0;
}

// One line of pass 1; `lineNo` is its place in the file.
Status Pass1Line(Pass1& p, StrValue keywords, std::string_view raw, uint32_t lineNo) {
  if (raw.find('\0') != std::string_view::npos)
    return CompileFail(st::SINTAXERROR, "\r\nNUL byte in line " + LineRef(lineNo) + " of the file");
  std::string_view line = Trim(raw);
  if (line.empty() || line[0] == ';' || line[0] == '#' || line[0] == '/') return 0;
  size_t cut = 0;
  while (cut < line.size() && line[cut] != ' ' && line[cut] != '\t') ++cut;
  std::string_view word = line.substr(0, cut);
  std::string_view rest = Trim(line.substr(cut));
  uint16_t next = static_cast<uint16_t>(p.items.size());
  if (word[0] == ':') return AddNamed(p.labels, word.substr(1), next, kPrcMaxLabels);
  uint16_t code = KeywordCode(keywords, word);
  if (code == kPrcDefFn) return AddNamed(p.entries, rest, next, kPrcMaxEntries);
  return AddStatement(p, code, code == kPrcExpr ? line : rest);
}

std::string_view TextOf(const Pass1& p, size_t i) { return std::string_view(p.texts.data() + p.offsets[i]); }

Status ResolveLabel(Pass1& p, size_t i) {
  std::string_view label = TextOf(p, i);
  const Named* n = FindNamed(p.labels, label);
  if (!n)
    return CompileFail(st::SINTAXERROR, "\r\nLabel '" + std::string(label) + "' in line " + LineRef(i + 1) +
                                            " (+ remmarks) not found");
  p.items[i].target = n->statement;
  return 0;
}

bool IsCloser(uint16_t code) { return code >= kPrcEndif && code <= kPrcElse; }
bool IsOpener(uint16_t code) { return code >= kPrcElse && code <= kPrcDo; }

Status Pass2(Pass1& p) {
  std::vector<uint16_t> open;
  for (size_t i = 0; i < p.items.size(); ++i) {
    uint16_t code = p.items[i].code;
    if (code == kPrcGoto || code == kPrcGosub) {
      if (Status s = ResolveLabel(p, i)) return s;
    }
    if (IsCloser(code)) {
      if (open.empty())
        return CompileFail(st::SINTAXERROR, "\r\nFinal of Conditional or loop without \r\nBegin (Loop, Endif...) in line " +
                                                LineRef(i + 1) + " (+ remmarks)");
      p.items[open.back()].target = static_cast<uint16_t>(i + 1);
      p.items[i].target = open.back();
      open.pop_back();
    }
    if (IsOpener(code)) {
      if (open.size() >= kPrcMaxBlocks) return CompileFail(st::OUTOFMEMORY, "");
      open.push_back(static_cast<uint16_t>(i));
    }
  }
  if (!open.empty())
    return CompileFail(st::SINTAXERROR, "\r\nBegin of Conditional or loop without \r\nFinal (Loop, Endif...) in line " +
                                            LineRef(open.back() + 1u) + " (+ remmarks)");
  return 0;
}

std::string EntryNames(const Pass1& p) {
  std::string names;
  for (const Named& e : p.entries) names += (names.empty() ? "" : ",") + e.name;
  return names;
}

bool HasCondition(uint16_t code) {
  switch (code) {
    case kPrcIf:
    case kPrcIfTrue:
    case kPrcDoWhile:
    case kPrcLoopUntil:
    case kPrcIfFalse:
    case kPrcDoUntil:
    case kPrcLoopWhile: return true;
    default: return false;
  }
}

// Expression statements and conditions are compiled with the program, each
// once; a text with [macro] segments is a new text on every pass and is
// looked up in the cache when it runs.
void CompileExpressions(PrcProgram* prog) {
  for (uint16_t i = 0; i < prog->count; ++i) {
    prog->exprs[i] = nullptr;
    uint16_t code = prog->items[i].code;
    StrValue text = PrcText(prog, static_cast<uint16_t>(i + 1));
    if ((code == kPrcExpr || HasCondition(code)) && !std::memchr(text.ptr, '[', text.len))
      prog->exprs[i] = ExpCompiledGet(text);
  }
}

// Frees the program's block (kept when the owner is not its owner) and then
// its compiled expressions.
Status FreeBlock(PrcProgram* prog, uint16_t owner) {
  std::vector<ExpCompiled*> exprs(prog->exprs, prog->exprs + prog->count);
  if (Status s = MemFree(owner, prog)) return s;
  for (ExpCompiled* e : exprs) ExpCompiledRelease(e);
  return 0;
}

// Lays the program out in one block: header, compiled expressions, items,
// GOSUB stack, entry positions, text offsets, entry names, texts.
Status Build(const Pass1& p, PrcProgram** out) {
  std::string names = EntryNames(p);
  if (names.size() > 65535) return CompileFail(st::OUTOFMEMORY, "");
  uint32_t n = static_cast<uint32_t>(p.items.size()), d = static_cast<uint32_t>(p.entries.size());
  uint32_t size = sizeof(PrcProgram) + n * sizeof(ExpCompiled*) + n * sizeof(PrcItem) + kPrcGosubDepth * 2 + d * 2 + n * 2 +
                  static_cast<uint32_t>(names.size()) + static_cast<uint32_t>(p.texts.size());
  auto* block = static_cast<unsigned char*>(MemAlloc(MOD_EXEC_COMPILER, size));
  if (!block) return CompileFail(st::OUTOFMEMORY, "");
  auto* prog = reinterpret_cast<PrcProgram*>(block);
  *prog = PrcProgram{};
  unsigned char* at = block + sizeof(PrcProgram);
  prog->exprs = reinterpret_cast<ExpCompiled**>(at);
  at += n * sizeof(ExpCompiled*);
  prog->items = reinterpret_cast<PrcItem*>(at);
  at += n * sizeof(PrcItem);
  prog->gosub = reinterpret_cast<uint16_t*>(at);
  at += kPrcGosubDepth * 2;
  prog->defPos = reinterpret_cast<uint16_t*>(at);
  at += d * 2;
  prog->textOffset = reinterpret_cast<uint16_t*>(at);
  at += n * 2;
  prog->defNames = reinterpret_cast<char*>(at);
  at += names.size();
  prog->texts = reinterpret_cast<char*>(at);
  if (n) std::memcpy(prog->items, p.items.data(), n * sizeof(PrcItem));
  if (n) std::memcpy(prog->textOffset, p.offsets.data(), n * 2);
  for (uint32_t k = 0; k < d; ++k) prog->defPos[k] = p.entries[k].statement;
  if (!names.empty()) std::memcpy(prog->defNames, names.data(), names.size());
  if (!p.texts.empty()) std::memcpy(prog->texts, p.texts.data(), p.texts.size());
  prog->blockSize = size;
  prog->count = static_cast<uint16_t>(n);
  prog->textLen = static_cast<uint16_t>(p.texts.size());
  prog->defCount = static_cast<uint16_t>(d);
  prog->defNamesLen = static_cast<uint16_t>(names.size());
  CompileExpressions(prog);
  *out = prog;
  return 0;
}

// Queues every line of the file on the line queue. A file that exists but
// holds no line compiles to an empty program.
Status PrcReadLines(StrValue path) {
  int32_t n = ParmLinesLoad(path, 0, 0);
  if (n >= 0 || n == kParmMissing) return 0;
  Status s = static_cast<Status>(-n);
  return CompileFail(s, path.Str());
}

PrcSlot* SlotAt(uint16_t index) { return static_cast<PrcSlot*>(ValTableGet(VtProcedures, index)); }

}  // namespace

Status PrcCompile(StrValue keywords, uint32_t first, PrcProgram** out) {
  PrcCallHookSet();
  *out = nullptr;
  Pass1 p;
  Status s = 0;
  uint32_t total = DynStrCount(FileLinesQueue);
  for (uint32_t i = first; i < total && s == 0; ++i) {
    StrValue line = DynStrGet(FileLinesQueue, i);
    s = Pass1Line(p, keywords, line.View(), i - first + 1);
  }
  while (DynStrCount(FileLinesQueue) > first) DynStrDelete(FileLinesQueue, DynStrCount(FileLinesQueue) - 1);
  if (s == 0) s = Pass2(p);
  if (s == 0) s = Build(p, out);
  return s;
}

Status PrcAdd(PrcProgram* program) {
  uint16_t index = static_cast<uint16_t>(ValTableInfo(VtProcedures, 0));
  PrcSlot slot{program};
  if (index >= kPrcMaxPrograms || ValTableSet(VtProcedures, index, &slot, sizeof slot) != 0)
    return CompileFail(st::INTERNALERROR, "");
  return index;
}

Status PrcCompileFile(StrValue name) {
  if (Status e = StrError(name)) return e;
  const StrAreaScope scope;
  StrValue path = FileSearch(AppPath(APPPATH_DEFAULT), name);
  uint32_t first = DynStrCount(FileLinesQueue);
  Status s = path.len == 0 ? CompileFail(st::FILENOTFOUND, name.Str()) : PrcReadLines(path);
  PrcProgram* prog = nullptr;
  if (s == 0) s = PrcCompile(StrFromC(kPrcKeywords), first, &prog);
  while (DynStrCount(FileLinesQueue) > first) DynStrDelete(FileLinesQueue, DynStrCount(FileLinesQueue) - 1);
  if (s == 0) {
    s = PrcAdd(prog);
    if (s >= 122) FreeBlock(prog, MOD_EXEC_COMPILER);
  }
  if (s >= 128 && s != st::FILENOTFOUND) ErrDetailSet(s, name, true);
  return s;
}

uint16_t PrcCount() { return static_cast<uint16_t>(ValTableInfo(VtProcedures, 0)); }

PrcProgram* PrcAt(uint16_t index) {
  PrcSlot* slot = SlotAt(index);
  return slot ? slot->program : nullptr;
}

Status PrcFree(uint16_t index, uint16_t owner) {
  if (index > 121) return index;
  PrcProgram* prog = PrcAt(index);
  if (!prog || prog->running) return ErrSet(1, MOD_EXEC_COMPILER, st::INTERNALERROR, st::INTERNALERROR);
  if (Status s = FreeBlock(prog, owner)) return ErrSet(1, MOD_EXEC_COMPILER, s, s);
  return ValTableDelete(VtProcedures, index);
}

Status PrcRelease(uint16_t index) { return PrcFree(index, MOD_EXEC_COMPILER); }

Status PrcReleaseProgram(PrcProgram* program) {
  for (uint16_t i = PrcCount(); i-- > 0;)
    if (PrcAt(i) == program) return PrcRelease(i);
  return ErrSet(1, MOD_EXEC_COMPILER, st::INTERNALERROR, st::INTERNALERROR);
}

StrValue PrcText(const PrcProgram* program, uint16_t n) {
  if (!program || n == 0 || n > program->count) return StrMake("", 0);
  uint32_t start = program->textOffset[n - 1];
  uint32_t end = n < program->count ? program->textOffset[n] : program->textLen;
  return StrMake(program->texts + start, end - start - 1);
}

StrValue PrcKeyword(uint16_t code) {
  if (code == kPrcExpr) return StrMake("", 0);
  return StrListItem(StrFromC(kPrcKeywords), ',', code);
}

uint16_t PrcEntryFind(const PrcProgram* program, StrValue entry) {
  StrValue names = StrMake(program->defNames, program->defNamesLen);
  uint32_t k = names.len ? StrListFind(names, ',', entry) : 0;
  return k ? program->defPos[k - 1] : 0xffff;
}
