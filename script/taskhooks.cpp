#include "script/taskhooks.h"

#include "runtime/errors.h"

namespace {

std::array<HookEntry, kTaskHooks> g_hooks;

bool InRange(int id) { return id >= 0 && id < kTaskHooks; }

struct IsNull {
  bool operator()(std::monostate) const { return true; }
  template <class Fn>
  bool operator()(Fn fn) const {
    return fn == nullptr;
  }
};

}  // namespace

Status TaskStub(int) { return st::FEATUREREMOVED; }
Status TaskClose(int) {
  ErrDetailSet(0, StrFromC("TaskClose"), false);
  return st::FEATUREREMOVED;
}
Status TaskLowLevel(int) {
  ErrDetailSet(0, StrFromC("TaskLowLevel"), false);
  return st::FEATUREREMOVED;
}

int TaskHookStore(HookEntry entry, int id) {
  if (!InRange(id)) return kHookRefused;
  bool empty = entry.index() == 0;
  if (!empty && entry.index() != kHookSignature[id]) return kHookRefused;
  // A null function of the right signature empties the slot as well.
  if (!empty && std::visit(IsNull{}, entry)) entry = HookEntry{};
  g_hooks[id] = entry;
  return id;
}

HookEntry TaskHookEntry(int id) { return InRange(id) ? g_hooks[id] : HookEntry{}; }

Status TaskHookRun(int id, int event) {
  if (!InRange(id) || kHookSignature[id] != kHookKindOf<TaskFn>) return st::SINTAXERROR;
  if (TaskFn fn = TaskHookGet(id)) return fn(event);
  return id == kHookLowLevel ? TaskLowLevel(event) : TaskStub(event);
}

Status TaskHookCallText(int id, StrValue text) {
  if (!InRange(id) || kHookSignature[id] != kHookKindOf<TextHookFn>) return st::SINTAXERROR;
  TextHookFn fn = TaskHookGetAs<TextHookFn>(id);
  return fn ? fn(text) : st::OK;
}

void TaskHooksReset() { g_hooks.fill(HookEntry{}); }
