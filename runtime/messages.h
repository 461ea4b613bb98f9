// Message references, the language catalogue and the language settings.
//
// A user-visible text is a message reference: four decimal digits ("0019"),
// optionally a separator character and an inline default text
// ("0019 default"). It resolves, in this order, through
//   1. the language catalogue, loaded once by the first look-up of the run;
//   2. the inline default, when the reference carries one;
//   3. the built-in message table of the program (msgtable.h).
// A number the catalogue does not cover (outside its ranges, or beyond its
// 256 entries) falls through to 2 and 3; a number missing inside a covered
// range has an empty text.
//
// Catalogue: the first file matching "KX_LANG_<language>.MSJ" ("*" when no
// language is set), looked for under its plain name and then in the
// directories of SettingsList item 5 (a comma list). Lines "NNNN text" in
// ascending order; a backslash n in a text becomes CR LF; number 0 and lines
// whose number is not above the previous one are skipped. A file of 256 lines
// or more is not used (its lines are drained). The texts live back to back in
// SystemTextList item 2 with a table of at most 256 end offsets.
//
// Languages: "EN,ES,FR,DE,IT" (index 1-5, 0 none); SettingsList item 4 holds
// the current code. The language-variables file "<prefix>LANGVARS.DAT" turns
// catalogue texts into script variables (LangVarsLoad).
//
// Single-threaded; the catalogue tables are process-wide and live for the run.
// Results are StrValues: built-in texts and inline defaults are views that
// stay valid, catalogue texts are copies in the string area.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Catalogue states.
constexpr int kCatalogNotTried = 0;
constexpr int kCatalogTried = 1;
constexpr int kCatalogLoaded = 2;
constexpr uint32_t kCatalogMaxEntries = 256;

// The text of a message reference given as a C string / as a string value.
StrValue Msg(const char* ref);
StrValue MsgRef(StrValue ref);

// Loads the catalogue file of the current language (state 1, or 2 when
// texts were taken). A missing file is not an error.
Status MsgCatalogLoad();
// Moves `lines` queued lines from the head of FileLinesQueue into the
// catalogue tables; lines outside 1-255 are drained unread.
Status MsgCatalogParse(uint32_t lines);
// The loaded text of a message number (a copy); the error string 65535 when
// the catalogue does not cover the number.
StrValue MsgCatalogText(uint32_t number);
// The built-in text of a reference (its first four characters); empty when
// the table has none.
StrValue MsgCatalogFind(StrValue ref);
int MsgCatalogState();
// Forgets the catalogue so that the next look-up loads it again (start of a
// run, tests).
void MsgCatalogReset();

// Index of the current language in "EN,ES,FR,DE,IT", 0 when none.
int LangIndex();
// Sets the language (SettingsList item 4) to "EN".
Status LangDefault();
// The language variant of a file name: the suffix "_en" ... "_it" of the
// language (-1 the current one, 0 none: the name unchanged) goes before the
// first point of the name's last component (N.E gives N_es.E, N.E1.E2 gives
// N_es.E1.E2), or at its end when it has no point.
StrValue LangFileName(StrValue name, int lang);
// Runs the language-variables file of the application prefix, found along
// the directories of SettingsList item 5: each line NAME=reference assigns
// the resolved text to the variable. A missing file is not an error; lines
// with an empty name or text are skipped. Answers the first error of 128 or
// more of an assignment, else 0.
Status LangVarsLoad();
// Assigns a resolved catalogue text to a script variable. The expression
// evaluator owns how the assignment is built and run, so the script layer
// registers it at start-up (LangVarAssign); until then an assignment answers
// 148 FEATUREREMOVED with that name in the detail.
using LangVarAssignFn = Status (*)(StrValue name, StrValue text);
void LangVarAssignHookSet(LangVarAssignFn fn);
