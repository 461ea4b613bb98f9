// Formatting by type letter and edit mask; the small condition texts of
// selections.
//
// Field values are stored in one fixed form per type letter and shown and
// typed in the form of the current language (locale.h):
//   A, P  text                 B  digits and blanks
//   C     digits, blanks stored as zeros
//   D     date (an empty value shows today)   F  date that may stay empty
//   L     logical: stored " " not answered, "0" no, "1" yes
//   N     number without decimals             1-9  number with that many decimals
//   T     no value                            V  no value, always shown blank
// Numbers are stored right-aligned in the fixed notation ("." decimal point,
// no separators), dates as YYYYMMDD, logicals as one character.
//
// Type codes that carry a width as text ("A20", "26", "L1") begin with a
// letter of "123456789ABCDFLNTVP"; P, the text letter missing from the older
// list, is placed after V and behaves as A everywhere.
//
// Width -1 means "no fitting". A number whose integer part does not fit its
// width is the error string 168 DATAOUTBOUND on the way into storage, and is
// shown as the overflow marker on display: a number never silently loses
// digits or its sign.
//
// Conditions: a comparison "field op value" with op item n of
// "==,>,>=,<,<=,<>"; with the default format the value is written as a quoted
// literal that cannot end early or add expression text (a value holding both
// quote characters is built from parts joined by "+"); an equality stays
// "==", so a "*" in its value is the evaluator's pattern test ("AB*" every
// value beginning with AB, "*AB" every value holding AB). "1&&" in front of
// a condition means "always true" and is dropped when joining.
//
// Results are new slots of the string area; error strings pass through.
// Nothing is recorded except by the bounded formatter (146).
#pragma once
#include <cstdint>

#include "runtime/fmtdate.h"
#include "runtime/fmtmask.h"
#include "runtime/locale.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr const char* kFmtTypeCodes = "123456789ABCDFLNTVP";

// 1-based position of a type code in kFmtTypeCodes, 0 when it is none.
uint16_t FmtTypeCodeIndex(char code);

StrValue FmtStoredToDisplay(char type, StrValue stored, int32_t width);
StrValue FmtInputToStored(char type, StrValue typed, int32_t width);
StrValue FmtByType(char type, StrValue value, int32_t width);
// Letters: FmtByType; a digit code k: the default mask of type k at the
// width, filled with the fixed locale.
StrValue FmtByTypeCode(char code, StrValue value, int32_t width);

// --- Conditions -------------------------------------------------------------

// An empty value gives an empty text. An empty format is the default
// "%s%s'%s'". The result is bounded by the value's written length + 384.
StrValue FmtCompareExpr(StrValue field, int op, StrValue value, StrValue format);
// Equality that never reads the value as a pattern, for values taken from
// data (a group or key value): "field==value", or, when the value holds "*",
// "(field>=value&&field<=value)". The value is quoted as above.
StrValue FmtCompareExact(StrValue field, StrValue value);
// The comparison joined to the condition with the joiner ("&&" when empty);
// the joiner only when both are non-empty.
StrValue FmtCondAppend(StrValue field, int op, StrValue value, StrValue condition, StrValue joiner,
                       StrValue format);
// A side beginning with "1&&" loses the prefix and the other side is dropped;
// an empty side gives the other; else "(a)op(b)" ("&&" when op is empty).
StrValue FmtCondJoin(StrValue a, StrValue b, StrValue op);
// The condition without a leading "1&&" (a view into it).
StrValue FmtCondStrip(StrValue condition);
