// The help text reader: the input is a help text file "FZHELP.HLP", a line
// "@@@@", and lines "file,section" each shown as HelpTextShow shows it (an
// empty file name is the program's own help file, which is the same file).
#include "fuzz/harness.h"
#include "screens/menus/help.h"

KX_FUZZ_TARGET(helptext) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 2);
  FuzzWriteFile("FZHELP.HLP", part[0]);
  const StrAreaScope scope;
  FuzzAppSettings();
  std::string_view specs = part[1];
  for (int n = 0; n < 64 && !specs.empty(); ++n) {
    size_t end = specs.find('\n');
    const StrAreaScope line;
    HelpTextShow(FuzzStr(specs.substr(0, end)));
    specs = end == std::string_view::npos ? std::string_view() : specs.substr(end + 1);
  }
  return 0;
}
