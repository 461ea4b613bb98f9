// Edit masks: number pictures and text pictures, and typed numbers.
//
// Number masks are written in the fixed notation: "#" a digit or blank, "0" a
// digit or zero, "." the decimal point and "," the thousands separator
// between the first and the last digit place; characters before the first
// and after the last digit place (and other characters between them) are
// literals that stay, except a "." that begins the mask right before a digit
// place (".##" holds decimals only, as the default mask of a field no wider
// than its decimals and their point). The filled mask has the mask's length
// and shows the decimal point and separator of the locale asked for.
// Example: "#,##0.00" with 1234.5 gives "1,234.50", with -5 "   -5.00", with
// an empty number "    0.00"; "##.##" with an empty number is all blanks.
//
// Filling a number mask:
// - The number is rounded once, half away from zero, to the mask's decimals
//   (any count, whatever _PRECIS is); surplus decimal places show zeros.
// - When the integer part (its digits and sign) needs more places than the
//   mask has, the separators become digit places, and then, one place per
//   missing place, the decimal point moves right giving up decimals (the
//   number is then rounded to the decimals left). When even that is not
//   enough the number does not fit: a number never loses digits or its sign.
//   For display the digit area is filled with the overflow marker "*"
//   (FmtNumMask); for a stored value the answer is the error string 168
//   DATAOUTBOUND (FmtNumMaskStored).
// - A text that is not a number (a second point, a misplaced sign) leaves
//   the mask unchanged, as other garbage does.
//
// Compact number masks: digit places, ",." and a decimals code, as
// "#########0,.2"; FmtMaskLocalise expands them ("##,###,##0.00"). When
// SettingsList item 10 is set, the code d is replaced by item d + 1 of that
// comma list (an absent item keeps d).
//
// Text masks: "\" takes the next character of the value, "?" the character at
// the same position when "?" is the mask's first mask character, else the
// next one; places beyond the value show blanks; other characters stay. A run
// of blanks between "\ " and the next "\" is a field of that width. Example:
// "\\LANGVARS.DAT" with the application prefix "CO" gives "COLANGVARS.DAT".
//
// Typed numbers (FmtNumParse): the characters allowed by the locale, the
// locale's decimal point written as "." and its thousands separator skipped
// wherever it is typed; a number longer than 20 characters is 168.
//
// Results are new slots of the string area; error strings pass through.
// Nothing is recorded.
#pragma once
#include <cstdint>

#include "runtime/strvalue.h"

constexpr char kOverflowMarker = '*';
constexpr uint16_t kNumParseMax = 20;

// The width repeated mask character of a type letter ("\" for text letters,
// "#" for N, the digits and codes below "A"); for a digit letter k the
// decimal point (fixed "." or the locale's) at position width - k - 1 when
// that is a position.
StrValue FmtMaskForType(char letter, int32_t width, bool fixed);
// A code not beginning with a mask character and continuing with a width
// ("N10", "212"): FmtMaskForType of its letter and width, fixed. Anything
// else: FmtMaskLocalise.
StrValue FmtNumMaskDefault(StrValue code);
StrValue FmtMaskLocalise(StrValue compact);
// Mode 1: always a number mask with the fixed locale. Another non-zero mode:
// a number mask (first mask character "#" or "0") with the current locale
// when the value is a number text; otherwise a number mask without "\" or
// "?" is answered unchanged and any other mask is filled as a text mask. A
// mask without mask characters is answered unchanged.
StrValue FmtMaskMode(StrValue mask, StrValue value, int mode);
inline StrValue FmtApplyMask(StrValue mask, StrValue value) { return FmtMaskMode(mask, value, 255); }
// For display: overflow shows the marker.
StrValue FmtNumMask(StrValue mask, StrValue number, bool fixed);
// For stored values: overflow is the error string 168.
StrValue FmtNumMaskStored(StrValue mask, StrValue number, bool fixed);
// first: the index of the mask's first mask character.
StrValue FmtTextMask(StrValue mask, StrValue value, uint16_t first);
StrValue FmtNumParse(StrValue typed);
