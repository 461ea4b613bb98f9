// Host services: outside viewers and child processes.
//
// Command lines are written the Windows way (platform/host/process.h): blank
// separated, quote-aware; "%SystemRoot%\system32\cmd.exe /C text" (once
// expanded) runs the text with /bin/sh -c, unchanged; any other line is a
// program and its arguments, started without a shell. Commands come from
// the application's own procedures and are trusted as such.
//
// Viewers of kinds 1-5 (text editor, web browser, PDF reader, word
// processor, office suite) are the items of kViewerList. The program of a
// kind is the default value of its registry key "...\App Paths\<program>\"
// under HKEY_LOCAL_MACHINE when the registry file sets it, else xdg-open,
// which opens a file with the desktop's program for it. A headless run
// starts no viewer: the window system records the request instead.
//
// A piped run reads the child's standard output and standard error through
// one pipe in chunks of at most 1024 bytes, each handed to the callback as a
// slot of the string area released after it. The run ends when the child
// ends, with the output it had written: a job it started in the background
// (SYSTEM 'job &') keeps running, detached from the pipe, and is not waited
// for. Between chunks the reader waits in poll() and looks at the child
// every few milliseconds (no spinning). The child's standard input is
// /dev/null, so a command that reads it ends at once. The exit status is
// reported: a command that exits with another
// status than 0 (or is killed) is 173 SYSTEMCMDERROR with the command and
// the status in the error detail. A callback answering non-zero stops the
// run: the pipe is closed (a child still writing gets a broken pipe) and the
// callback's code is the answer. Captured output stops at 65535 bytes: 146
// with the text that fit. Errors (164 a command that cannot be started, 141
// no pipe, 173) are recorded with module 9.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr char kViewerList[] =
    "%SystemRoot%\\system32\\Notepad.exe,.%sIexplore.exe\\,.%sAcroRd32.exe\\,.%sWORDPAD.EXE\\,.%ssoffice.exe\\";
constexpr char kViewerAppPaths[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr char kViewerFallback[] = "xdg-open";
constexpr char kCommandInterpreter[] = "%SystemRoot%\\system32\\cmd.exe /C";
constexpr uint32_t kPipeChunk = 1024;

// Receives the chunks of a child's output in order.
using HostOutputFn = void (*)(StrValue chunk);
// Called with the run's output function and each chunk; 0 goes on.
using HostOutputCallback = Status (*)(HostOutputFn fn, StrValue chunk);

// The viewer's command: the program quoted ("), name-expanded; the error
// string 163 for a kind outside 1-5.
StrValue HostViewerPath(int kind);
// Starts the viewer of a kind on the file (the name as one argument, never
// split or read by a shell; a web address holding "://" is passed as it
// is) without waiting: 0, the code of HostViewerPath,
// or 65535 when it cannot be started. Headless runs record it and answer 0.
Status HostViewFile(int kind, StrValue file);
// Starts a program without waiting; 0, or 65535 when it cannot be started.
Status HostStart(StrValue command);
// Runs the command with its output on a pipe: 0, the callback's code, 164,
// 141 or 173. Without a callback the output is read and dropped.
Status HostRunPiped(StrValue command, HostOutputFn fn, HostOutputCallback callback);
// HostRunPiped; when no callback is given and an output string is, the
// whole output becomes *output (a new slot of the string area; it is set
// even when the run fails, to what was read).
Status HostRunCapture(StrValue command, StrValue* output, HostOutputFn fn, HostOutputCallback callback);
// Hands the chunk to the output function when there is one; always 0.
Status HostOutputToFn(HostOutputFn fn, StrValue chunk);
// Appends the chunk to the output; 146 once the output would pass 65535
// bytes (what fits is kept).
Status HostOutputAppend(std::string& output, StrValue chunk);
