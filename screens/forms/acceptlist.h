// Accept field lists: the text that describes an input form.
//
// An AcceptFieldList is field specs separated by "," and, after the first
// " /" outside quotes (one that does not start a "/ROW" or "/COL" option),
// screen properties (NAME:value items such as ASSIGN$, NOEDIT$, WRITE$) that
// are pushed as the object parameter string while the form's screen is
// built. A list of one spec may separate its parts by ";" when it holds no
// ":" outside quotes. Separators inside quotes, braces and parentheses do
// not count.
//
// A spec has ":"-separated parts:
//   1 the prompt, optionally beginning with "{row,col}" (the field's place)
//   2 a quoted type-and-width expression ('A20', 'L1', '26': type "2", width
//     6), evaluated; type "V" takes type and width from the variable
//     _V<n>$ unless `_COMPAT` kNoValueLists; a "D" field stores at most 8
//   3 the name: a variable, or a field reference with a comparison
//     operator ("CODE{}>=") whose answer joins the search condition
//   4 the default, an expression (empty: the answer remembered from the last
//     use of the same list)
//   5 the assignment target
// A spec of one part is a field reference NAME{file} (with an operator or
// not): the field takes the data-file field's type and length, is bound to
// it, and its prompt is the dictionary name, the operator's word of message
// 0080 (no operator: ">=" for field 1, "<=" for field 2) and ":".
// "/ROW n" and "/COL n" (a blank or "=" before the number) inside a spec
// place the field; the spec's text ends before the first of them. Field n
// stands at row n, in the column after the longest prompt, unless placed;
// its prompt ends just before it.
//
// The form's screen is named after its prompts (8 / field count characters
// of each, at least one, at most 8 in all). A form shares an open screen
// only when its whole list text is the same; a different list whose name
// collides gets a screen of its own under the name and a counter.
//
// Remembered in SystemTextList: item 6 the last list text, item 7 its
// answers (the value list), item 1 the last search condition.
//
// Errors (recorded with module 20, the spec or field in the detail): 163 a
// spec without a name, a bad type letter, a value holding both quote
// characters, a numeric answer that is no number; 168 a width outside
// 1-65535 or a total value width above 65535; a scan error of a name is its
// own code; a field reference's parse status; 181 a "V" field whose variable
// is not defined.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/window/screendef.h"

// SystemTextList items of the forms.
constexpr uint32_t kSysLastCondItem = 1;
constexpr uint32_t kSysAcceptListItem = 6;
constexpr uint32_t kSysAcceptValuesItem = 7;

// AcceptWinSelect flags.
constexpr int kAcceptFitGeometry = 0x40;  // the text window fits the fields
constexpr int kAcceptGridPad = 0x80;      // one row, a lines block, no labels
// WinRecord::flags of a form run by AcceptWinRun: its value collection
// records the OUTPUT line, so its confirmation does not.
constexpr uint16_t kWinAcceptForm = 0x0100;
// WinRecord::flags: the form made its own window, which closes with the record.
constexpr uint16_t kWinAcceptOwnWindow = 0x0200;
// The answer line that cancels a form in batch mode, and that OUTPUT records
// for a cancelled form.
constexpr char kBatchCancelLine[] = "\x1B";

struct AcceptResult {
  uint32_t lastKey = 0;   // the key class that closed the form (32 reported as 0)
  std::string values;     // the quoted answers joined by ","
  std::string condition;  // the search terms joined by "&&"
  Status status = 0;      // 0, 122 cancelled, or an error
};

struct AcceptPos {
  uint16_t row = 0;
  uint16_t col = 0;
};

// Last key 0, empty condition, status 0; the value list is the next line of
// the INPUT file in batch mode (empty otherwise, or at its end); a line that
// cannot be read leaves its error as the status.
void AcceptResultInit(AcceptResult& result);

// Builds the form's screen (or shares it) and opens a window record on it
// for the top window; with kAcceptFitGeometry the current text-window
// geometry takes SCREENSIZE$, by default the fields' extent (columns: the
// largest column plus length, 25 to the geometry's columns less its origin
// column; rows: the lowest field's row); unless kAcceptGridPad the prompts
// become labels on the top window. A list text other than the remembered one
// is remembered and its answers cleared. The parameter string is popped on
// every path.
Status AcceptWinSelect(StrValue text, int flags);
// The field records of the specs (the text before the properties); the
// first spec whose record carries a status stops it.
Status AcceptFieldsParse(StrValue specs, std::vector<FieldDesc>& fields, int flags);
// The field record of one spec placed at the position.
FieldDesc AcceptFieldSpec(StrValue spec, uint16_t number, AcceptPos position);
// Part `part` (1-5) of spec i, trimmed (empty when absent).
StrValue AcceptSpecPart(StrValue specs, uint32_t i, uint32_t part);
// The prompt of spec i without its position prefix (unquoted).
StrValue AcceptPrompt(StrValue specs, uint32_t i);
// The place of spec i's label: the field's row and its column less the
// prompt's length (at least 1).
AcceptPos AcceptLabelPos(StrValue specs, uint32_t i);
// The longest prompt, at least 1.
uint16_t AcceptPromptWidth(StrValue specs);
// The place of field i: its own, else row i at the column given.
AcceptPos AcceptFieldPos(StrValue specs, uint32_t i, uint16_t column);
// The prompt of field n as a label on the top window: 0, or 0xFFFF when no
// label was made.
uint16_t AcceptLabelCreate(uint16_t n, StrValue list);

// Gives every field of the current screen its starting value: spec part 4
// evaluated, else item n of the remembered answers, put with check 118
// while `_AUXSTAT` 64 is set. The first error (122 and above) stops it.
Status FieldValidateAll(StrValue specs);
// Collects the current record's fields: the status is 0 when the result's
// last key moves forward or to the end, else 122; each value (text types
// right-trimmed) is assigned to its target (part 5, or the name when it is a
// plain variable), quoted into the value list, and a name with a comparison
// operator adds its term to the condition. The form's window record is
// closed (with its window when it still exists), `_LASTKEY` becomes 0. On
// success the answers are remembered and written to OUTPUT; a cancel writes
// the cancel line.
void AcceptCollect(AcceptResult& result, StrValue specs);
// The same steps over the answers already in result.values (a batch line:
// its items, one pair of quotes stripped): targets assigned, the condition
// built, the line remembered and written to OUTPUT as it is. No record is
// touched.
void AcceptCollectGiven(AcceptResult& result, StrValue specs);
// The specs of a list: the text before its properties.
StrValue AcceptListSpecs(StrValue list);
// A field's stored value as a value list takes it: right-trimmed unless the
// type is numeric ("NL123456789").
std::string AcceptValueText(char type, std::string_view stored);
// An answer of a batch line as field n of the type stores it: a date (D, F)
// in its stored form, typed or stored; a number or logical as written; other
// types unchanged. 163 naming the field (recorded) for a date or number that
// is none, so a bad line never becomes today's date or a garbled number.
Status AcceptStoredValue(char type, std::string_view item, uint16_t n, std::string* stored);
// Appends the value to a value list ("," between items), quoted with the
// quote character it does not hold (single preferred); 163 naming `what`
// (recorded) when it holds both.
Status AcceptValueAppend(std::string& list, std::string_view value, std::string_view what);
