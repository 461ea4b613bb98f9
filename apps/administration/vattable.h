// VAT tables: a small table of VAT rates and their totals carried inside a
// text value, for the built-ins VAT$ and VATv.
//
// Layout (binary; texts and variables carry it intact, it must never be
// trimmed or case-mapped):
//
//   offset   size  content
//   16 x i   8     rate of entry i + 1, a FixedNum, little-endian
//   16 x i+8 8     total of entry i + 1, a FixedNum, little-endian
//
// Entries keep the order in which their rates first appeared. Only whole
// 16-byte entries count: bytes after the last whole entry are ignored, and
// a table written back drops them.
//
// Errors: 168 DATAOUTBOUND when a total would leave the 64-bit range.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/fixednum.h"
#include "runtime/status.h"

constexpr size_t kVatEntrySize = 16;

// The number of whole entries.
uint32_t VatCount(std::string_view table);
// Part 0 (the rate) or 1 (the total) of entry n (1-based); 0 for an entry
// that does not exist.
FixedNum VatPart(std::string_view table, uint32_t n, int part);
// The table (whole entries) with the amount added to the total of the
// rate's entry, appended at the end when the rate is new; a zero amount
// changes nothing.
Status VatAdd(std::string_view table, FixedNum rate, FixedNum amount, std::string* out);
// The table (whole entries) with an entry of total 0 appended for each rate
// of the comma list (read as numbers; empty items skipped) that it does not
// hold yet.
std::string VatWithRates(std::string_view table, std::string_view rates);
