#include "runtime/strutil.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/strscan.h"

namespace {

const char kYesWords[] = "YES,SI,Y,S,ON";

Status FirstError(std::initializer_list<StrValue> values) {
  for (StrValue v : values)
    if (Status e = StrError(v)) return e;
  return 0;
}

unsigned char Upper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
unsigned char Lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

bool InSet(StrValue set, char c) { return set.len && std::memchr(set.ptr, c, set.len) != nullptr; }

uint16_t ToPos(uint32_t p) { return p == strscan::kNone ? kNotFound : static_cast<uint16_t>(p); }

// A copy of s with every byte mapped by f, in one new slot.
template <typename F>
StrValue MapBytes(StrValue s, F f) {
  if (Status e = StrError(s)) return StrErr(e);
  char* p = StrAreaAllocPtr(s.len, 255);
  if (!p) return StrErr(st::OUTOFMEMORY);
  for (uint32_t i = 0; i < s.len; ++i) p[i] = static_cast<char>(f(static_cast<unsigned char>(s.ptr[i])));
  return StrValue{p, s.len};
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The decimal value of a text read within its length, as the C conversion
// reads it (white space, sign, digits) but saturating instead of
// overflowing. Kept private until the integer-text module offers the same.
int64_t ParseInt64(StrValue s) {
  if (s.IsError()) return 0;
  uint32_t i = 0;
  while (i < s.len && IsSpace(s.ptr[i])) ++i;
  bool neg = false;
  if (i < s.len && (s.ptr[i] == '+' || s.ptr[i] == '-')) neg = s.ptr[i++] == '-';
  const uint64_t limit = neg ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  uint64_t v = 0;
  for (; i < s.len && s.ptr[i] >= '0' && s.ptr[i] <= '9'; ++i) {
    unsigned d = static_cast<unsigned>(s.ptr[i] - '0');
    v = v > (limit - d) / 10 ? limit : v * 10 + d;
  }
  if (!neg) return static_cast<int64_t>(v);
  return v == (uint64_t{1} << 63) ? INT64_MIN : -static_cast<int64_t>(v);
}

bool EqualsUpper(StrValue s, std::string_view word) {
  if (s.len != word.size()) return false;
  for (uint32_t i = 0; i < s.len; ++i)
    if (Upper(static_cast<unsigned char>(s.ptr[i])) != static_cast<unsigned char>(word[i])) return false;
  return true;
}

}  // namespace

// --- Conversions and small operations -----------------------------------

bool StrIsYes(StrValue s) {
  if (s.IsError() || s.len == 0) return false;
  StrListIter it(StrFromC(kYesWords), ',');
  for (StrValue w; it.Next(&w);)
    if (EqualsUpper(s, w.View())) return true;
  return false;
}

int16_t StrToInt(StrValue s) {
  if (StrIsYes(s)) return 1;
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(ParseInt64(s)) & 0xffff));
}

char StrBracketClose(char open) { return StrPairPartner(open); }

bool StrIsEnclosed(StrValue s, char open) {
  return !s.IsError() && s.len > 1 && s.ptr[0] == open && s.ptr[s.len - 1] == StrPairPartner(open);
}

StrValue StrOrDefault(StrValue s, StrValue def) {
  if (s.IsError()) return s;
  return s.len ? s : def;
}

StrValue StrAssignPair(StrValue name, StrValue value) {
  if (Status e = FirstError({name, value})) return StrErr(e);
  if (name.len == 0 || value.len == 0) return StrErr(st::BADINPUTDATA);
  return StrJoinSep(name, '=', value);
}

uint16_t StrCLen(StrValue s) {
  if (s.IsError()) return kNotFound;
  const void* z = std::memchr(s.ptr, 0, s.len);
  return z ? static_cast<uint16_t>(static_cast<const char*>(z) - s.ptr) : kNotFound;
}

bool StrInRange(int64_t v, StrValue range) {
  if (range.IsError()) return false;
  uint32_t n = StrListCount(range, '-');
  int64_t lo = ParseInt64(StrListItem(range, '-', 1));
  int64_t hi = ParseInt64(StrListItem(range, '-', n));
  return lo <= v && v <= hi;
}

uint32_t StrRangeListFind(int64_t v, StrValue ranges) {
  StrListIter it(ranges, ',');
  uint32_t k = 0;
  for (StrValue r; it.Next(&r);) {
    ++k;
    if (StrInRange(v, r)) return k;
  }
  return 0;
}

// --- Comparison -----------------------------------------------------------

int MemCompare(const void* a, const void* b, uint32_t n) {
  if (!a || !b) return st::STROUTBOUND;
  int c = n ? std::memcmp(a, b, n) : 0;
  return (c > 0) - (c < 0);
}

