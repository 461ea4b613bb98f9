// Child processes: programs started without waiting (viewers) and commands
// whose output the framework reads through a pipe.
//
// Command lines are written the Windows way: arguments are separated by
// blanks outside quotes, and a quoted part ('...' or "...") groups blanks and
// loses its quotes; an unclosed quote runs to the end of the line. A line of
// the form "...\cmd.exe /C text" (any letter case) means the command
// interpreter: it becomes /bin/sh -c with the text passed unchanged; every
// other line names a program (looked up on PATH when it holds no separator)
// and its arguments, started without a shell.
//
// Every child gets /dev/null as its standard input and inherits no
// descriptor of the program but 0-2. A started program is never left as a
// zombie; a piped command is waited for and its exit reported.
//
// StartDetached follows the POSIX convention of files.h (-1 with errno set);
// StartPiped answers a status. Nothing here records an error.
#pragma once
#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace host {

// The arguments of a command line (quotes removed).
std::vector<std::string> SplitCommandLine(std::string_view line);
// The arguments a command line runs: /bin/sh -c text for the command
// interpreter, else SplitCommandLine. Empty for a blank line.
std::vector<std::string> CommandArgs(std::string_view line);

// Starts argv[0] with its arguments and does not wait; its output goes to
// /dev/null. -1 with ENOENT when the program cannot be found or run.
int StartDetached(const std::vector<std::string>& argv);

// How a child ended.
struct ChildExit {
  bool exited = false;  // ended by itself: code holds its exit status
  int code = 0;
  int signal = 0;       // otherwise the signal that ended it
  bool Ok() const { return exited && code == 0; }
};

// A running child whose standard output and standard error go to one pipe.
struct PipedChild {
  pid_t pid = -1;
  int out = -1;          // read end, close-on-exec
  bool ended = false;    // the child has ended and was waited for
  ChildExit exit;        // how, once ended
  size_t left = 0;       // once ended: bytes it left in the pipe, still to read
  bool outClosed = false;  // every writer has closed the pipe
};
// 0; 141 INTERNALERROR when no pipe can be made, 164 FILENOTFOUND when the
// program cannot be found or started; then nothing is left open.
Status StartPiped(const std::vector<std::string>& argv, PipedChild* child);

// The child's output as it comes, in pieces of at most max bytes, until the
// child has ended (checked every kPipedPollMs while it writes nothing):
// the count read; 0 once it has ended and the bytes it had written are
// read, even when a job it left running in the background still holds the
// pipe (what that job writes later is not waited for); -1 on a read error.
constexpr int kPipedPollMs = 10;
int64_t ReadPiped(PipedChild* child, char* buf, size_t max);
// Ends the reading. A child still running gets the read end closed (its
// next write then fails) and is waited for. When it has ended and a job it
// left in the background still holds the pipe, the read end goes to a
// detached reader that takes that job's output to /dev/null until the job
// closes it, so the job runs on undisturbed.
ChildExit FinishPiped(PipedChild* child);

}  // namespace host
