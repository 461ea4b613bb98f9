// The INPUT command file: the input is the command file "FZINPUT.TXT" the
// runtime is started with (/INPUT), a line "@@@@", and a procedure
// "SUB.PRC" its commands may run. Each line is a menu command run in turn
// (procedures under the harness's statement budget); batch forms read their
// answers from the lines that follow.
#include "fuzz/harness.h"
#include "app/startup.h"

KX_FUZZ_TARGET(inputfile) {
  FuzzSession session("KX.EXE /INPUT:FZINPUT.TXT");
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 2);
  FuzzWriteFile("FZINPUT.TXT", part[0]);
  FuzzWriteFile("SUB.PRC", part[1]);
  const StrAreaScope scope;
  FuzzAppSettings();
  StartRunCommandFile();
  return 0;
}
