// Field values of screens.
//
// The values of a screen's fields live in the value buffer of the current
// window record (screens/window/screendef.h WinRecord), one slot per field at its
// value offset, in stored form (runtime/format.h): the current values and a
// saved copy, each the screen's total value width. This module reads them
// from their sources (the buffer, the saved copy, the bound data-file field,
// the field's ASSIGN$ expression), puts values into fields (formatted, shown
// on the control, stored, written to the bound data-file field, checked),
// walks fields in edit order and names them.
//
// Every field has a name: its FD$ item, or for a field the FD$ list does not
// reach a generated name, "_SCRF<n>$" for the text-like types A, B, C, D and
// F and "_SCRF<n>#" for the others (n the field number), so scripts read and
// assign every field by name.
//
// Check flags of FieldPut and FieldValueGet (kCheckRefresh and kCheckInput
// are the two sets the callers pass):
//   kPutRaw      the text is taken as stored (no formatting) when the field
//                also has kFieldUpdatable
//   kPutFromFile read the bound data-file field when it is the screen's file
//   kPutAssign   evaluate the field's ASSIGN$
//   kPutSetFile  also set the bound data-file field (kFieldOwnFile)
//   kPutPerform, kPutUpdFields  run the field's PERFORM$ (and refresh the
//                fields that depend on it) when the field has them
//   kPutAlways   store even when the value did not change
//   kPutSaved    read the saved values
//
// Errors: a field number outside the screen answers 168 DATAOUTBOUND (124
// under the screen's soft-number flag, screendef.h FieldGet); no current
// window record 177 ScreenStructErr; errors of a source carry message 0017
// "Bad params for screen field ..." in the error detail. Copies into the
// value buffer never pass a field's slot.
//
// Everything acts on the current screen and its current record.
#pragma once
#include <cstdint>
#include <vector>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/window/screendef.h"

enum FieldPutFlag : int {
  kPutRaw = 0x01,
  kPutFromFile = 0x02,
  kPutAssign = 0x04,
  kPutSetFile = 0x10,
  kPutPerform = 0x20,
  kPutUpdFields = 0x40,
  kPutAlways = 0x80,
  kPutSaved = 0x200,
};
constexpr int kCheckRefresh = 116;  // refetch from the sources: 4, 0x10, 0x20, 0x40
constexpr int kCheckInput = 118;    // what a person typed: 2, 4, 0x10, 0x20, 0x40
// FieldList: fields in edit order whose edit order lies in first..last.
constexpr int kListEditOrder = 512;
// ScreenBufStack operations on the window's record image.
constexpr int kBufImagePush = 0x1C;
constexpr int kBufImagePop = 0x1D;
// The operators of FieldExprJoin, as the script writes them (0xF7 is the
// division sign of Windows-1252).
constexpr char kFieldOperators[] = "*,/,!,%,\xF7,+,-,=,>,<,==,>=,<=,<>,&,|,@,&&,||,@@";

// --- Names -------------------------------------------------------------------

// The name of field n for a type letter when FD$ gives none.
StrValue FieldVarName(uint16_t n, char type);
// The definition text at the top of string list 31, completed in front with
// the FD$ property (under its event-qualified name while an event is
// current), ":", and the quoted comma list of every field's name, when FD$
// has fewer items than the layout has fields; otherwise the text unchanged.
// An error string when the completed text would pass 65535 bytes.
StrValue ScreenFieldVars(const FieldDesc* layout, uint16_t count);
// The number of the field with the name (compared exactly, blanks around it
// ignored), 0 when no field has it or no screen is current.
uint16_t FieldFind(StrValue name);
// The numbers of the fields named by a comma list; names that are no field
// are skipped.
std::vector<uint16_t> FieldNumList(StrValue names);
// The names of the listed fields joined by ",".
StrValue FieldNamesJoin(const std::vector<uint16_t>& fields);

// --- Reading -----------------------------------------------------------------

// The stored text of field n in the current values (a new slot of the string
// area); empty when the field's status is set or no record is current.
StrValue FieldValue(uint16_t n);
// The same in a value area of the current record (its `values` or `saved`).
StrValue FieldText(uint16_t n, const unsigned char* area);
// The value of field n from its sources (flags above): 0 the current value;
// kPutSaved the saved one; otherwise, in order, the bound field of the
// screen's data file (kPutFromFile), the ASSIGN$ expression with its
// [expressions] expanded (kPutAssign), the bound field of another data file
// (unless kPutRaw); a data-file text is fitted to the field's type and
// length. A field none of these apply to gives its current value. An error
// string on failure (detail 0017 appended).
StrValue FieldValueGet(int flags, uint16_t n);

