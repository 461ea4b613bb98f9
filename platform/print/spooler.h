// The printers as the framework sees them: the print queues of the system's
// spooler, reached through its command-line tools.
//
// `lpstat -e` lists the queues, one name a line, and `lpstat -d` names the
// default ("system default destination: NAME"; the tools run in the C
// locale, so the words are always those). A job is a file handed to
// `lp -d QUEUE -t TITLE [-o raw] FILE`. Every command is started with an
// argument vector (platform/host/process.h), never through a shell, so a
// queue name or title reaches the tools unchanged, whatever it holds. When
// the tools are not installed there are no queues, and submitting fails.
//
// The locale's paper: glibc's LC_PAPER of the environment (LC_ALL,
// LC_PAPER, LANG), in millimetres, without changing the program's locale;
// zero when unknown. Tests replace the query.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace print {

struct Queues {
  std::vector<std::string> names;  // as lpstat lists them
  std::string defaultName;         // empty when there is none
};
Queues QueueList();
bool QueueExists(std::string_view name);

// Hands the file to the queue as one job titled title; raw jobs reach the
// printer unchanged. 0, or 172 DEVICEIOERROR with the tool's words (or
// the reason it could not run) in *message.
Status Submit(const std::string& queue, const std::string& title, const std::string& file, bool raw,
              std::string* message);

struct Paper {
  int widthMm = 0;
  int heightMm = 0;
};
Paper LocalePaper();
// Replaces the paper query (null puts the locale's back).
using PaperQuery = Paper (*)();
void PaperQueryInstall(PaperQuery query);

}  // namespace print
