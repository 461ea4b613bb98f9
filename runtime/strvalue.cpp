#include "runtime/strvalue.h"

#include <algorithm>
#include <cstring>

#include "runtime/kxassert.h"

namespace {

using rtdetail::g_runtime;
char g_empty[1] = {0};
const char g_emptyC[1] = {0};

StringAreaHeader& area() { return g_runtime.area; }

bool AreaLive() { return area().block != nullptr; }

StrValue Empty() { return StrValue{g_empty, 0}; }

// Takes n bytes as a new top slot; the descriptor keeps min(n, 65535) so that
// a NUL-terminated copy of a 65535-byte text (65536 bytes) still releases to
// the right place (the padded end of 65535 and 65536 is the same).
char* AllocRaw(uint32_t n, uint8_t fill, Status* code) {
  StringAreaHeader& a = area();
  if (!AreaLive() || n > kStrMaxLen + 1 || a.top + 1u >= a.slotCount) {
    *code = n > kStrMaxLen + 1 ? st::STRINGTOOLONG : st::OUTOFMEMORY;
    return nullptr;
  }
  uint32_t padded = MemAlign4(n);
  uint32_t used = static_cast<uint32_t>(a.freePtr - a.block);
  if (static_cast<uint64_t>(used) + padded >= a.blockSize) {
    *code = st::OUTOFMEMORY;
    return nullptr;
  }
  char* p = a.freePtr;
  if (fill != 255 && n) std::memset(p, fill, n);
  a.freePtr += padded;
  ++a.top;
  a.desc[a.top] = StrValue{p, static_cast<uint16_t>(std::min<uint32_t>(n, kStrMaxLen))};
  uint32_t nowUsed = used + padded;
  if (nowUsed > a.highBytes) a.highBytes = nowUsed;
  if (a.top > a.highSlot) a.highSlot = a.top;
  *code = 0;
  return p;
}

// Pushes len bytes from src (which may lie in the released part above the
// free pointer: the copy moves downwards and is overlap-safe).
StrValue PushBytes(const char* src, uint32_t len) {
  if (len > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  Status code;
  char* p = AllocRaw(len, 255, &code);
  if (!p) return StrErr(code);
  if (len) std::memmove(p, src, len);
  return StrValue{p, static_cast<uint16_t>(len)};
}

Status FirstError(StrValue a, StrValue b) {
  Status e = StrError(a);
  return e ? e : StrError(b);
}

bool IsQuote(char c) { return c == '\'' || c == '"'; }

// Finds the first position >= start whose byte satisfies pred; with plain
// false, quoted parts are skipped (an unclosed quote ends the search).
template <typename Pred>
uint16_t FindIf(StrValue s, uint32_t start, bool plain, Pred pred) {
  if (s.IsError()) return 65535;
  const uint32_t n = s.len;
  for (uint32_t i = start; i < n; ++i) {
    char c = s.ptr[i];
    if (!plain && IsQuote(c)) {
      uint32_t close = i + 1;
      while (close < n && s.ptr[close] != c) ++close;
      if (close >= n) return 65535;  // an unclosed quote ends the search
      i = close;
      continue;
    }
    if (pred(c)) return static_cast<uint16_t>(i);
  }
  return 65535;
}

}  // namespace

// --- Area ----------------------------------------------------------------

Status StrAreaInit() {
  StringAreaHeader& a = area();
  if (a.block) return st::UNDEFWARNING;
  uint16_t count = g_runtime.strSlotCount ? g_runtime.strSlotCount : 128;
  uint32_t size = static_cast<uint32_t>(count) * kStrSlotBytes;
  uint16_t bs = MemSlotTake(MOD_EXECRUNTIME, size, 0);
  if (bs == 65535) return st::OUTOFMEMORY;
  uint16_t ds = MemSlotTake(MOD_EXECRUNTIME, static_cast<uint32_t>(count) * sizeof(StrValue), 0);
  if (ds == 65535) {
    MemFree(MOD_EXECRUNTIME, MemSlotAt(bs)->ptr);
    return st::OUTOFMEMORY;
  }
  a = StringAreaHeader{};
  a.blockSlot = bs;
  a.descSlot = ds;
  a.slotCount = count;
  a.block = reinterpret_cast<char*>(MemSlotAt(bs)->ptr);
  a.desc = reinterpret_cast<StrValue*>(MemSlotAt(ds)->ptr);
  a.blockSize = size;
  a.freePtr = a.block;
  a.desc[0] = StrValue{a.block, 0};
  return st::OK;
}

Status StrAreaFree() {
  StringAreaHeader& a = area();
  if (!a.block) return st::OK;
  Status s1 = MemFree(MOD_EXECRUNTIME, a.block);
  Status s2 = MemFree(MOD_EXECRUNTIME, a.desc);
  a = StringAreaHeader{};
  return s1 ? s1 : s2;
}

void StrAreaForget() { area() = StringAreaHeader{}; }

bool StrAreaReady() { return MemTableActive(); }

// A mark taken inside the live area is never above the top when it is given
// back: what lies between them belongs to the one who took the mark.
void StrAreaScopeEnd(uint16_t mark) {
  KX_ASSERT(!AreaLive() || mark <= area().top);
  StrAreaMark(mark);
}

Status StrAreaAlloc(uint32_t n, uint8_t fill) {
  if (n > kStrMaxLen) return st::STRINGTOOLONG;
  Status code;
  AllocRaw(n, fill, &code);
  return code;
}

char* StrAreaAllocPtr(uint32_t n, uint8_t fill) {
  if (n > kStrMaxLen) return nullptr;
  Status code;
  return AllocRaw(n, fill, &code);
}

Status StrAreaPush(StrValue s) {
  if (Status e = StrError(s)) return e;
  return StrError(PushBytes(s.ptr, s.len));
}

StrValue StrAreaTop() {
  const StringAreaHeader& a = area();
  if (!a.block) return StrErr(st::OUTOFMEMORY);
  return a.desc[a.top];
}

StrValue StrAreaReturn(uint16_t mark, StrValue s) {
  KX_ASSERT(!AreaLive() || mark <= area().top);
  StrAreaMark(mark);
  if (Status e = StrError(s)) return StrErr(e);
  return PushBytes(s.ptr, s.len);
}

Status StrAreaConcat(StrValue a, StrValue b) {
  if (Status e = FirstError(a, b)) return e;
  uint32_t n = static_cast<uint32_t>(a.len) + b.len;
  if (n > kStrMaxLen) return st::STRINGTOOLONG;
  Status code;
  char* p = AllocRaw(n, 255, &code);
  if (!p) return code;
  std::memmove(p, a.ptr, a.len);
  std::memmove(p + a.len, b.ptr, b.len);
  return st::OK;
}

Status StrAreaRoom(uint16_t n) {
  const StringAreaHeader& a = area();
  return static_cast<uint32_t>(a.top) + n > a.slotCount ? st::OUTOFMEMORY : st::OK;
}

Status StrAreaKeep(uint16_t mark, StrValue* const* vars) {
  StringAreaHeader& a = area();
  if (a.top <= mark) return st::OK;
  // First pass: copy each variable on top, in list order, so that the second
  // pass moves every copy downwards without overwriting a later source.
  for (StrValue* const* v = vars; *v; ++v) {
    if ((*v)->IsError()) continue;
    StrValue c = PushBytes((*v)->ptr, (*v)->len);
    if (c.IsError()) return StrError(c);
    **v = c;
  }
  StrAreaMark(mark);
  for (StrValue* const* v = vars; *v; ++v) {
    if ((*v)->IsError()) continue;
    StrValue c = PushBytes((*v)->ptr, (*v)->len);
    if (c.IsError()) return StrError(c);
    **v = c;
  }
  return st::OK;
}

uint32_t StrAreaFreeBytes() {
  const StringAreaHeader& a = area();
  if (!a.block) return 0;
  uint32_t used = static_cast<uint32_t>(a.freePtr - a.block);
  return a.blockSize > used + 4 ? a.blockSize - used - 4 : 0;
}

StrValue StrAreaFreeSpace() {
  const StringAreaHeader& a = area();
  if (!a.block) return StrErr(st::OUTOFMEMORY);
  return StrValue{a.freePtr, static_cast<uint16_t>(std::min<uint32_t>(StrAreaFreeBytes(), kStrMaxLen))};
}

// --- Primitives ----------------------------------------------------------

StrValue StrErr(Status code) { return StrValue{nullptr, code}; }

StrValue StrMake(const char* ptr, uint32_t len) {
  if (!ptr) return StrErr(static_cast<Status>(len));
  if (len > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  return StrValue{const_cast<char*>(ptr), static_cast<uint16_t>(len)};
}

Status StrError(StrValue s) {
  if (s.ptr) return 0;
  return s.len ? s.len : 65535;
}

StrValue StrFromC(const char* cstr) {
  if (!cstr) return StrErr(st::BADINPUTDATA);
  size_t n = std::strlen(cstr);
  if (n > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  return StrValue{const_cast<char*>(cstr), static_cast<uint16_t>(n)};
}

StrValue StrFromCCopy(const char* cstr) { return StrDup(StrFromC(cstr)); }

StrValue StrFromView(std::string_view v) {
  if (v.size() > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  return PushBytes(v.data(), static_cast<uint32_t>(v.size()));
}

uint32_t StrCLenAdd(const char* cstr, int8_t k) {
  int64_t n = cstr ? static_cast<int64_t>(std::strlen(cstr)) : 0;
  n += k;
  return n < 0 ? 0 : static_cast<uint32_t>(n);
}

StrValue StrDup(StrValue s) {
  if (Status e = StrError(s)) return StrErr(e);
  return PushBytes(s.ptr, s.len);
}

StrValue StrCat(StrValue a, StrValue b) {
  Status e = StrAreaConcat(a, b);
  return e ? StrErr(e) : StrAreaTop();
}

StrValue StrChar(char c) { return PushBytes(&c, 1); }

const char* StrToC(StrValue s) {
  if (s.IsError()) return g_emptyC;
  Status code;
  char* p = AllocRaw(static_cast<uint32_t>(s.len) + 1, 255, &code);
  if (!p) return g_emptyC;
  std::memmove(p, s.ptr, s.len);
  p[s.len] = 0;
  return p;
}

StrValue StrAppendRaw(StrValue s, char* buf, uint32_t n, uint32_t capacity) {
  if (s.IsError()) return s;
  if (!buf) return StrErr(st::BADINPUTDATA);
  uint64_t total = static_cast<uint64_t>(n) + s.len;
  if (total > capacity || total > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  std::memmove(buf + n, s.ptr, s.len);
  return StrValue{buf, static_cast<uint16_t>(total)};
}

StrValue StrMid(StrValue s, int32_t start, uint32_t len) {
  if (s.IsError()) return s;
  int64_t length = s.len;
  if (start < 0) {
    int64_t from = std::max<int64_t>(length + start, 0);
    return StrValue{s.ptr + from, static_cast<uint16_t>(length - from)};
  }
  if (start >= length) return StrValue{s.ptr + length, 0};
  int64_t rest = length - start;
  int64_t take = (len == 65535 || len > rest) ? rest : len;
  return StrValue{s.ptr + start, static_cast<uint16_t>(take)};
}

Status StrCopyAt(char* target, uint32_t capacity, uint32_t offset, StrValue s) {
  if (Status e = StrError(s)) return e;
  if (!target) return st::BADINPUTDATA;
  if (offset >= capacity) return st::OK;
  uint32_t n = std::min<uint32_t>(s.len, capacity - offset);
  std::memmove(target + offset, s.ptr, n);
  return st::OK;
}

Status StrOverwriteAt(StrValue target, int32_t pos, StrValue s) {
  if (Status e = FirstError(target, s)) return e;
  int64_t p = pos < 0 ? std::max<int64_t>(static_cast<int64_t>(target.len) + pos, 0) : pos;
  if (p >= target.len) return st::OK;
  uint32_t n = std::min<uint32_t>(s.len, static_cast<uint32_t>(target.len - p));
  std::memmove(target.ptr + p, s.ptr, n);
  return st::OK;
}

StrValue StrOverwrite(StrValue s, int32_t pos, StrValue t) {
  if (Status e = FirstError(s, t)) return StrErr(e);
  StrValue copy = StrDup(s);
  if (copy.IsError()) return copy;
  StrOverwriteAt(copy, pos, t);
  return copy;
}

char StrPairPartner(char open) {
  static const char kPairs[] = "[](){}<>";
  for (int i = 0; i < 8; i += 2)
    if (kPairs[i] == open) return kPairs[i + 1];
  return open;
}

StrValue StrEnclose(StrValue s, char c) {
  if (Status e = StrError(s)) return StrErr(e);
  uint32_t n = static_cast<uint32_t>(s.len) + 2;
  if (n > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  Status code;
  char* p = AllocRaw(n, 255, &code);
  if (!p) return StrErr(code);
  p[0] = c;
  std::memmove(p + 1, s.ptr, s.len);
  p[n - 1] = StrPairPartner(c);
  return StrValue{p, static_cast<uint16_t>(n)};
}

StrValue StrQuote(StrValue s, char q) {
  if (Status e = StrError(s)) return StrErr(e);
  std::string_view v = s.View();
  char other = q == '\'' ? '"' : '\'';
  if (v.find(q) == std::string_view::npos) return StrEnclose(s, q);
  if (v.find(other) == std::string_view::npos) return StrEnclose(s, other);
  return StrErr(st::BADINPUTDATA);
}

StrValue StrRepeat(StrValue s, uint32_t n) {
  if (Status e = StrError(s)) return StrErr(e);
  uint64_t total = static_cast<uint64_t>(s.len) * n;
  if (total > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  Status code;
  char* p = AllocRaw(static_cast<uint32_t>(total), 255, &code);
  if (!p) return StrErr(code);
  for (uint32_t i = 0; i < n; ++i) std::memcpy(p + static_cast<size_t>(i) * s.len, s.ptr, s.len);
  return StrValue{p, static_cast<uint16_t>(total)};
}

uint16_t StrFindCharAt(StrValue s, uint32_t start, char c, bool plain) {
  return FindIf(s, start, plain, [c](char x) { return x == c; });
}

uint16_t StrFindSetAt(StrValue s, uint32_t start, StrValue set, bool plain) {
  if (set.IsError() || set.len == 0) return 65535;
  std::string_view v = set.View();
  return FindIf(s, start, plain, [v](char x) { return v.find(x) != std::string_view::npos; });
}

uint32_t StrFindPair(StrValue s, char close, char open, bool plain) {
  uint16_t c = StrFindCharAt(s, 0, close, plain);
  if (c == 65535) return 65535;
  uint32_t lastOpen = 65535;
  for (uint32_t pos = 0;;) {
    uint16_t o = StrFindCharAt(s, pos, open, plain);
    if (o == 65535 || o >= c) break;
    lastOpen = o;
    pos = o + 1u;
  }
  if (lastOpen == 65535) return 65535;
  uint32_t begin = lastOpen + 1;
  return begin | ((c - begin) << 16);
}

StrValue StrBetween(StrValue s, char open, bool plain) {
  if (s.IsError()) return s;
  char close = StrPairPartner(open);
  uint16_t p = StrFindCharAt(s, 0, open, plain);
  if (p == 65535) return Empty();
  uint16_t q = StrFindCharAt(s, p + 1u, close, plain);
  if (q == 65535) return Empty();
  if (open != close) {
    // Occurrences of ch in [from, to). Every end used here lies outside
    // quotes, so cutting the text there changes no quoted part.
    auto count = [&](char ch, uint32_t from, uint32_t to) {
      const StrValue upTo{s.ptr, static_cast<uint16_t>(to)};
      uint32_t k = 0;
      for (uint32_t pos = from;;) {
        uint16_t f = StrFindCharAt(upTo, pos, ch, plain);
        if (f == 65535) break;
        ++k;
        pos = f + 1u;
      }
      return k;
    };
    // Counts inside (p, q), kept up to date as q moves to the next closing
    // character: only the newly added span is scanned, so deep nesting stays
    // linear.
    uint32_t opens = count(open, p + 1u, q), closes = count(close, p + 1u, q);
    while (opens != closes) {
      uint16_t next = StrFindCharAt(s, q + 1u, close, plain);
      if (next == 65535) return Empty();
      opens += count(open, q + 1u, next);
      ++closes;  // the closing character at q; none lies between q and next
      q = next;
    }
  }
  return StrValue{s.ptr + p + 1, static_cast<uint16_t>(q - p - 1)};
}

StrArray StrArrayNew(uint16_t n) {
  StrArray a;
  uint32_t bytes = static_cast<uint32_t>(n) * sizeof(StrValue);
  if (bytes > kStrMaxLen) {
    a.error = st::STRINGTOOLONG;
    return a;
  }
  Status code;
  char* p = AllocRaw(bytes, 0, &code);
  if (!p) {
    a.error = code;
    return a;
  }
  a.count = n;
  a.items = reinterpret_cast<StrValue*>(p);
  for (uint16_t i = 0; i < n; ++i) a.items[i] = Empty();
  return a;
}

StrArray StrSplit(StrValue s, char sep) {
  StrArray a;
  if (Status e = StrError(s)) {
    a.error = e;
    return a;
  }
  if (s.len == 0) return StrArrayNew(0);
  bool plain = sep == '\0';
  uint32_t count = 1;
  for (uint32_t pos = 0;;) {
    uint16_t f = StrFindCharAt(s, pos, sep, plain);
    if (f == 65535) break;
    ++count;
    pos = f + 1u;
  }
  if (count > 65535) {
    a.error = st::STRINGTOOLONG;
    return a;
  }
  a = StrArrayNew(static_cast<uint16_t>(count));
  if (a.error) return a;
  uint32_t from = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint16_t f = StrFindCharAt(s, from, sep, plain);
    uint32_t to = f == 65535 ? s.len : f;
    a.items[i] = StrValue{s.ptr + from, static_cast<uint16_t>(to - from)};
    from = to + 1;
  }
  return a;
}

StrValue StrArrayItem(const StrArray& a, uint32_t n) {
  if (n == 0 || n > a.count) return Empty();
  return a.items[n - 1];
}

void StrArraySetItem(StrArray& a, uint32_t i, StrValue s) {
  if (i < a.count) a.items[i] = s;
}
