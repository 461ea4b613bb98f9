#include "runtime/strlist.h"

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

#include "runtime/strscan.h"
#include "runtime/strutil.h"

namespace {

// An empty view at the end of s (never an error string when s is not one).
StrValue EndOf(StrValue s) { return StrValue{s.ptr + s.len, 0}; }

uint32_t NextSep(StrValue list, uint32_t pos, char sep) {
  return strscan::FindChar(list.ptr, list.len, pos, sep, sep == '\0');
}

using ItemSet = std::unordered_set<std::string_view>;

ItemSet ItemsOf(StrValue list, char sep) {
  ItemSet set;
  StrListIter it(list, sep);
  for (StrValue item; it.Next(&item);) set.insert(item.View());
  return set;
}

// Appends item to out, with a separator unless it is the first one.
void JoinItem(std::string& out, bool& first, char sep, StrValue item) {
  if (!first) out += sep;
  out.append(item.View());
  first = false;
}

StrValue Push(const std::string& out) {
  if (out.size() > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  return StrFromView(out);
}

}  // namespace

// --- Lists ----------------------------------------------------------------------

StrListIter::StrListIter(StrValue list, char sep)
    : list_(list), sep_(sep), more_(!list.IsError() && list.len > 0) {}

bool StrListIter::Next(StrValue* item) {
  if (!more_) return false;
  uint32_t hit = NextSep(list_, pos_, sep_);
  uint32_t end = hit == strscan::kNone ? list_.len : hit;
  *item = StrValue{list_.ptr + pos_, static_cast<uint16_t>(end - pos_)};
  more_ = hit != strscan::kNone;
  pos_ = end + 1;
  return true;
}

uint32_t StrListCount(StrValue list, char sep) {
  uint32_t n = 0;
  StrListIter it(list, sep);
  for (StrValue item; it.Next(&item);) ++n;
  return n;
}

uint16_t StrListSepPos(StrValue list, char sep) {
  if (list.IsError()) return kNotFound;
  uint32_t hit = NextSep(list, 0, sep);
  return static_cast<uint16_t>(hit == strscan::kNone ? list.len : hit);
}

StrValue StrListRest(StrValue list, char sep) {
  if (list.IsError()) return list;
  uint32_t hit = NextSep(list, 0, sep);
  if (hit == strscan::kNone) return EndOf(list);
  return StrValue{list.ptr + hit + 1, static_cast<uint16_t>(list.len - hit - 1)};
}

uint32_t StrListSpan(StrValue list, char sep, uint32_t n) {
  StrListIter it(list, sep);
  StrValue item;
  for (uint32_t k = 1; n && it.Next(&item); ++k)
    if (k == n) return static_cast<uint32_t>(item.ptr - list.ptr) | (static_cast<uint32_t>(item.len) << 16);
  return kNotFound;
}

StrValue StrListItem(StrValue list, char sep, uint32_t n) {
  if (list.IsError()) return list;
  uint32_t span = StrListSpan(list, sep, n);
  if (span == kNotFound) return EndOf(list);
  return StrValue{list.ptr + (span & 0xffff), static_cast<uint16_t>(span >> 16)};
}

int16_t StrListItemInt(StrValue list, char sep, uint32_t n) {
  const StrAreaScope scope;
  int16_t v = StrToInt(StrTokenNorm(StrListItem(list, sep, n)));
  return v;
}

uint32_t StrListFind(StrValue list, char sep, StrValue text) {
  if (text.IsError()) return 0;
  StrListIter it(list, sep);
  uint32_t k = 0;
  for (StrValue item; it.Next(&item);) {
    ++k;
    if (item.View() == text.View()) return k;
  }
  return 0;
}

uint16_t StrListMaxLen(StrValue list, char sep, int mode) {
  if (list.IsError()) return 0;
  uint16_t best = mode == 1 ? list.len : 0;
  StrListIter it(list, sep);
  for (StrValue item; it.Next(&item);) {
    uint16_t n = StrUnquote(item).len;
    if (mode == 1 ? n < best : n > best) best = n;
  }
  return best;
}

StrValue StrListUnion(StrValue a, StrValue b, char sep) {
  if (a.IsError()) return StrErr(StrError(a));
  if (b.IsError()) return StrErr(StrError(b));
  ItemSet held = ItemsOf(a, sep);
  std::string out(a.View());
  bool first = a.len == 0;
  StrListIter it(b, sep);
  for (StrValue item; it.Next(&item);)
    if (!held.count(item.View())) JoinItem(out, first, sep, item);
  return Push(out);
}

StrValue StrListDiff(StrValue a, StrValue b, char sep) {
  if (a.IsError()) return StrErr(StrError(a));
  if (b.IsError()) return StrErr(StrError(b));
  ItemSet other = ItemsOf(b, sep);
  std::string out;
  bool first = true;
  StrListIter it(a, sep);
  for (StrValue item; it.Next(&item);)
    if (!other.count(item.View())) JoinItem(out, first, sep, item);
  return Push(out);
}

StrValue StrJoinSep(StrValue a, char sep, StrValue b) {
  if (a.IsError() || b.IsError() || a.len == 0 || b.len == 0) return StrCat(a, b);
  uint32_t n = static_cast<uint32_t>(a.len) + 1 + b.len;
  if (n > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  char* p = StrAreaAllocPtr(n, 255);
  if (!p) return StrErr(st::OUTOFMEMORY);
  std::memcpy(p, a.ptr, a.len);
  p[a.len] = sep;
  std::memcpy(p + a.len + 1, b.ptr, b.len);
  return StrValue{p, static_cast<uint16_t>(n)};
}

namespace {

// The list with bytes [from, to) replaced by `middle`.
Status Splice(StrValue list, uint32_t from, uint32_t to, std::string_view middle) {
  uint64_t total = static_cast<uint64_t>(list.len) - (to - from) + middle.size();
  if (total > kStrMaxLen) return st::STRINGTOOLONG;
  std::string out;
  out.reserve(total);
  out.append(list.ptr, from).append(middle).append(list.ptr + to, list.len - to);
  return StrError(StrFromView(out));
}

Status DeleteItem(StrValue list, char sep, uint32_t k, uint32_t count) {
  if (k > count) return Splice(list, 0, 0, {});
  uint32_t span = StrListSpan(list, sep, k);
  uint32_t off = span & 0xffff, end = off + (span >> 16);
  if (count == 1) return Splice(list, 0, list.len, {});
  return k == 1 ? Splice(list, 0, end + 1, {}) : Splice(list, off - 1, end, {});
}

}  // namespace

Status StrListSetItem(StrValue list, char sep, int32_t n, StrValue text) {
  if (Status e = StrError(list)) return e;
  if (Status e = StrError(text)) return e;
  uint32_t count = StrListCount(list, sep);
  if (n < 0) return DeleteItem(list, sep, static_cast<uint32_t>(-static_cast<int64_t>(n)), count);
  if (n > 0 && static_cast<uint32_t>(n) <= count) {
    uint32_t span = StrListSpan(list, sep, static_cast<uint32_t>(n));
    uint32_t off = span & 0xffff;
    return Splice(list, off, off + (span >> 16), text.View());
  }
  // Append: n = 0 adds one item, a larger n pads with empty items first.
  uint64_t seps = n == 0 ? (count ? 1 : 0) : static_cast<uint64_t>(n) - (count ? count : 1);
  if (seps + list.len + text.len > kStrMaxLen) return st::STRINGTOOLONG;
  std::string middle(seps, sep);
  middle.append(text.View());
  return Splice(list, list.len, list.len, middle);
}

StrValue StrListSet(StrValue list, char sep, int32_t n, StrValue text) {
  Status e = StrListSetItem(list, sep, n, text);
  return e ? StrErr(e) : StrAreaTop();
}

// --- Option texts -----------------------------------------------------------------

namespace {

constexpr char kKeySeps[] = ": &/";

bool StartsItem(StrValue text, uint32_t at, bool nulList) {
  if (at == 0) return true;
  char c = text.ptr[at - 1];
  return c == '\0' || (!nulList && std::memchr(kKeySeps, c, 4) != nullptr);
}

// The value's end: the next separator outside quotes (the next NUL in a
// NUL list), or the end of the text.
uint32_t ValueEnd(StrValue text, uint32_t from, bool nulList) {
  uint32_t end = nulList ? strscan::FindChar(text.ptr, text.len, from, '\0', true)
                         : strscan::Find(text.ptr, text.len, from, false,
                                         [](char c) { return std::memchr(kKeySeps, c, 4) != nullptr; });
  return end == strscan::kNone ? text.len : end;
}

uint32_t LocateWith(StrValue text, StrValue name, char suffix, bool nulList) {
  std::string key(name.View());
  key += suffix;
  std::string_view t = text.View();
  for (size_t at = t.find(key); at != std::string_view::npos; at = t.find(key, at + 1)) {
    if (!StartsItem(text, static_cast<uint32_t>(at), nulList)) continue;
    uint32_t from = static_cast<uint32_t>(at + key.size());
    return from | ((ValueEnd(text, from, nulList) - from) << 16);
  }
  return kNotFound;
}

}  // namespace

uint32_t StrKeyLocate(StrValue text, StrValue name, int flags) {
  if (text.IsError() || name.IsError() || name.len == 0) return kNotFound;
  bool nulList = flags & kKeyNulList;
  uint32_t hit = LocateWith(text, name, ':', nulList);
  return hit != kNotFound ? hit : LocateWith(text, name, '=', nulList);
}

StrValue StrKeyGet(StrValue text, StrValue name, int flags) {
  if (Status e = StrError(text)) return StrErr(e);
  uint32_t hit = StrKeyLocate(text, name, flags);
  if (hit == kNotFound) return EndOf(text);
  StrValue v{text.ptr + (hit & 0xffff), static_cast<uint16_t>(hit >> 16)};
  if ((flags & 3) == kKeyNormalised) return StrTokenNorm(v);
  return (flags & 3) == kKeyUnquoted ? StrUnquote(v) : v;
}

Status StrKeyValuePush(StrValue text, StrValue name) {
  if (Status e = StrError(text)) return e;
  uint32_t hit = StrKeyLocate(text, name, 0);
  if (hit == kNotFound) return kNotFound;
  StrValue v{text.ptr + (hit & 0xffff), static_cast<uint16_t>(hit >> 16)};
  bool raw = std::memchr(name.ptr, '%', name.len) != nullptr;
  return StrAreaPush(raw ? v : StrUnquote(v));
}
