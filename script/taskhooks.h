// The task-hook table: 25 numbered hooks (ids 0-24) through which the
// framework calls code that the application layer or a later framework part
// supplies.
//
// Every id has one signature, fixed by kHookSignature below; a hook can only
// be stored, fetched and called under that signature, so nothing is ever
// called through the wrong one:
//   0, 2            NameHookFn    value of a "_" name (0: mode 1 read, 5
//                                 assign, or a record part) or of a "_" array
//                                 term (2: the first index); answers the value
//                                 text, or an error string (163 = not mine)
//   1               PrcCallFn     the procedure runner (entry, file, flags)
//   3               FileRelHookFn statistics reads of FILEREL
//   4-8, 10-17, 23  TaskFn        tasks and accept exits, called with an event
//                                 code; kTaskExecute (25) means execute
//   21              ImportMergeFn the merge step of an import
//   22              FieldHelpFn   the field help menu (window, position)
//   9, 18-20, 24    TextHookFn    free ids: the only hooks a script reaches,
//                                 with one text argument (TaskHookCallText)
//
// Registration: the last registration of an id wins. Framework parts set
// their defaults while the runtime starts; the application registers its own
// in start phase 1, after them, and so replaces them. A part that replaces a
// hook for a while (file copy swaps the low-level task 23) uses TaskHookSwap,
// which puts the previous hook back on every exit path.
//
// An empty task answers the stubs below when called through
// TaskHookRun: 148 FEATUREREMOVED (the low-level task 23 with the detail
// "TaskLowLevel").
#pragma once
#include <array>
#include <cstdint>
#include <type_traits>
#include <variant>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kTaskHooks = 25;
constexpr int kTaskExecute = 25;  // the event of "execute" (confirm)
constexpr int kHookRefused = 255;

enum HookId : int {
  kHookValue = 0,
  kHookPrcCall = 1,
  kHookArrayTerm = 2,
  kHookFileRel = 3,
  kHookExitParmFile = 4,
  kHookExitDocument = 5,
  kHookExitSteps = 6,
  kHookExitStatSteps = 7,
  kHookImportMerge = 21,
  kHookFieldHelp = 22,
  kHookLowLevel = 23,
};

using NameHookFn = StrValue (*)(StrValue name, int mode);
using PrcCallFn = Status (*)(StrValue entry, StrValue file, int flags);
using FileRelHookFn = Status (*)(int file, int related, int relation, int flags, StrValue text);
using TaskFn = Status (*)(int event);
using ImportMergeFn = Status (*)();
using HelpPointFn = uint32_t (*)();  // bottom (low 16 bits) and right edge
using FieldHelpFn = Status (*)(void* window, HelpPointFn point);
using TextHookFn = Status (*)(StrValue text);

using HookEntry = std::variant<std::monostate, NameHookFn, PrcCallFn, FileRelHookFn, TaskFn,
                               ImportMergeFn, FieldHelpFn, TextHookFn>;

// The signature of each id, as the variant index of HookEntry.
template <class Fn>
constexpr uint8_t kHookKindOf = static_cast<uint8_t>(
    std::is_same_v<Fn, NameHookFn>      ? 1
    : std::is_same_v<Fn, PrcCallFn>     ? 2
    : std::is_same_v<Fn, FileRelHookFn> ? 3
    : std::is_same_v<Fn, TaskFn>        ? 4
    : std::is_same_v<Fn, ImportMergeFn> ? 5
    : std::is_same_v<Fn, FieldHelpFn>   ? 6
    : std::is_same_v<Fn, TextHookFn>    ? 7
                                        : 0);

constexpr std::array<uint8_t, kTaskHooks> kHookSignature = {
    1, 2, 1, 3,              // 0-3
    4, 4, 4, 4, 4,           // 4-8
    7,                       // 9
    4, 4, 4, 4, 4, 4, 4, 4,  // 10-17
    7, 7, 7,                 // 18-20
    5, 6, 4, 7};             // 21-24

// Stores entry under id when it is empty or of the id's signature; answers
// id, or 255 (nothing changes) for an id outside 0-24 or another signature.
int TaskHookStore(HookEntry entry, int id);
HookEntry TaskHookEntry(int id);

template <class Fn>
int TaskHookSet(Fn fn, int id) {
  static_assert(kHookKindOf<Fn> != 0, "not a hook signature");
  return TaskHookStore(HookEntry(std::in_place_index<kHookKindOf<Fn>>, fn), id);
}
// The same, as the application phase callbacks call it.
template <class Fn>
int TaskHookRegister(Fn fn, int id) {
  return TaskHookSet(fn, id);
}
// The hook of id when it has signature Fn; null when none, when id is out of
// range, or when id has another signature.
template <class Fn>
Fn TaskHookGetAs(int id) {
  static_assert(kHookKindOf<Fn> != 0, "not a hook signature");
  HookEntry e = TaskHookEntry(id);
  return e.index() == kHookKindOf<Fn> ? std::get<kHookKindOf<Fn>>(e) : nullptr;
}
// The task under id (null when none, out of range or not a task id).
inline TaskFn TaskHookGet(int id) { return TaskHookGetAs<TaskFn>(id); }

// Calls the task under id with event; an empty task answers the start-up
// stub; an id that is not a task answers 147.
Status TaskHookRun(int id, int event);
// Calls the text hook under id: 0 when none is registered, 147 when id is
// outside 0-24 or its hook does not take a text.
Status TaskHookCallText(int id, StrValue text);

// Task stubs for hooks an application leaves empty: 148 FEATUREREMOVED
// (TaskClose and TaskLowLevel with their name as the detail).
Status TaskStub(int event);
Status TaskClose(int event);
Status TaskLowLevel(int event);

// Empties every hook (a new runtime).
void TaskHooksReset();

// Replaces hook id by fn for the lifetime of the guard, then puts the
// previous hook back however the scope is left.
class TaskHookSwap {
 public:
  template <class Fn>
  TaskHookSwap(Fn fn, int id) : id_(id), saved_(TaskHookEntry(id)) {
    TaskHookSet(fn, id);
  }
  ~TaskHookSwap() { TaskHookStore(saved_, id_); }
  TaskHookSwap(const TaskHookSwap&) = delete;
  TaskHookSwap& operator=(const TaskHookSwap&) = delete;

 private:
  int id_;
  HookEntry saved_;
};
