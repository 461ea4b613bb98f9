#include "data/store/fileaction.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "data/store/datafile.h"
#include "data/store/recbuf.h"
#include "data/dictionary/relations.h"
#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "script/evaluator.h"
#include "script/variables.h"

namespace {

CancelPollFn g_cancelPoll = nullptr;

std::string Copy(StrValue s) { return s.IsError() ? std::string() : s.Str(); }
StrValue View(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

int16_t SysGet(int slot) { return VarSysIntGet(slot); }
void SysSet(int slot, int v) { VarSysIntSet(slot, static_cast<int16_t>(v)); }

// The file number after the current-file rule; 168 (recorded) when it is not
// a defined file.
Status FileOf(int file, int* n) {
  *n = DataFileNum(file);
  return DataFileCtrl(*n) ? 0 : st::DATAOUTBOUND;
}

// The current record of file n, copied out.
Status CurrentGet(int n, std::string* out) {
  StrValue cur = RecBuf(n, 1);
  if (cur.IsError()) return StrError(cur);
  out->assign(cur.View());
  return 0;
}

// Puts an image back into the current record. The record buffer is fetched
// again each time: evaluation may have moved it.
Status CurrentSet(int n, const std::string& image) {
  StrValue cur = RecBuf(n, 1);
  if (cur.IsError()) return StrError(cur);
  std::memcpy(cur.ptr, image.data(), std::min<size_t>(cur.len, image.size()));
  return 0;
}

// Key 1's text of the current record of file n.
Status Key1Text(int n, std::string* out) {
  DataStore* store = DataFileStore(n);
  if (!store || !store->IsOpen() || store->File().Spec().keys.empty()) return st::FILENOTINIT;
  StrValue cur = RecBuf(n, 1);
  if (cur.IsError()) return StrError(cur);
  *out = store->File().KeyText(0, cur.ptr);
  return 0;
}

// An evaluated value as text, or its error.
Status EvalText(const std::string& text, std::string* out) {
  const StrAreaScope scope;
  StrValue v = ExpEvalStr(View(text));
  Status s = v.IsError() ? StrError(v) : 0;
  if (s == 0) out->assign(v.View());
  return s;
}

// Relation statements of the action, loading the file's relations on first need.
Status Statements(int n, const std::string& list, std::string* out) {
  DataFileCtrlBlock* ctrl = DataFileCtrl(n);
  if (!ctrl) return st::DATAOUTBOUND;
  if (ctrl->relBase == -1) {
    Status s = RelLoad(n, StrMake("", 0));
    if (s != 0) return s;
  }
  const StrAreaScope scope;
  StrValue stmts = RelCheckString(n, View(list));
  Status s = stmts.IsError() ? StrError(stmts) : 0;
  if (s == 0) out->assign(stmts.View());
  return s;
}

// The insert pre-check: a record with the current key-1 text already there.
Status DuplicateKey1(int n) {
  if (SysGet(kSysUpStat) & 64) return 0;
  std::string key;
  Status s = Key1Text(n, &key);
  if (s != 0) return s;
  uint16_t mark = StrAreaMark(-1);
  s = DataFileFindKey(n, 1, View(key), 0);
  StrAreaRelease(mark, 0);
  if (s >= 128) return s;
  return s == 0 ? 5 : 0;
}

Status Write(int n, uint16_t op) {
  if (op == dfact::kInsert) return DataFileInsert(n);
  if (op == dfact::kUpdate) return DataFileUpdate(n);
  return 0;
}

// The relation statements of a written record (and the delete itself).
Status Relate(int n, uint16_t mode, const std::string& listText) {
  uint16_t op = mode & dfact::kOpMask;
  bool run = !(mode & dfact::kNoStatements);
  std::string stmts;
  if (run) {
    if (Status s = Statements(n, listText, &stmts)) return s;
  }
  if (mode & dfact::kRunOld) {
    if (op == dfact::kDelete) {
      Status d = DataFileDelete(n, 0);
      if (d != 0) return d;
    }
    if (run) {
      if (Status s = DataFileActionStmt(dfact::kRunOld, n, View(stmts))) return s;
    }
  }
  if ((mode & dfact::kRunNew) && run) return DataFileActionStmt(dfact::kRunNew, n, View(stmts));
  return 0;
}

// The saved copy becomes the current record.
void SavedRefresh(int n) {
  StrValue pair = RecBuf(n, 3);
  if (!pair.IsError()) std::memcpy(pair.ptr + pair.len / 2, pair.ptr, pair.len / 2);
}

}  // namespace

Status DataFileActionKeyCheck(int file, StrValue text) {
  if (text.IsError()) return StrError(text);
  int n = 0;
  if (Status s = FileOf(file, &n)) return s;
  std::string check = Copy(text);
  std::string key;
  if (Status s = Key1Text(n, &key)) return s;
  if (key.find_first_not_of(' ') == std::string::npos) return 1;
  if (check.empty()) return 0;
  std::string real;
  if (Status s = CurrentGet(n, &real)) return s;
  std::string blank, filled;
  if (Status s = CurrentSet(n, std::string(real.size(), ' '))) return s;
  Status s = EvalText(check, &blank);
  Status back = CurrentSet(n, real);
  if (s != 0) return s;
  if (back != 0) return back;
  if ((s = EvalText(check, &filled)) != 0) return s;
  return blank == filled ? 1 : 0;
}

Status DataFileActionStmt(uint16_t which, int file, StrValue statements) {
  if (statements.IsError()) return StrError(statements);
  if (!(SysGet(kSysUpStat) & 1) || statements.len == 0) return 0;
  int n = 0;
  if (Status s = FileOf(file, &n)) return s;
  std::string stmts = Copy(statements);
  bool old = which == dfact::kRunOld;
  std::string kept;
  if (old) {
    StrValue saved = RecBuf(n, 2);
    if (saved.IsError()) return StrError(saved);
    std::string image(saved.View());
    if (Status s = CurrentGet(n, &kept)) return s;
    if (Status s = CurrentSet(n, image)) return s;
  }
  // Nested actions (a statement that writes through another action) find
  // their caller's state again afterwards.
  int16_t sgn = SysGet(kSysSgn);
  int16_t up = SysGet(kSysUpStat);
  bool sql = SysGet(kSysAuxStat) & 0x800;
  SysSet(kSysUpStat, sql ? (up | 32) : (up & ~32));
  SysSet(kSysSgn, old ? -1 : 1);
  uint16_t mark = StrAreaMark(-1);
  Status s = ExpEvalStatus(View(stmts));
  StrAreaRelease(mark, 0);
  SysSet(kSysSgn, sgn);
  SysSet(kSysUpStat, (SysGet(kSysUpStat) & ~32) | (up & 32));
  if (old) {
    Status back = CurrentSet(n, kept);
    if (s == 0) s = back;
  }
  return s;
}

Status DataFileAction(uint16_t mode, int file, StrValue list, StrValue keyCheck, KeySkip skip) {
  if (list.IsError()) return StrError(list);
  if (keyCheck.IsError()) return StrError(keyCheck);
  int n = 0;
  if (Status s = FileOf(file, &n)) return s;
  std::string listText = Copy(list);
  std::string check = Copy(keyCheck);
  uint16_t op = mode & dfact::kOpMask;
  if (mode & dfact::kKeyCheck) {
    uint16_t mark = StrAreaMark(-1);
    Status kc = DataFileActionKeyCheck(n, View(check));
    StrAreaRelease(mark, 0);
    if (kc >= 128) return kc;
    if (kc == 1) return skip == KeySkip::BadKey ? 5 : 0;
    // An update of a new blank record inserts it: it takes the same check.
    bool inserts = op == dfact::kInsert || (op == dfact::kUpdate && DataFileCtrl(n)->lastStatus == dfres::kNewRecord);
    if (inserts) {
      Status d = DuplicateKey1(n);
      if (d != 0) return d;
    }
  }
  Status r = Write(n, op);
  // A repeated key leaves the record in the file: its totals must count it.
  bool written = r == 0 || (op == dfact::kInsert && r == 6);
  if (!written) return r;
  Status s = Relate(n, mode, listText);
  // The saved copy becomes the record as written, once the old-image
  // statements have used it, so a second update without a read is not
  // taken for a concurrent change.
  if (op == dfact::kInsert || op == dfact::kUpdate) SavedRefresh(n);
  return s != 0 ? s : r;
}

// --- The append loop ----------------------------------------------------------------

CancelPollFn DataFileCancelPollSet(CancelPollFn poll) {
  CancelPollFn old = g_cancelPoll;
  g_cancelPoll = poll;
  return old;
}

Status DataFileCancelPoll() { return g_cancelPoll ? g_cancelPoll() : 0; }

Status DataFileAppendRow(int file, StrValue write, StrValue list) {
  if (write.IsError()) return StrError(write);
  std::string w = Copy(write);
  std::string l = Copy(list);
  uint16_t mark = StrAreaMark(-1);
  Status c = ExpEvalCond(View(w));
  StrAreaRelease(mark, 0);
  if (c >= 122) return c;
  if (c != 1) return dfact::kRowDeclined;
  return DataFileAction(dfact::kInsert, file, View(l), StrMake("", 0));
}

namespace {

Status Cond(const std::string& text) {
  const StrAreaScope scope;
  return ExpEvalCond(View(text));
}

// The write condition of a loop that inserts nothing.
Status WriteCond(const std::string& text) {
  Status c = Cond(text);
  return c >= 122 ? c : c == 1 ? 0 : dfact::kRowDeclined;
}

}  // namespace

Status DataFileAppendLoop(int file, const AppendLoopSpec& spec, uint32_t* count) {
  *count = 0;
  std::string start = Copy(spec.start), row = Copy(spec.row), write = Copy(spec.write);
  std::string until = Copy(spec.until), list = Copy(spec.list);
  Status code = Cond(start);
  if (code != 1) return code >= 122 ? code : 0;
  code = 0;
  for (;;) {
    // A loop whose row condition never holds and whose until condition never
    // comes true must still be stoppable.
    if ((code = DataFileCancelPoll()) >= 122) break;
    Status rc = Cond(row);
    if (rc >= 122) {
      code = rc;
      break;
    }
    if (rc == 1) {
      code = spec.insert ? DataFileAppendRow(file, View(write), View(list)) : WriteCond(write);
      if (code == dfact::kRowDeclined) {
        code = 0;
        break;
      }
      if (code == 0 || code == 6) {
        ++*count;
        if (spec.perRow) code = spec.perRow(DataFileNum(file));
      }
    }
    if (code < 122 && spec.step) code = spec.step();
    if (code > 121) break;
    Status u = Cond(until);
    if (u >= 122) {
      code = u;
      break;
    }
    if (u == 1) break;
  }
  return code >= 122 ? code : 0;
}

// --- Navigation commands ---------------------------------------------------------------

const char kNavCommands[] = "NEW,TOP,PRV,RLD,NXT,BOT,FND,SVE,INS,DEL,LST,NLS,BLS,IMP,MDE,DDE,PRN,TSL";

uint16_t DataFileOpCode(int n) {
  static const uint16_t codes[] = {0xF01, 0xF24, 0xF16, 0, 0xF12, 0xF20, 0x40, 0xF00, 0xD00, 0x642, 0x42, 0xFF, 0x46};
  if (n < 1 || n > static_cast<int>(sizeof codes / sizeof codes[0])) return 0xFF;
  return codes[n - 1];
}

int NavCmdIndex(StrValue word, StrValue commands) {
  if (word.IsError() || commands.IsError()) return 0;
  std::string w = Copy(word);
  for (char& c : w)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  static const struct {
    const char* alias;
    const char* cmd;
  } aliases[] = {{"NEXT", "NXT"}, {"PREVIOUS", "PRV"}, {"BOTTOM", "BOT"}};
  for (const auto& a : aliases)
    if (w == a.alias) w = a.cmd;
  uint32_t pos = 1;
  StrListIter it(commands, ',');
  StrValue item;
  while (it.Next(&item)) {
    std::string c = item.Str();
    for (char& ch : c)
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    if (!w.empty() && c == w) return static_cast<int>(pos);
    ++pos;
  }
  return 0;
}
