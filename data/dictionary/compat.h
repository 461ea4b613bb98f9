// Compatibility switches: the bits of the system integer `_COMPAT` that turn
// behaviours back to those of earlier data layouts and definitions.
//
//   | bit  | name                | effect                                          |
//   |------|---------------------|-------------------------------------------------|
//   | 1    | kInclusiveRanges    | an extent is end - start + 1, not the end value |
//   | 2    | kIndexNdx           | index files take the extension NDX, not DIR     |
//   | 4    | kCompactDates       | 6-character "F" fields hold compact dates       |
//   | 8    | kShortNames         | file names on disk cut to 8 characters          |
//   | 16   | kOldMenuParms       | empty menu parameters take their old names      |
//   | 64   | kDisplayWidths      | field lengths are display widths                |
//   | 512  | kNoSubclass         | field controls keep their own procedures        |
//   | 1024 | kNoValueLists       | "V" fields take no type from their variable     |
//   | 2048 | kSeriesLetters      | series dates carry a letter for the decade      |
//
// This module is the one reader of `_COMPAT`: every other module asks these
// accessors. The functions that take `bits` work on switches handed in (the
// record store is given them at open); the others read `_COMPAT` now.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/strvalue.h"

namespace compat {
constexpr uint16_t kInclusiveRanges = 1;
constexpr uint16_t kIndexNdx = 2;
constexpr uint16_t kCompactDates = 4;
constexpr uint16_t kShortNames = 8;
constexpr uint16_t kOldMenuParms = 16;
constexpr uint16_t kDisplayWidths = 64;
constexpr uint16_t kNoSubclass = 512;
constexpr uint16_t kNoValueLists = 1024;
constexpr uint16_t kSeriesLetters = 2048;
}  // namespace compat

// The switches as they are now.
uint16_t CompatBits();
// True when every bit of `bit` is set now.
bool CompatOn(uint16_t bit);

// The extent of a range: end - start + 1 with inclusive ranges, else end.
int32_t CompatRangeWidth(int32_t start, int32_t end);
// Whether six-character "F" dates are compact (bit 4).
bool CompatBit4();
// The name as it lives on disk: its first 8 characters under bit 8.
std::string CompatName8(std::string_view name, uint16_t bits = CompatBits());
// The index file's extension: "NDX" under bit 2, else "DIR".
const char* CompatIndexExt(uint16_t bits = CompatBits());
// A field's length as screens and forms use it: the display width
// (DicFieldWidth) under bit 64, else the stored length.
uint16_t CompatFieldLen(char type, uint16_t length);
// Under bit 16, the old value of an empty menu parameter of the current
// parameter string: n 2 (MENU$) answers SUBMENU$, or MODULO$ and OPTIONS$
// joined with "," when SUBMENU$ is empty; n 3 (CALLER$) answers MODULOS$.
// Empty otherwise.
StrValue CompatMenuParm(int n);
