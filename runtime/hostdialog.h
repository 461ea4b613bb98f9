// Host services that ask the person: the file open and save dialogs with
// the framework's filters, the folder chooser and the yes-answer test.
//
// The dialogs run over platform/dialogs (the window system's modal path
// dialog); headless runs take their answers from the UI script. Filters come
// from the message catalogue, so they follow the language:
//
//   kind  message                              type  initial name
//   1     0061 "FileStruct Files (%s),%s"      DAT   the prefix + "DICC.DAT"
//   2     0062 "Screen Files (%s),%s"          PAN   "*.PAN"
//   3     0063 "Print Document Files (%s),%s"  PDC   "*.PDC"
//   4     0064 "Script Files (%s),%s"          PRX   "*.PRX"
//   5     0065 "AppSelect Files (%s),%s"       KXA   "*.KXA"
//   6     0066 "Menu Files (%s),%s"            PPN   the prefix + "MENU.PPN"
//   7     0067 "PDF Files (%s),%s"             PDF   "*.PDF"
//   8     0068 "Text Files (%s),%s"            TXT   "*.TXT"
//   10    0061 "FileStruct Files (%s),%s"      DAT   "*.DAT"
//
// each filled twice with "*." and the type, then "," and message 0060 "All
// Files (%s),%s" filled with "*.*" (another kind offers that one alone). The
// prefix is the application prefix with flag 0x40, else "??" (any prefix).
// Flag 0x80 makes the current directory the same after the dialog as
// before it.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kDialogKindMask = 0x3f;
constexpr int kDialogAppPrefix = 0x40;
constexpr int kDialogKeepDir = 0x80;

// The chosen path, empty when cancelled; the error string 146 (recorded)
// when the chosen path is longer than the dialog's 383 characters.
StrValue FileSelectDialog(bool save, int flags);
// The chosen folder, empty when cancelled. Defaults: the current directory
// and message 0049 "Choose Selection".
StrValue ChooseFolder(StrValue initial, StrValue title);
// True when the first character of the trimmed answer is one of field 1 of
// message 0011 "Yy,Nn"; an empty or blank answer is not yes.
bool AnswerIsYes(StrValue answer);