int StrCompare(StrValue a, StrValue b) {
  // char_traits<char> compares bytes as unsigned, like memcmp.
  int c = a.View().compare(b.View());
  return (c > 0) - (c < 0);
}

bool StrCompareOp(StrValue a, StrValue b, int op) {
  int c = StrCompare(a, b);
  switch (op) {
    case 1: return c == 0;
    case 2: return c > 0;
    case 3: return c >= 0;
    case 4: return c < 0;
    case 5: return c <= 0;
    default: return false;
  }
}

StrValue StrPickByOp(StrValue a, StrValue b, int op) {
  if (Status e = FirstError({a, b})) return StrErr(e);
  if (a.len && (op < 2 || b.len == 0 || StrCompareOp(a, b, op))) return a;
  return b;
}

// --- Case, character sets, trimming ---------------------------------------

StrValue StrCaseCopy(StrValue s, int flag) {
  return flag == 1 ? MapBytes(s, Upper) : MapBytes(s, Lower);
}

bool StrAllIn(StrValue s, StrValue set) {
  if (FirstError({s, set})) return false;
  for (uint32_t i = 0; i < s.len; ++i)
    if (!InSet(set, s.ptr[i])) return false;
  return true;
}

StrValue StrKeepChars(StrValue s, StrValue set) {
  if (Status e = FirstError({s, set})) return StrErr(e);
  std::string out;
  for (uint32_t i = 0; i < s.len; ++i)
    if (InSet(set, s.ptr[i])) out += s.ptr[i];
  return StrFromView(out);
}

StrValue StrUnquote(StrValue s) {
  if (s.IsError() || s.len < 2) return s;
  char q = s.ptr[0];
  if (!strscan::IsQuote(q) || s.ptr[s.len - 1] != q) return s;
  return StrValue{s.ptr + 1, static_cast<uint16_t>(s.len - 2)};
}

StrValue StrTranslate(StrValue s, StrValue from, StrValue to) {
  if (Status e = FirstError({from, to})) return StrErr(e);
  // One table of the 256 bytes: the first place of a byte in `from` wins.
  unsigned char map[256];
  for (int c = 0; c < 256; ++c) map[c] = static_cast<unsigned char>(c);
  for (uint32_t k = from.len; k-- > 0;) {
    auto c = static_cast<unsigned char>(from.ptr[k]);
    map[c] = k < to.len ? static_cast<unsigned char>(to.ptr[k]) : c;
  }
  return MapBytes(s, [&map](unsigned char c) { return map[c]; });
}

StrValue StrCodesToChars(StrValue s, StrValue table, StrValue chars) {
  if (Status e = FirstError({s, table, chars})) return StrErr(e);
  uint32_t width = chars.len ? table.len / chars.len : 0;
  if (width == 0) return StrErr(st::BADINPUTDATA);
  std::string out;
  for (uint32_t i = 0; i < s.len;) {
    uint32_t k = 0;
    while (k < chars.len && (s.len - i < width || std::memcmp(s.ptr + i, table.ptr + k * width, width) != 0)) ++k;
    if (k < chars.len) {
      out += chars.ptr[k];
      i += width;
    } else {
      out += s.ptr[i++];
    }
  }
  return StrFromView(out);
}

namespace {

template <typename Pred>
StrValue TrimIf(StrValue s, int flag, Pred drop) {
  if (s.IsError()) return s;
  uint32_t b = 0, e = s.len;
  if (flag & 1)
    while (b < e && drop(s.ptr[b])) ++b;
  if (flag & 2)
    while (e > b && drop(s.ptr[e - 1])) --e;
  return StrValue{s.ptr + b, static_cast<uint16_t>(e - b)};
}

}  // namespace

StrValue StrTrim(StrValue s, int flag) { return TrimIf(s, flag, IsBlank); }

StrValue StrTrimSet(StrValue s, StrValue set, int flag) {
  if (Status e = StrError(set)) return StrErr(e);
  return TrimIf(s, flag, [set](char c) { return InSet(set, c); });
}

StrValue StrTokenNorm(StrValue s) {
  StrValue t = StrTrim(s, 3);
  StrValue u = StrUnquote(t);
  if (u.IsError() || u.len != t.len) return u;
  return StrCaseCopy(t, 1);
}

