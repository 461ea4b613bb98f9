#include "runtime/textbuf.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

char g_empty[1] = {0};

StrValue Empty() { return StrValue{g_empty, 0}; }

template <typename T>
T ReadItem(const void* arr, uint32_t i) {
  T v;
  std::memcpy(&v, static_cast<const char*>(arr) + static_cast<size_t>(i) * sizeof(T), sizeof(T));
  return v;
}

template <typename T>
uint16_t FindZero(const void* arr, uint32_t n) {
  if (!arr || n % sizeof(T)) return 65535;
  for (uint32_t i = 0; i < n / sizeof(T) && i < 65535; ++i)
    if (ReadItem<T>(arr, i) == 0) return static_cast<uint16_t>(i);
  return 65535;
}

}  // namespace

// --- Bounded text buffer ------------------------------------------------------

StrValue BufWrite(TextBuf& buf, uint16_t pos, StrValue s) {
  if (s.IsError()) return s;
  if (buf.status) return Empty();
  uint32_t start = pos == kBufAtEnd ? buf.used : pos;
  uint32_t end = start + s.len;
  if (end > buf.capacity || (!buf.ptr && end > 0)) {
    buf.status = st::STRCONCATERR;
    return Empty();
  }
  if (!buf.ptr) return Empty();
  if (start > buf.used) std::memset(buf.ptr + buf.used, ' ', start - buf.used);
  if (s.len) std::memmove(buf.ptr + start, s.ptr, s.len);
  buf.used = static_cast<uint16_t>(std::max<uint32_t>(buf.used, end));
  return StrValue{buf.ptr + start, s.len};
}

StrValue BufText(const TextBuf& buf) { return buf.ptr ? StrValue{buf.ptr, buf.used} : Empty(); }

// --- Arrays of fixed-width items -------------------------------------------

uint16_t ArrCheckIndex(uint32_t n, uint32_t width, uint32_t i) {
  if (width == 0 || n % width) return 65535;
  return i < n / width ? 0 : 65535;
}

uint16_t ArrGet16(const void* arr, uint32_t n, uint32_t i) {
  return arr && ArrCheckIndex(n, 2, i) == 0 ? ReadItem<uint16_t>(arr, i) : 0;
}

void ArrSet16(void* arr, uint32_t n, uint32_t i, uint16_t v) {
  if (arr && ArrCheckIndex(n, 2, i) == 0) std::memcpy(static_cast<char*>(arr) + static_cast<size_t>(i) * 2, &v, 2);
}

uint64_t ArrGet64(const void* arr, uint32_t n, uint32_t i) {
  return arr && ArrCheckIndex(n, 8, i) == 0 ? ReadItem<uint64_t>(arr, i) : 0;
}

uint16_t ArrFind(const void* arr, uint32_t n, uint32_t width, const void* item) {
  if (!arr || !item || ArrCheckIndex(n, width, 0)) return 65535;
  const char* p = static_cast<const char*>(arr);
  for (uint32_t i = 0; i < n / width && i < 65535; ++i)
    if (std::memcmp(p + static_cast<size_t>(i) * width, item, width) == 0) return static_cast<uint16_t>(i);
  return 65535;
}

uint16_t ArrFindZero16(const void* arr, uint32_t n) { return FindZero<uint16_t>(arr, n); }
uint16_t ArrFindZero32(const void* arr, uint32_t n) { return FindZero<uint32_t>(arr, n); }

StrValue SortFixedItems(const void* arr, uint32_t n, uint32_t width) {
  if (width == 0 || n % width || (!arr && n)) return StrErr(st::BADINPUTDATA);
  if (n > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  const char* src = static_cast<const char*>(arr);
  std::vector<uint32_t> order(n / width);
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [src, width](uint32_t a, uint32_t b) {
    return std::memcmp(src + static_cast<size_t>(a) * width, src + static_cast<size_t>(b) * width, width) < 0;
  });
  char* out = StrAreaAllocPtr(n, 255);
  if (!out) return StrErr(st::OUTOFMEMORY);
  for (size_t k = 0; k < order.size(); ++k)
    std::memcpy(out + k * width, src + static_cast<size_t>(order[k]) * width, width);
  return StrValue{out, static_cast<uint16_t>(n)};
}
