// Expression files: files of expression lines (configuration and variables
// files), the variables file writer, the hook call of an expression text and
// the variables of the dictionary's file numbers.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Runs an expression file: the name is expanded and searched along the
// default directory list; each line is one expression list (CR LF, LF and CR
// end lines; blank lines and empty expressions are skipped); the first error
// of 128 or more stops it. A missing or empty file answers 164 "File Not
// Found" with the name as detail when flags bit 0 is set, else 0. Files run
// from files (EXEC$) nest at most kExpFileMaxDepth deep: 145 naming the file.
constexpr int kExpFileMaxDepth = 16;
Status ExpExecFile(StrValue name, int flags);
// Rewrites a variables file: one name=value line for each entry of the comma
// list `names` (an entry "name;expression" takes the expression's value, a
// plain name the variable's), then the old file's name=value items whose
// names were not written yet, each name once (its last value); then runs the
// file to reload it. The new content is built before anything is written and
// replaces the file atomically; strings are written so that they read back
// unchanged.
Status ExpVarsSaveFile(StrValue file, StrValue names);
// "n<separator>rest" calls task hook n with the rest; 0 when none is
// registered.
Status ExpCallHook(StrValue text);
// Defines one integer variable per data file of the dictionary, named by the
// file's name in upper case and holding its file number.
Status VarFileNumsDefine();

// Assigns a resolved catalogue text to a script variable: the assignment is
// built with the text quoted, so it is never evaluated (the language
// variables of runtime/messages.h).
Status LangVarAssign(StrValue name, StrValue text);

// ExpExecText for the texts of expression files: empty expressions (blank
// lines, doubled or trailing separators) are skipped instead of being 147.
Status ExpExecLines(StrValue text);