StrValue StrCollapseRuns(StrValue s, char c, int mode) {
  if (Status e = StrError(s)) return StrErr(e);
  bool plain = mode == kSearchPlain;
  std::string out;
  out.reserve(s.len);
  uint32_t from = 0;
  for (;;) {
    uint32_t hit = strscan::FindChar(s.ptr, s.len, from, c, plain);
    if (hit == strscan::kNone) break;
    uint32_t end = hit + 1;
    while (end < s.len && s.ptr[end] == c) ++end;
    out.append(s.ptr + from, hit + 1 - from);
    from = end;
  }
  out.append(s.ptr + from, s.len - from);
  return StrFromView(out);
}

// --- Searching --------------------------------------------------------------

uint16_t StrFindChar(StrValue s, char c, int mode) {
  if (s.IsError()) return kNotFound;
  return ToPos(strscan::FindChar(s.ptr, s.len, 0, c, mode == kSearchPlain));
}

uint16_t StrFindAny(StrValue s, StrValue set, int mode) {
  if (FirstError({s, set})) return kNotFound;
  return ToPos(strscan::Find(s.ptr, s.len, 0, mode == kSearchPlain, [set](char c) { return InSet(set, c); }));
}

uint16_t StrFindStrAt(StrValue s, uint32_t start, StrValue pat, int mode) {
  if (FirstError({s, pat}) || pat.len == 0 || pat.len > s.len) return kNotFound;
  // The first byte is only looked for where the whole pattern still fits.
  uint32_t fits = static_cast<uint32_t>(s.len) - pat.len + 1;
  bool plain = mode == kSearchPlain;
  for (uint32_t pos = start;;) {
    uint32_t hit = strscan::FindChar(s.ptr, fits, pos, pat.ptr[0], plain);
    if (hit == strscan::kNone) return kNotFound;
    if (std::memcmp(s.ptr + hit, pat.ptr, pat.len) == 0) return static_cast<uint16_t>(hit);
    pos = hit + 1;
  }
}

uint16_t StrFindLastChar(StrValue s, char c, int mode) {
  if (s.IsError()) return kNotFound;
  bool plain = mode == kSearchPlain;
  uint32_t last = strscan::kNone;
  for (uint32_t p = 0; (p = strscan::FindChar(s.ptr, s.len, p, c, plain)) != strscan::kNone; ++p) last = p;
  return ToPos(last);
}

uint16_t StrFindLastAny(StrValue s, StrValue set, int mode) {
  if (FirstError({s, set})) return kNotFound;
  bool plain = mode == kSearchPlain;
  auto in = [set](char c) { return InSet(set, c); };
  uint32_t last = strscan::kNone;
  for (uint32_t p = 0; (p = strscan::Find(s.ptr, s.len, p, plain, in)) != strscan::kNone; ++p) last = p;
  return ToPos(last);
}

uint32_t StrCountOccur(StrValue s, StrValue pat, int mode) {
  uint32_t n = 0;
  for (uint32_t p = 0; (p = StrFindStrAt(s, p, pat, mode)) != kNotFound; p += pat.len) ++n;
  return n;
}

// --- Replacement ------------------------------------------------------------

namespace {

Status ReplaceFailed(StrValue pat) {
  if ((ErrGet() & 0xffff) == 0) ErrDetailSet(st::MEMTESTERROR, pat, false);
  return ErrSet(1, MOD_STRCONCAT, st::MEMTESTERROR, st::MEMTESTERROR);
}

}  // namespace

Status StrReplaceCore(StrValue s, StrValue pat, StrValue rep, int mode) {
  if (Status e = FirstError({s, pat, rep})) return e;
  if (pat.len == 1 && strscan::IsQuote(pat.ptr[0])) mode = kSearchPlain;
  uint32_t count = StrCountOccur(s, pat, mode);
  int64_t total = static_cast<int64_t>(s.len) + static_cast<int64_t>(count) * (rep.len - pat.len);
  if (total > kStrMaxLen) return ReplaceFailed(pat);
  char* out = StrAreaAllocPtr(static_cast<uint32_t>(total), 255);
  if (!out) return ReplaceFailed(pat);
  uint32_t from = 0, w = 0;
  for (uint32_t k = 0; k < count; ++k) {
    uint32_t hit = StrFindStrAt(s, from, pat, mode);
    std::memcpy(out + w, s.ptr + from, hit - from);
    w += hit - from;
    if (rep.len) std::memcpy(out + w, rep.ptr, rep.len);
    w += rep.len;
    from = hit + pat.len;
  }
  if (s.len > from) std::memcpy(out + w, s.ptr + from, s.len - from);
  return st::OK;
}

StrValue StrReplaceAll(StrValue s, StrValue pat, StrValue rep, int mode) {
  Status e = StrReplaceCore(s, pat, rep, mode);
  return e ? StrErr(e) : StrAreaTop();
}
