// String values and the string area.
//
// Every text travels as a StrValue: a pointer and a 16-bit length, not
// NUL-terminated, at most 65535 bytes. A null pointer makes an *error string*
// whose length carries a status code (65535 when that field is 0); string
// operations pass error strings through unchanged, so chains of calls need no
// checks in between.
//
// Temporary texts live in the StringArea, a stack of numbered slots in one
// byte block (slot count x 1024 bytes, owner ExecRunTime). Operations take a
// mark on entry (StrAreaMark(-1)) and release back to it on exit, returning a
// string result with StrAreaReturn(mark, s) (exactly one new slot above the
// mark); an operation that answers a status holds a StrAreaScope, which
// releases on every path. Callers never free.
//
// Lengths are computed in 32 bits: a result over 65535 bytes is the error
// string 146 STRINGTOOLONG, a full area 145 OUTOFMEMORY; nothing wraps.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/memory.h"
#include "runtime/status.h"

struct StrValue {
  char* ptr = nullptr;
  uint16_t len = 0;

  bool IsError() const { return ptr == nullptr; }
  std::string_view View() const { return ptr ? std::string_view(ptr, len) : std::string_view(); }
  std::string Str() const { return std::string(View()); }
};

// A string array: count items, allocated in the area.
struct StrArray {
  uint16_t count = 0;
  StrValue* items = nullptr;
  Status error = 0;  // non-zero when the array could not be made
};

struct StringAreaHeader {
  uint16_t blockSlot = 65535;  // memory slot of the byte block
  uint16_t descSlot = 65535;   // memory slot of the descriptor table
  uint16_t slotCount = 0;
  uint16_t top = 0;
  uint16_t highSlot = 0;
  char* freePtr = nullptr;
  uint32_t blockSize = 0;
  uint32_t highBytes = 0;
  char* block = nullptr;
  StrValue* desc = nullptr;
};

struct RuntimeRecord {
  int16_t memSlotCount = 64;
  uint16_t strSlotCount = 128;
  MemSlot* memTable = nullptr;
  uint16_t memActive = 0;
  StringAreaHeader area;
};

namespace rtdetail {
inline RuntimeRecord g_runtime;
}
inline RuntimeRecord* RuntimeRecordGet() { return &rtdetail::g_runtime; }

constexpr uint32_t kStrSlotBytes = 1024;
constexpr uint32_t kStrMaxLen = 65535;

// --- Area operations ---------------------------------------------------
Status StrAreaInit();
Status StrAreaFree();
void StrAreaForget();  // drops the header after the memory table was freed
bool StrAreaReady();
// Releases the area down to slot index (a mark) and answers the top; -1
// (or any index above the top) only answers it.
inline uint16_t StrAreaMark(int index) {
  StringAreaHeader& a = rtdetail::g_runtime.area;
  if (index < 0 || index >= a.slotCount || index > a.top) return a.top;
  a.top = static_cast<uint16_t>(index);
  const StrValue& d = a.desc[index];
  a.freePtr = d.ptr + MemAlign4(d.len);
  return a.top;
}
inline Status StrAreaRelease(uint16_t mark, Status code) {
  StrAreaMark(mark);
  return code;
}
// Releases the area back to a mark a scope took; in the test builds it also
// checks that the marks were balanced (nothing inside the scope released
// below its mark, which would have freed its caller's texts).
void StrAreaScopeEnd(uint16_t mark);
// Takes a mark where it is made and releases the area back to it when the
// scope is left, on every path (the value a function returns is computed
// before the release). A function that hands a string result up keeps the
// explicit mark and StrAreaReturn.
class StrAreaScope {
 public:
  StrAreaScope() : mark_(StrAreaMark(-1)) {}
  ~StrAreaScope() { StrAreaScopeEnd(mark_); }
  StrAreaScope(const StrAreaScope&) = delete;
  StrAreaScope& operator=(const StrAreaScope&) = delete;
  uint16_t Mark() const { return mark_; }

 private:
  uint16_t mark_;
};
Status StrAreaAlloc(uint32_t n, uint8_t fill);
char* StrAreaAllocPtr(uint32_t n, uint8_t fill);
Status StrAreaPush(StrValue s);
StrValue StrAreaTop();
StrValue StrAreaReturn(uint16_t mark, StrValue s);
Status StrAreaConcat(StrValue a, StrValue b);
Status StrAreaRoom(uint16_t n);
Status StrAreaKeep(uint16_t mark, StrValue* const* vars);
uint32_t StrAreaFreeBytes();
StrValue StrAreaFreeSpace();

// --- Primitive operations ------------------------------------------------
StrValue StrMake(const char* ptr, uint32_t len);
StrValue StrErr(Status code);  // the error string carrying code
Status StrError(StrValue s);
StrValue StrFromC(const char* cstr);
StrValue StrFromCCopy(const char* cstr);
StrValue StrFromView(std::string_view v);  // copies into the area
uint32_t StrCLenAdd(const char* cstr, int8_t k);
StrValue StrDup(StrValue s);
StrValue StrCat(StrValue a, StrValue b);
StrValue StrChar(char c);
const char* StrToC(StrValue s);
inline const char* StrCPtr(StrValue s) { return StrToC(s); }
StrValue StrAppendRaw(StrValue s, char* buf, uint32_t n, uint32_t capacity);
StrValue StrMid(StrValue s, int32_t start, uint32_t len);
Status StrCopyAt(char* target, uint32_t capacity, uint32_t offset, StrValue s);
Status StrOverwriteAt(StrValue target, int32_t pos, StrValue s);
StrValue StrOverwrite(StrValue s, int32_t pos, StrValue t);
char StrPairPartner(char open);
StrValue StrEnclose(StrValue s, char c);
StrValue StrQuote(StrValue s, char q);
StrValue StrRepeat(StrValue s, uint32_t n);
uint16_t StrFindCharAt(StrValue s, uint32_t start, char c, bool plain);
uint16_t StrFindSetAt(StrValue s, uint32_t start, StrValue set, bool plain);
uint32_t StrFindPair(StrValue s, char close, char open, bool plain);
StrValue StrBetween(StrValue s, char open, bool plain);
StrArray StrSplit(StrValue s, char sep);
StrArray StrArrayNew(uint16_t n);
StrValue StrArrayItem(const StrArray& a, uint32_t n);
void StrArraySetItem(StrArray& a, uint32_t i, StrValue s);
