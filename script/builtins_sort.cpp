// SORT$: sorted lists from the script language.
//
// SORT$(list[;flags]) sorts a comma list in one call. SORT$('NEW';a[;b[;flags]])
// creates a list and answers its handle; ADD, MOVE, GET and KILL take the
// handle as their second argument. ADD and MOVE answer the handle again,
// which the script stores back (MOVE's handle carries the new cursor; _IER
// gets the move status, 2 past either end); GET answers the item under the
// cursor, the empty text once a move ran past the end; KILL frees the list.
//
// A handle is a 24-byte text that carries no memory: "SORT", the slot of the
// list in this module's table, its generation, the cursor and the last move
// status, in hexadecimal. The lists themselves stay in the table; a handle
// whose slot does not hold that generation (a forged text, one used after
// KILL, one from an earlier runtime) is 147, and so is a text of another
// length. Lists a script never kills stay allocated to the end of the run,
// where the memory table reports them (owner 12).
#include <array>
#include <cstdio>
#include <string>

#include "runtime/sortlist.h"
#include "script/builtins_int.h"
#include "script/scanner.h"
#include "script/variables.h"

namespace {

constexpr uint16_t kSortSlots = 64;
constexpr size_t kHandleLen = 24;

struct SortSlot {
  SortList list;
  uint32_t generation = 0;  // 0: free
};

struct SortTable {
  std::array<SortSlot, kSortSlots> slots{};
  uint32_t memGeneration = 0;  // the runtime the lists belong to
  uint32_t nextGeneration = 1;
};
SortTable g_sorts;

// The table, emptied when the runtime was made anew (the old lists went
// with the old memory table).
SortTable& Table() {
  if (g_sorts.memGeneration != MemGeneration()) {
    for (SortSlot& s : g_sorts.slots) s = SortSlot{};
    g_sorts.memGeneration = MemGeneration();
  }
  return g_sorts;
}

struct Handle {
  uint16_t slot = 0;
  uint32_t generation = 0;
  uint16_t cursor = 0;
  uint16_t state = 0;  // the last move's status
};

StrValue HandleText(const Handle& h) {
  char buf[kHandleLen + 1];
  std::snprintf(buf, sizeof buf, "SORT%04X%08X%04X%04X", static_cast<unsigned>(h.slot),
                static_cast<unsigned>(h.generation), static_cast<unsigned>(h.cursor), static_cast<unsigned>(h.state));
  return StrFromView(std::string_view(buf, kHandleLen));
}

bool HexField(std::string_view text, size_t at, size_t n, uint32_t* out) {
  uint32_t v = 0;
  for (size_t i = at; i < at + n; ++i) {
    char c = text[i];
    int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  *out = v;
  return true;
}

// The list a handle names; null (147) for anything but a live list's handle.
SortSlot* Resolve(StrValue text, Handle* h) {
  std::string_view v = text.View();
  uint32_t slot = 0, gen = 0, cursor = 0, state = 0;
  if (text.IsError() || v.size() != kHandleLen || v.substr(0, 4) != "SORT" || !HexField(v, 4, 4, &slot) ||
      !HexField(v, 8, 8, &gen) || !HexField(v, 16, 4, &cursor) || !HexField(v, 20, 4, &state))
    return nullptr;
  if (slot >= kSortSlots || gen == 0) return nullptr;
  SortSlot& s = Table().slots[slot];
  if (s.generation != gen || cursor > s.list.count) return nullptr;
  *h = Handle{static_cast<uint16_t>(slot), gen, static_cast<uint16_t>(cursor), static_cast<uint16_t>(state)};
  return &s;
}

Status ArgWidth(uint16_t n, uint32_t* out) {
  int32_t v = 0;
  if (Status s = BuiltinArgLong(n, 0, &v)) return s;
  if (v < 0 || v > 65535) return BuiltinFail(st::BADINPUTDATA);
  *out = static_cast<uint32_t>(v);
  return 0;
}

Status SortNew() {
  if (Status s = BuiltinArgCount(2, 4)) return s;
  uint32_t a = 0, b = 0;
  int16_t flags = 0;
  if (Status s = ArgWidth(2, &a)) return s;
  if (Status s = ArgWidth(3, &b)) return s;
  if (Status s = BuiltinArgInt(4, 0, &flags)) return s;
  SortTable& t = Table();
  uint16_t slot = 0;
  while (slot < kSortSlots && t.slots[slot].generation != 0) ++slot;
  if (slot == kSortSlots) return BuiltinFail(st::DATAOUTBOUND);
  SortSlot& s = t.slots[slot];
  uint8_t listFlags = static_cast<uint8_t>(flags) & (kSortUnique | kSortDescending);
  if (Status e = SortListCreate(a, b, listFlags, &s.list)) return e;
  s.generation = t.nextGeneration++;
  if (t.nextGeneration == 0) t.nextGeneration = 1;
  return BuiltinResultStr(HandleText(Handle{slot, s.generation, 0, 0}));
}

// The navigation word of MOVE: NXT, PRV and BOT; any other goes to the first.
uint16_t MoveCode(StrValue word) {
  switch (ExpListFindNoCase(StrFromC("NXT,PRV,BOT"), word)) {
    case 1: return kSortNext;
    case 2: return kSortPrevious;
    case 3: return kSortLast;
    default: return kSortFirst;
  }
}

Status SortOnHandle(uint32_t command) {
  static constexpr uint16_t kCounts[] = {0, 0, 3, 3, 2, 2};  // by command: -, NEW, ADD, MOVE, GET, KILL
  if (Status s = BuiltinArgCount(kCounts[command], kCounts[command])) return s;
  Handle h;
  SortSlot* slot = Resolve(BuiltinArgAsText(2, StrMake("", 0)), &h);
  if (!slot) return BuiltinFail(st::SINTAXERROR);
  SortList& list = slot->list;
  switch (command) {
    case 2: {  // ADD
      StrValue item = BuiltinArgAsText(3, StrMake("", 0));
      Status s = SortListInsert(item, &list);
      if (s >= 128) return s;
      return BuiltinResultStr(HandleText(h));
    }
    case 3: {  // MOVE
      list.current = h.cursor;
      h.state = SortListMove(MoveCode(BuiltinArgAsText(3, StrMake("", 0))), &list);
      h.cursor = list.current;
      VarSysIntSet(kSysIer, static_cast<int16_t>(h.state));
      return BuiltinResultStr(HandleText(h));
    }
    case 4:  // GET
      if (h.state != 0) return BuiltinResultStr(StrMake("", 0));
      list.current = h.cursor;
      return BuiltinResultStr(SortListItem(list));
    default:  // KILL
      SortListFree(&list);
      slot->generation = 0;
      return BuiltinResultStr(StrMake("", 0));
  }
}

}  // namespace

Status BiSort(const uint16_t*, uint16_t) {
  StrValue first = BuiltinArgAsText(1, StrMake("", 0));
  if (Status e = StrError(first)) return e;
  uint32_t command = ExpListFindNoCase(StrFromC("NEW,ADD,MOVE,GET,KILL"), first);
  if (command == 1) return SortNew();
  if (command > 1) return SortOnHandle(command);
  if (Status s = BuiltinArgCount(1, 2)) return s;
  int16_t flags = 0;
  if (Status s = BuiltinArgInt(2, 0, &flags)) return s;
  StrValue sorted = SortListString(first, static_cast<uint8_t>(flags));
  if (Status e = StrError(sorted)) return e >= 128 ? BuiltinFail(e) : e;
  return BuiltinResultStr(sorted);
}
