// Text macros: [expression] segments inside definition texts, menu command
// lines and procedure statements, replaced by their values before the text
// is used.
//
// The innermost segment is found first (the first "]" and the last "[" before
// it, from the search position); a "]" with no "[" before it is skipped. The
// segment's value: with kMacroLookup, its text as a name in the NAME:value
// list, then among the command-line options, then in the environment; when
// none of them has it, the text evaluated as an expression (a number with
// _PRECIS decimals), except that a segment ending in "%" keeps its own text.
// Environment and list values are plain text: they are expanded again only
// with kMacroRescan.
//
// Errors: an evaluation error ends the expansion and the result is the error
// string carrying its code. Rescanning is bounded: a result over 65535 bytes
// is 159 STROUTBOUND, more than kMacroMaxRescans replacements 129 "Loop
// Failure" (a value that keeps producing segments). Results are new slots of
// the string area; error strings given as input pass through.
#pragma once
#include <cstdint>

#include "runtime/strvalue.h"

enum MacroFlags : int {
  kMacroPlain = 1,      // the segment search does not skip quoted parts
  kMacroNoTrim = 2,     // keep the value's blanks and tabs
  kMacroLookup = 4,     // look the segment up as a name first
  kMacroEmptyNum = 16,  // an empty number value stays empty (else "0")
  kMacroQuote = 32,     // quote the value ('...', or "..." with kMacroDouble)
  kMacroDouble = 64,
  kMacroRescan = 128,   // expand inserted text and enclosing brackets too
  kMacroEscapes = 256,  // afterwards "\{" becomes "[" and "\}" becomes "]"
};
constexpr int kMacroWithFlags = kMacroPlain | kMacroLookup | kMacroEmptyNum;
constexpr uint32_t kMacroMaxRescans = 10000;

// Expands the segments with the flags and an empty NAME:value list.
StrValue MacroExpand(StrValue text, int flags);
// Expands with flags 0x15 and the NAME:value list.
StrValue MacroExpandWith(StrValue text, StrValue list);
// Every "[$]" replaced by the value (plain replacement, quotes not
// respected); on failure the text comes back unchanged.
StrValue MacroDollarSubst(StrValue text, StrValue value);
