#include "apps/administration/vattable.h"

#include "runtime/strvalue.h"

namespace {

int64_t ReadLe(std::string_view table, size_t at) {
  uint64_t v = 0;
  for (size_t i = 0; i < 8; ++i) v |= static_cast<uint64_t>(static_cast<unsigned char>(table[at + i])) << (8 * i);
  return static_cast<int64_t>(v);
}

void WriteLe(std::string* table, size_t at, int64_t value) {
  auto v = static_cast<uint64_t>(value);
  for (size_t i = 0; i < 8; ++i) (*table)[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

std::string WholeEntries(std::string_view table) {
  return std::string(table.substr(0, VatCount(table) * kVatEntrySize));
}

// The 0-based index of the rate's entry, or the count when there is none.
uint32_t RateIndex(std::string_view table, FixedNum rate) {
  uint32_t count = VatCount(table);
  for (uint32_t i = 0; i < count; ++i) {
    if (ReadLe(table, i * kVatEntrySize) == rate) return i;
  }
  return count;
}

void Append(std::string* table, FixedNum rate, FixedNum total) {
  size_t at = table->size();
  table->resize(at + kVatEntrySize);
  WriteLe(table, at, rate);
  WriteLe(table, at + 8, total);
}

}  // namespace

uint32_t VatCount(std::string_view table) { return static_cast<uint32_t>(table.size() / kVatEntrySize); }

FixedNum VatPart(std::string_view table, uint32_t n, int part) {
  if (n == 0 || n > VatCount(table) || part < 0 || part > 1) return 0;
  return ReadLe(table, (n - 1) * kVatEntrySize + static_cast<size_t>(part) * 8);
}

Status VatAdd(std::string_view table, FixedNum rate, FixedNum amount, std::string* out) {
  *out = WholeEntries(table);
  if (amount == 0) return 0;
  uint32_t i = RateIndex(*out, rate);
  if (i == VatCount(*out)) {
    Append(out, rate, amount);
    return 0;
  }
  int64_t total = 0;
  if (__builtin_add_overflow(ReadLe(*out, i * kVatEntrySize + 8), amount, &total)) return st::DATAOUTBOUND;
  WriteLe(out, i * kVatEntrySize + 8, total);
  return 0;
}

std::string VatWithRates(std::string_view table, std::string_view rates) {
  std::string out = WholeEntries(table);
  size_t at = 0;
  while (at <= rates.size()) {
    size_t end = rates.find(',', at);
    if (end == std::string_view::npos) end = rates.size();
    std::string_view item = rates.substr(at, end - at);
    if (item.find_first_not_of(' ') != std::string_view::npos) {
      FixedNum rate = StrToNum(StrMake(item.data(), static_cast<uint32_t>(item.size())));
      if (RateIndex(out, rate) == VatCount(out)) Append(&out, rate, 0);
    }
    at = end + 1;
  }
  return out;
}
