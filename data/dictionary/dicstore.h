// Internal to the dictionary modules (dictionary.cpp, dicload.cpp,
// recbuf.cpp): where the descriptors are kept, and small text helpers.
//
// The four descriptor tables are value tables 0-3, addressed by element
// index and copied in and out, so no address into a table is ever held.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "runtime/valtables.h"

namespace dicstore {

enum Table : uint16_t { kFiles = 0, kFields = 1, kKeys = 2, kKeyParts = 3 };

uint32_t Count(uint16_t t);
// Copies element i out (zeros when i is beyond the count).
void Get(uint16_t t, uint32_t i, void* out, uint16_t size);
// Writes element i, growing the table to i + 1 elements.
Status Set(uint16_t t, uint32_t i, const void* bytes, uint16_t size);
Status Remove(uint16_t t, uint32_t i);
Status Truncate(uint16_t t, uint32_t count);
// Changes whenever one of the four tables may have changed; 0 while the
// tables do not exist (nothing may be kept then).
inline uint64_t Generation() {
  if (!ValTablesReady()) return 0;
  // Each stamp only grows, so their sum changes with any one of them.
  uint64_t sum = 1;
  for (uint16_t t : {kFiles, kFields, kKeys, kKeyParts}) sum += ValTableStamp(t);
  return sum;
}

// Why the last definition was refused (empty when it was not explained).
const std::string& LastReason();
void ClearReason();

// A view of the text as a StrValue (valid while the text lives).
inline StrValue Sv(std::string_view v) { return StrMake(v.data(), static_cast<uint32_t>(v.size())); }
inline std::string Text(StrValue s) { return s.IsError() ? std::string() : s.Str(); }
inline std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}
inline bool AllDigits(std::string_view v) {
  return !v.empty() && std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace dicstore
