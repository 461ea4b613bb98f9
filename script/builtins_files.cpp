// READ$ and WRITE: files by name and streams by slot; FILEREL: a related
// record read through a relation key; EXEC$: procedures and expression files
// run from an expression.
//
// READ$(source[;from[;length]]): a text source is a file name (expanded);
// its bytes from `from`, `length` of them (-1 to the end). A number source
// is a stream slot: with a non-zero length the next line, with length 0 an
// end test giving the one-byte text 26 at the end and the empty text
// otherwise. A failure gives the empty text and records nothing, except a
// whole file over 65535 bytes, which records 146 (never a cut length).
//
// WRITE(target;position;text): a number target is a stream, the text goes at
// the position (65535 appends); a text target is a file: position -2 writes
// the variables named in the text as assignments (the file is replaced
// atomically), -3 replaces the file with the text, other positions write the
// text there (65535 appends). The status is the result. A position outside
// what a file can hold (negative but for the marks above, or a text that
// would reach past 2^31 - 1 bytes) answers 147, recorded with the position
// in the detail, and nothing is written.
#include <cstdint>
#include <string>

#include "runtime/errors.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "runtime/strutil.h"
#include "script/builtins_int.h"
#include "script/evaluator.h"
#include "script/expfiles.h"
#include "script/fieldaccess.h"
#include "script/procedures.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

StrValue Empty() { return StrMake("", 0); }

int64_t Position(int32_t pos) { return pos == 65535 ? kStreamHere : pos; }

constexpr int64_t kFileMaxPosition = INT32_MAX;

// A WRITE position: -3 to -1, 65535, or an offset at which the text still
// ends within a file's range.
bool WritePositionValid(int64_t pos, uint32_t length) {
  if (pos >= -3 && pos <= -1) return true;
  if (pos == 65535) return true;
  return pos >= 0 && pos + length <= kFileMaxPosition;
}

}  // namespace

Status BiRead(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 3)) return s;
  Status kind = BuiltinArg(1, Empty(), kArgKindStr);
  if (kind > 1) return kind;
  int32_t from = 0, length = -1;
  if (Status s = BuiltinArgLong(2, 0, &from)) return s;
  if (Status s = BuiltinArgLong(3, -1, &length)) return s;
  if (kind == kArgKindNum) {
    int16_t slot = 0;
    if (Status s = BuiltinArgInt(1, 0, &slot)) return s;
    if (slot < 0 || StreamGet(static_cast<uint16_t>(slot)) < 0) return BuiltinResultStr(Empty());
    if (length == 0) return BuiltinResultStr(StreamAtEnd(static_cast<uint16_t>(slot)) ? StrMake("\x1a", 1) : Empty());
    StrValue line = StreamReadLine(static_cast<uint16_t>(slot), kStreamHere);
    return BuiltinResultStr(line.IsError() ? Empty() : line);
  }
  StrValue name = PathExpand(BuiltinArgStr(1, Empty()));
  if (name.IsError() || from < 0) return BuiltinResultStr(Empty());
  uint32_t len = length < 0 ? kStreamToEnd : static_cast<uint32_t>(length);
  ErrorKeeper keeper;
  StrValue text = FileRead(name, from, len);
  if (text.IsError()) {
    keeper.Restore();
    if (StrError(text) == st::STRINGTOOLONG) {
      ErrDetailSet(st::STRINGTOOLONG, name, false);
      ErrSet(1, MOD_STREAMS, st::STRINGTOOLONG, 0);
    }
    return BuiltinResultStr(Empty());
  }
  return BuiltinResultStr(text);
}

Status BiWrite(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(3, 3)) return s;
  Status kind = BuiltinArg(1, Empty(), kArgKindStr);
  if (kind > 1) return kind;
  FixedNum wanted = 0;
  if (Status s = BuiltinArgNum(2, 0, &wanted)) return s;
  StrValue text = BuiltinArgAsText(3, Empty());
  if (Status e = StrError(text)) return e;
  const int64_t where = BuiltinNumToInteger(wanted);
  if (!WritePositionValid(where, text.len)) {
    BuiltinFail(st::SINTAXERROR);
    ErrDetailSet(st::SINTAXERROR, StrFromView("WRITE position " + std::to_string(where)), false);
    return BuiltinResultInt(st::SINTAXERROR);
  }
  const int32_t pos = static_cast<int32_t>(where);
  Status result;
  if (kind == kArgKindNum) {
    int16_t slot = 0;
    if (Status s = BuiltinArgInt(1, 0, &slot)) return s;
    result = slot < 0 ? st::BADFILENUMBER : StreamWriteStr(static_cast<uint16_t>(slot), Position(pos), text);
  } else {
    StrValue name = PathExpand(BuiltinArgStr(1, Empty()));
    if (name.IsError()) {
      result = StrError(name);
    } else if (pos == -2) {
      result = ExpVarsSaveFile(name, text);
    } else {
      result = FileWrite(name, pos == -3 ? kStreamReplace : Position(pos), text);
    }
  }
  return BuiltinResultInt(result);
}

// FILEREL(file;related file;relation;flags;text): the first four are
// evaluated, the text is taken as written (it holds the statements to run
// over the related record). With flags 4, a FILESCAN set open (_UPSTAT 4) and
// a statistics hook, the hook answers; otherwise the relation read. The
// status is the result.
Status BiFileRel(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(4, 5)) return s;
  int16_t a = 0, b = 0, c = 0, flags = 0;
  if (Status s = BuiltinArgInt(1, 0, &a)) return s;
  if (Status s = BuiltinArgInt(2, 0, &b)) return s;
  if (Status s = BuiltinArgInt(3, 0, &c)) return s;
  if (Status s = BuiltinArgInt(4, 0, &flags)) return s;
  StrValue text = BuiltinArgText(5);
  uint16_t f = static_cast<uint16_t>(flags) | relflag::kSeed;
  int16_t lastKey = VarSysIntGet(kSysLastKey);
  if (!(f & 16) && lastKey != 29 && lastKey != 23) f &= ~relflag::kAlsoOn1;
  Status result;
  FileRelHookFn hook = TaskHookGetAs<FileRelHookFn>(kHookFileRel);
  if ((f & relflag::kInsert) && (VarSysIntGet(kSysUpStat) & 4) && hook) {
    result = hook(a, b, c, f, text);
  } else {
    result = FieldAccessRelRead(a, b, c, f, text);
  }
  if (result >= 128) return result;
  return BuiltinResultInt(result);
}

// EXEC$(name[;file]): a name with an extension and no file runs as an
// expression file (the result is empty); otherwise the procedure entry runs
// (compiled first from the file when given) and its END value is the result.
Status BiExec(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 2)) return s;
  StrValue name = BuiltinArgAsText(1, Empty());
  StrValue file = BuiltinArgAsText(2, Empty());
  if (Status e = StrError(name)) return e;
  if (Status e = StrError(file)) return e;
  if (file.len == 0 && StrFindChar(name, '.', 1) != kNotFound) {
    Status s = ExpExecFile(name, 1);
    if (s >= 128) return s;
    return BuiltinResultStr(Empty());
  }
  StrValue result = PrcExecResult(name, file);
  if (Status e = StrError(result)) return e;
  return BuiltinResultStr(result);
}
