// The stored command line and its options.
//
// The process command line is normalised once at start-up and kept as
// SettingsList item 1; its first blank-separated field is the program path.
// Options are written as a slash, the name, ":" or "=" and the value
// (/DPATH:x, /TRACE=9); a leading "-" or "--" is turned into the slash when
// the line is stored, so -TRACE:9 and --trace=9 work too.
//
// A value ends at the next ":", blank, "&" or "/" outside quotes and is
// upper-cased unless quoted; the Linux entry point quotes values that would
// otherwise lose characters or their spelling (platform/host/cmdline.h).
// An option name is found only at the start of the line or after one of
// those separators, and never inside a quoted part, so a quoted RUN command
// cannot smuggle in options of its own.
//
// Absent options give empty values, never errors. The only failure is the
// store refusing the line (159 STROUTBOUND, or the code of an error string
// given as the line), which ends start-up.
#pragma once
#include <string_view>
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Option numbers: positions in the option-name list.
enum OptionNumber : int {
  OPT_HELP = 1,  // the field "?;HELP" as a whole; read by no operation
  OPT_APNAME,
  OPT_APSTART,
  OPT_DPATH,
  OPT_SCRWID,
  OPT_SCRHIG,
  OPT_INPUT,
  OPT_OUTPUT,
  OPT_FILE,
  OPT_INDEX,
  OPT_DEVICE,
  OPT_RUN,
  OPT_MODE,
  OPT_TRACE,
  OPT_CONFIG,
  OPT_HOST,
  OPT_DATABASE,
  OPT_USER,
  OPT_PASSW,
};
constexpr int kOptionCount = 19;

// The program path and arguments 1 to count - 1 of an argument vector joined
// by single blanks, rebuilt the Linux entry point's way (program path first,
// values quoted where they would lose characters); a last character whose
// code is 13 or lower is dropped.
StrValue OptJoinArgs(int count, const char* const* args);
// Trims the line, collapses double blanks outside quotes, turns " --" and
// then " -" outside quotes into " /", and stores it as SettingsList item 1.
Status OptNormalise(StrValue line);
// The stored command line (a view into the store).
StrValue OptCommandLine();
// Option name n (1-19); empty beyond.
StrValue OptName(int n);
// The value of the named option: trimmed, unquoted, upper-cased unless
// quoted. When absent, looked up once more with the name in the other letter
// case (lower case when its first character code is 96 or lower, otherwise
// upper case). Empty when absent.
StrValue OptLookup(StrValue name);
StrValue OptValueByName(const char* name);
// Paths typed on the command line are meant from the folder the program was
// started in, also once it works in its application folder (DPATH).
// OptCallerDirRemember keeps the current directory (the first call only);
// OptPathByName is the named option's value, a relative path joined to that
// folder.
void OptCallerDirRemember();
StrValue OptPathByName(const char* name);
bool OptPathIsAbsolute(std::string_view path);
StrValue OptValue(int n);
// The 1-based position of option n's value in a comma list, 0 when the
// option is absent or its value is not in the list. Letter case is ignored,
// so a value quoted to keep its spelling still matches an upper-case list.
uint32_t OptIsIn(int n, StrValue list);
