// The log files: the application log, framed log blocks and the assertion
// log.
//
// The log file is SystemTextList item 10 when a name was set (LogSetName),
// else the application prefix followed by "log.txt" ("COlog.txt"). Lines are
// appended with CR LF; a framed block is a line of 29 asterisks, the header
// " Date:<date> - Time:<hh:mm> - User:0", the text, a line of 22 asterisks and
// an empty line. The header is formatted into a bounded buffer; the text is
// written as it is, whatever its length.
//
// AssertCheck guards internal invariants: a failed check shows a box
// captioned "Assertion Fail", appends a framed block to "assertions.log" and
// ends the process. The box and the ending go through hooks that tests
// replace; when a replaced ending returns, AssertCheck answers the error
// string 141 INTERNALERROR.
//
// Errors: LogBlock answers 164 File Not Found (file name in the error detail)
// when the file cannot be opened; LogWrite fails silently (logs never stop
// the program). Writes go through the host file layer.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr char kLogFileSuffix[] = "log.txt";       // after the application prefix
constexpr char kAssertLogFile[] = "assertions.log";
constexpr char kPrcLogFile[] = "PrcLog.txt";       // the procedure trace
constexpr char kAssertCaption[] = "Assertion Fail";
constexpr uint32_t kLogNameMax = 64;
constexpr uint32_t kLogHeaderMax = 384;

StrValue LogFileName();
// Stores a non-empty name as the log file and deletes that file, so the log
// starts empty. 0, or the store's code.
Status LogSetName(StrValue name);
// Appends the text and CR LF to the file; nothing for an empty name. True
// when a name was given.
bool LogWrite(StrValue file, StrValue text);
// Appends the text, or "Error #<code>" for an error string, to the log file
// when (bits & 0xFF) shares a bit with _TRACE. True when a line was written.
bool LogError(StrValue text, int bits);
// Appends a framed block to the file, or to the log file for an empty name.
Status LogBlock(StrValue text, StrValue file);
// Answers the name when the flag holds; otherwise box, assertion log, end.
StrValue AssertCheck(bool flag, StrValue name);

using AssertBoxFn = void (*)(StrValue text, StrValue caption);
using ProcessEndFn = void (*)();
// Install a hook (nullptr restores the default); answer the previous one.
AssertBoxFn AssertBoxHookSet(AssertBoxFn fn);
ProcessEndFn AssertEndHookSet(ProcessEndFn fn);
