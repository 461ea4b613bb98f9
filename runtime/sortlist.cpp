#include "runtime/sortlist.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"

namespace {

constexpr uint32_t kInitialItems = 256;
constexpr uint32_t kMaxBytes = 65535;

Status Refuse(Status code) { return ErrSet(1, MOD_SORT, code, code); }

// The largest storage of whole items that a 16-bit capacity holds.
uint32_t MaxCapacity(uint16_t width) { return kMaxBytes / width * width; }

StrValue KeyOf(const SortList& l, const unsigned char* item) {
  return StrValue{reinterpret_cast<char*>(const_cast<unsigned char*>(item)), l.keyWidth};
}

const unsigned char* ItemAt(const SortList& l, uint32_t i) { return l.items.ptr + i * l.itemWidth; }

// Whether the item at i sorts before a new item of key `key`.
bool Before(const SortList& l, uint32_t i, StrValue key) {
  int c = StrCompare(KeyOf(l, ItemAt(l, i)), key);
  return (l.flags & kSortDescending) ? c > 0 : c < 0;
}

// The first item that does not sort before the key (binary search over the
// items, which are in order).
uint32_t LowerBound(const SortList& l, StrValue key) {
  uint32_t lo = 0, hi = l.count;
  while (lo < hi) {
    uint32_t mid = lo + (hi - lo) / 2;
    if (Before(l, mid, key)) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

// Room for one more item: the storage doubled from what the items then
// need, at most the 16-bit bound. The list is unchanged on failure.
Status MakeRoom(SortList* l) {
  uint32_t need = (static_cast<uint32_t>(l->count) + 1) * l->itemWidth;
  if (need <= l->items.capacity) return 0;
  uint32_t max = MaxCapacity(l->itemWidth);
  if (need > max) return Refuse(st::OUTOFMEMORY);
  uint32_t grown = std::min(need * 2, max);
  if (MemBufResize(l->items, MOD_SORT, static_cast<uint16_t>(grown)) != 0) return Refuse(st::OUTOFMEMORY);
  return 0;
}

}  // namespace

Status SortListCreate(uint32_t a, uint32_t b, uint8_t flags, SortList* list) {
  *list = SortList{};
  uint32_t item = std::max(a, b), key = std::min(a, b);
  if (item == 0 || item > kMaxBytes) return Refuse(st::BADINPUTDATA);
  list->itemWidth = static_cast<uint16_t>(item);
  list->keyWidth = static_cast<uint16_t>(key == 0 ? item : key);
  list->flags = flags;
  uint32_t first = a == 0 ? item : a;
  uint32_t capacity = std::min(kInitialItems * first, MaxCapacity(list->itemWidth));
  if (MemBufAlloc(list->items, MOD_SORT, static_cast<uint16_t>(capacity)) != 0) return Refuse(st::OUTOFMEMORY);
  return 0;
}

Status SortListInsert(StrValue text, SortList* l) {
  if (Status e = StrError(text)) return e;
  if (!l->items.ptr) return Refuse(st::INTERNALERROR);
  if (text.len > l->itemWidth) return Refuse(st::BADINPUTDATA);
  std::string padded(text.View());
  padded.resize(l->itemWidth, ' ');
  StrValue key{padded.data(), l->keyWidth};
  uint32_t at = LowerBound(*l, key);
  if (at < l->count && StrCompare(KeyOf(*l, ItemAt(*l, at)), key) == 0) {
    if (l->flags & kSortUnique) return 5;
    ++at;  // right after the first equal item
  }
  if (Status s = MakeRoom(l)) return s;
  unsigned char* slot = l->items.ptr + at * l->itemWidth;
  std::memmove(slot + l->itemWidth, slot, (l->count - at) * l->itemWidth);
  std::memcpy(slot, padded.data(), l->itemWidth);
  ++l->count;
  l->items.used = static_cast<uint16_t>(l->count * l->itemWidth);
  return 0;
}

Status SortListMove(uint16_t code, SortList* l) {
  switch (code) {
    case kSortNext: ++l->current; break;
    case kSortPrevious: --l->current; break;  // before the first: past the end
    case kSortLast: l->current = static_cast<uint16_t>(l->count - 1); break;
    case kSortFirst: l->current = 0; break;
    default: break;
  }
  if (l->current < l->count) return 0;
  l->current = l->count ? static_cast<uint16_t>(l->count - 1) : 0;
  return 2;
}

StrValue SortListItem(const SortList& l) {
  if (l.count == 0 || !l.items.ptr) return StrFromView("");
  uint16_t at = l.current < l.count ? l.current : static_cast<uint16_t>(l.count - 1);
  return StrFromView(std::string_view(reinterpret_cast<const char*>(ItemAt(l, at)), l.itemWidth));
}

Status SortListFree(SortList* l) {
  Status s = l->items.ptr ? MemFree(MOD_SORT, l->items.ptr) : 0;
  *l = SortList{};
  return s;
}

StrValue SortListString(StrValue text, uint8_t flags) {
  if (Status e = StrError(text)) return StrErr(e);
  char sep = (flags & kSortNulList) ? '\0' : ',';
  if (text.len == 0) return StrFromView("");
  // The width is that of the longest item exactly as it is inserted, quotes
  // and all, so no item is ever too long for the list.
  uint32_t width = 0;
  StrListIter measure(text, sep);
  for (StrValue item; measure.Next(&item);) width = std::max<uint32_t>(width, item.len);
  if (width == 0) return (flags & kSortUnique) ? StrFromView("") : StrFromView(text.View());
  SortList list;
  Status s = SortListCreate(width, width, flags & (kSortUnique | kSortDescending), &list);
  StrListIter it(text, sep);
  for (StrValue item; s == 0 && it.Next(&item);) {
    Status r = SortListInsert(item, &list);
    if (r >= 128) s = r;
  }
  std::string out;
  for (uint32_t i = 0; s == 0 && i < list.count; ++i) {
    std::string_view v(reinterpret_cast<const char*>(ItemAt(list, i)), list.itemWidth);
    if (flags & kSortTrim) v = v.substr(0, v.find_last_not_of(' ') + 1);
    if (i) out += sep;
    out += v;
  }
  SortListFree(&list);
  if (s) return StrErr(s);
  return StrFromView(out);
}