// --- Writing -----------------------------------------------------------------

// Puts the text (stored form) into field n: formatted for display by type
// and display width and back to stored form by type and length (unless
// kPutRaw applies); a logical field shown as a check box takes its mark from
// the text's truth; the display text, right-trimmed except for type F, is
// shown on the field's control (hidden fields and fields without a control
// show nothing); then, when kPutAlways is given or the value changed, the
// value is stored, the bound data-file field set (kPutSetFile) and the
// field's check run (kPutPerform / kPutUpdFields, FieldRunCheck). Answers
// the first failure, the check's status otherwise.
Status FieldPut(int flags, uint16_t n, StrValue text);
// Copies the text, fitted to field n's stored form, into its slot of the
// current values. 168 for a number outside the field count.
Status FieldStore(uint16_t n, StrValue text);
// Runs field n's PERFORM$ (with its [expressions] expanded) as a statement.
// When that answers below 128 and kPutUpdFields is given, the fields its
// UPDFIELDS$ item names (";" or "," between names) are refetched and put
// with the flags less kPutUpdFields, then every dependent field once with
// the flags less kPutFromFile, kPutPerform and kPutUpdFields. Dependants:
// the UPDFIELDS$ names of the field (with kPutPerform) and, with
// kPutAlways, every field bound to a data file, closed over the UPDFIELDS$
// items of the fields listed that have one; a name already listed is not
// added again, so cycles end, and the field itself is never its own
// dependant. Answers the PERFORM$ status, or the first refresh error of 122
// and above.
Status FieldRunCheck(int flags, uint16_t n);
// For each listed field FieldValueGet then FieldPut with the flags; stops at
// the first status of 122 and above (or error string) and answers it.
Status FieldsFetchPut(int flags, const std::vector<uint16_t>& fields);
// FieldsFetchPut over the fields first..last (-1: the last field).
Status FieldsRefresh(int flags, int first, int last);

// --- Lists and stepping --------------------------------------------------------

// Fields first..last (-1: the field count) whose flags share a bit with the
// given flags (all when 0). With kListEditOrder: the visible fields whose
// edit order lies in first..last, in edit order.
std::vector<uint16_t> FieldList(int flags, int first, int last);
// The field step places away from `field` in edit order, or -1. Candidates
// are the visible editable fields, only those of the lines block when the
// field lies in it. Field 0 starts before the first candidate; a field that
// is no candidate answers -1. Past either end inside the lines block the
// step wraps (back from the first to the last, forward to the first) and
// sets `_SCRSTAT` kScrStatWrapped; outside it the answer is -1.
int FieldStep(int field, int step);
// Makes field n current and gives its control the focus. Moving forward in
// edit order from a current field whose ALARM$ fails shows the failure
// (ScreenAction of kActShowFailure) and keeps that field current instead;
// `_CUREDFLD` names the field that is current afterwards. Answers 0 or the
// failure (126, or the condition's error).
Status FieldSetCurrent(uint16_t n);

// --- Whole screens ----------------------------------------------------------------

// The items of a comma list (with its [expressions] expanded) joined by
// operator n (1-based) of kFieldOperators; item i is left out when field i's
// value is blank.
StrValue FieldExprJoin(StrValue items, int n);
// The values of the listed fields, each at its full length, concatenated.
StrValue FieldsConcat(const std::vector<uint16_t>& fields);
// Copies the slots of fields first..last (-1: the last field) from the
// current values to the saved ones (kPutSetFile in flags) or back.
Status FieldsSaveRestore(int flags, int first, int last);
// The record image of the window record: kBufImagePush copies the data
// file's current record into it, kBufImagePop copies it back into the data
// file's current record. 168 when the record has no image (no data file),
// 163 for other operations.
Status ScreenBufStack(int op);
// The evaluator's access to screen fields by name (task hook 0, registered
// at start-up): a name that is no field of the current screen answers the
// error string 163 (not mine: the variable of that name is used). Mode 5
// puts the value on top of the string area into the field (a number given
// to a numeric field, types "NL123456789", as its text) and answers it, or
// the error string of the put; mode 2 reads the saved value, other modes
// the current one. A blank logical field reads "0".
StrValue ScreenFieldHook(StrValue name, int mode);

// Evaluates the text as a string expression (a text that is itself
// "SCRBACK=name" is taken as it stands). When the result is "SCRBACK", "="
// and a variable name: with save the current values (the total value width)
// are assigned to the variable; otherwise the variable's value, when it is
// no wider than the total width, is copied over the saved values (168 when
// it is wider, nothing copied). Any other result answers 0; an evaluation
// error its code.
Status FieldAssignRun(StrValue text, bool save);
