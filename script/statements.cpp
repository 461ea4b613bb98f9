#include "script/statements.h"

#include <array>
#include <string>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/hostdialog.h"
#include "runtime/hostproc.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "script/procedures.h"
#include "script/variables.h"

namespace {

constexpr uint16_t kCodes = kPrcLastHandler - kPrcFirstHandler + 1;

// The slot that owns each code, from ACCEPT (19) to SYSTEM (53).
constexpr std::array<uint8_t, kCodes> kOwner = {
    kSlotScreen,  kSlotScreen,  kSlotScreen,  kSlotTrans,   kSlotDevices, kSlotDevices, kSlotDevices,
    kSlotDevices, kSlotTrans,   kSlotUtils,   kSlotTrans,   kSlotDevices, kSlotStruct,  kSlotScreen,
    kSlotScreen,  kSlotScreen,  kSlotUtils,   kSlotScreen,  kSlotTrans,   kSlotReport,  kSlotReport,
    kSlotScreen,  kSlotScreen,  kSlotScreen,  kSlotScreen,  kSlotScreen,  kSlotScreen,  kSlotStruct,
    kSlotStruct,  kSlotStruct,  kSlotStruct,  kSlotStruct,  kSlotUtils,   kSlotUtils,   kSlotDevices,
};
static_assert(kOwner.size() == kStmtSystem - kStmtAccept + 1);

constexpr const char* kHandlerNames[] = {"ExecRunDevices", "ExecRunStruct", "ExecRunScreen",
                                         "ExecRunReport",  "ExecRunTrans",  "ExecRunUtils"};

Status Fail(Status code, std::string_view detail) {
  ErrDetailSet(code, StrFromView(detail), false);
  return ErrSet(1, MOD_MALLOC_MEMACUMS, code, code);
}

bool Owns(uint16_t slot, uint16_t code) {
  return code >= kPrcFirstHandler && code <= kPrcLastHandler && kOwner[code - kPrcFirstHandler] == slot;
}

Status RunSlot(uint16_t slot, uint16_t code, const ExecArgs& args) {
  if (!Owns(slot, code)) return ExecHandlerNext(slot, code, args);
  if (ExecStatement fn = ExecStatementFind(code)) return fn(code, args);
  return Fail(st::FEATUREREMOVED, std::string(kHandlerNames[slot]) + " " + PrcKeyword(code).Str());
}

Status Outcome(Status s) {
  VarSysIntSet(kSysStat, static_cast<int16_t>(s));
  return 0;
}

// KILL file.
Status Kill(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  const StrAreaScope scope;
  StrValue name = PathExpand(a.strs[0]);
  return Outcome(name.IsError() ? StrError(name) : FileDelete(name));
}

// SYSTEM command / SYSTEM kind,file.
Status System(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  const StrAreaScope scope;
  if (a.kinds[0] == 0 && a.ints[0] != 0) {
    StrValue file = PathExpand(a.strs[1]);
    return Outcome(file.IsError() ? StrError(file) : HostViewFile(a.ints[0], file));
  }
  return Outcome(ExecSystemCmd(a.strs[0]));
}

// The dialog's choice goes on the results stack: pushed on an empty stack,
// else in place of its top.
Status KeepChoice(StrValue path) {
  uint32_t n = DynStrCount(ResultsStack);
  return n == 0 ? DynStrPush(ResultsStack, path) : DynStrSet(ResultsStack, n - 1, path);
}

// FILESELECT list|'RESTORE' / FILESELECT type[,flags].
Status FileSelect(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  if (a.kinds[0] != 0 && a.strs[0].len > 1) return RunStackOpenState(a.strs[0]);
  const StrAreaScope scope;
  int type = a.kinds[0] == 0 ? a.ints[0] : static_cast<int>(StrToLong(a.strs[0]));
  int flags = (type & kDialogKindMask) | (a.ints[1] & ~kDialogKindMask);
  StrValue path = FileSelectDialog(false, flags);
  if (Status e = StrError(path)) return e;
  return path.len == 0 ? 0 : KeepChoice(path);
}

}  // namespace

Status ExecArgsAtLeast(const ExecArgs& args, uint16_t min) {
  return args.count >= min ? 0 : ErrSet(1, MOD_MALLOC_MEMACUMS, st::SINTAXERROR, st::SINTAXERROR);
}

Status ExecSystemCmd(StrValue command) {
  if (Status e = StrError(command)) return e;
  const StrAreaScope scope;
  StrValue line = PathExpand(StrFromView(std::string(kCommandInterpreter) + " " + command.Str()));
  if (Status e = StrError(line)) return e;
  return HostRunPiped(line, nullptr, nullptr);
}

void ExecRunUtilsInit() {
  ExecStatementSet(kStmtKill, Kill);
  ExecStatementSet(kStmtSystem, System);
  ExecStatementSet(kStmtFileSelect, FileSelect);
  ExecHandlerSet(kSlotUtils, ExecRunUtils);
  ExecHandlerSet(kSlotTrans, ExecRunTrans);
  ExecHandlerSet(kSlotReport, ExecRunReport);
  ExecHandlerSet(kSlotScreen, ExecRunScreen);
  ExecHandlerSet(kSlotStruct, ExecRunStruct);
  ExecHandlerSet(kSlotDevices, ExecRunDevices);
}

template <uint16_t Slot>
Status ExecRunSlot(uint16_t code, uint16_t count, const uint16_t* kinds, const int16_t* ints, const StrValue* strs) {
  return RunSlot(Slot, code, ExecArgsOf(count, kinds, ints, strs));
}

template Status ExecRunSlot<kSlotDevices>(uint16_t, uint16_t, const uint16_t*, const int16_t*, const StrValue*);
template Status ExecRunSlot<kSlotStruct>(uint16_t, uint16_t, const uint16_t*, const int16_t*, const StrValue*);
template Status ExecRunSlot<kSlotScreen>(uint16_t, uint16_t, const uint16_t*, const int16_t*, const StrValue*);
template Status ExecRunSlot<kSlotReport>(uint16_t, uint16_t, const uint16_t*, const int16_t*, const StrValue*);
template Status ExecRunSlot<kSlotTrans>(uint16_t, uint16_t, const uint16_t*, const int16_t*, const StrValue*);
template Status ExecRunSlot<kSlotUtils>(uint16_t, uint16_t, const uint16_t*, const int16_t*, const StrValue*);
