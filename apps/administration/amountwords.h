// Amounts in Spanish words, and the piece-by-piece wrapping of a long text,
// for the built-in FN$TXTN of the administration program.
//
// Words are single-byte texts (Windows-1252): "un mill\xF3n" keeps its accent,
// every other word is spelt without one ("dieciseis", "veintidos",
// "veintiun"). Words are separated by single blanks, with none at either end.
//
// Grammar of the integer part (below 10^12): units, 10-15 and 20 by their
// own words, 16-19 "dieci...", 21-29 "veinti...", 30-99 "treinta y ...";
// 100 "cien", 101-199 "ciento ...", the other hundreds one word each
// ("doscientos", "quinientos"); a group of three zero digits adds nothing;
// one thousand is "mil", n thousands "n mil"; one million "un mill\xF3n",
// n millions "n millones", a thousand millions "mil millones"; before "mil"
// and "mill\xF3n"/"millones" a final "uno" becomes "un" ("veintiun mil",
// "treinta y un millones").
//
// Errors: 168 DATAOUTBOUND for a digit group of 10^12 or more (the digits
// in the error detail).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/fixednum.h"
#include "runtime/status.h"

// Group kinds of TxtnGroupWord: a digit's place within its group of three.
enum TxtnGroup : int { kTxtnHundreds = 0, kTxtnUnits = 1, kTxtnTens = 2 };

// The word for the digits at the front of `digits` in the group's place:
// the longest prefix (3, 2, then 1 digits) that is a key of the group's
// table; with none, the first digit's unit word (with "cientos" joined for
// the hundreds); a zero digit gives no word. *used receives the digits
// taken. A tens word that a unit word completes ("dieci", "veinti",
// "treinta y ") sets *open.
std::string TxtnGroupWord(int group, std::string_view digits, size_t* used, bool* open);

// The words of a digit string (leading zeros allowed; empty or all zeros
// give the empty text). 168 when its value is 10^12 or more.
Status TxtnDigitsWords(std::string_view digits, std::string* out);

// The words of an amount written with `precis` decimals: zero gives the
// empty text; the integer part in words ("cero" when it is 0 and decimals
// follow); decimals that are not all zero follow " con ", their digits
// padded on the right with zeros to `dx` digits; a negative amount ends in
// " negativas".
Status TxtnNumberWords(FixedNum amount, int precis, int dx, std::string* out);

// The next piece of a text wrapped at a width, from the cursor: the break is
// the last blank within the first `width` characters of the rest, else its
// first blank, else the whole rest (a rest that fits, and a width of 0 or
// below, take the whole rest). The piece runs from the cursor to the break;
// the cursor moves past the break (to 0 after a width of 0 or below). A
// cursor at or past the end gives the empty text.
std::string_view TxtnWrapNext(std::string_view text, int width, uint32_t* cursor);
