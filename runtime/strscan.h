// Internal to the string utilities: the quote-aware byte scan behind every
// search, list and option lookup.
//
// A scan that skips quoted parts treats ' and " as opening a part that the
// same character closes; an unclosed part hides the rest of the text, and
// the quote characters themselves are never matched. Each call costs only
// the bytes it walks, so loops over a text stay linear.
#pragma once
#include <cstdint>
#include <cstring>

namespace strscan {

constexpr uint32_t kNone = 0xffffffffu;

inline bool IsQuote(char c) { return c == '\'' || c == '"'; }

// First position >= pos below n whose byte satisfies pred; kNone when none.
template <typename Pred>
uint32_t Find(const char* p, uint32_t n, uint32_t pos, bool plain, Pred pred) {
  while (pos < n) {
    char c = p[pos];
    if (!plain && IsQuote(c)) {
      const void* close = std::memchr(p + pos + 1, c, n - pos - 1);
      if (!close) return kNone;
      pos = static_cast<uint32_t>(static_cast<const char*>(close) - p) + 1;
      continue;
    }
    if (pred(c)) return pos;
    ++pos;
  }
  return kNone;
}

inline uint32_t FindChar(const char* p, uint32_t n, uint32_t pos, char ch, bool plain) {
  if (plain) {
    if (pos >= n) return kNone;
    const void* hit = std::memchr(p + pos, ch, n - pos);
    return hit ? static_cast<uint32_t>(static_cast<const char*>(hit) - p) : kNone;
  }
  return Find(p, n, pos, false, [ch](char c) { return c == ch; });
}

}  // namespace strscan
