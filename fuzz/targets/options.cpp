// The command line and its options, and path expansion: the input's first
// line is the command line the runtime starts with (its options read by
// name and number), the rest a path given to every expansion and splitter.
#include "fuzz/harness.h"
#include "runtime/options.h"
#include "runtime/paths.h"

KX_FUZZ_TARGET(options) {
  std::string_view text = FuzzText(data, size);
  size_t nl = text.find('\n');
  std::string line = "KX.EXE " + std::string(text.substr(0, nl));
  std::string_view rest = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
  FuzzSession session(line);
  if (!session.ok()) return 0;
  const StrAreaScope scope;
  for (int n = 1; n <= kOptionCount; ++n) OptValue(n), OptName(n);
  OptLookup(StrFromC("DPATH"));
  OptValueByName("RUN");
  OptIsIn(OPT_MODE, StrFromC("PRNTOFILE,NOLOG"));
  StrValue path = FuzzStr(rest);
  PathExpand(path);
  AppVarValue(path);
  PathSlashes(path);
  for (int flags = 1; flags < 16; ++flags) PathSplit(path, flags);
  PathResolve(StrFromC("C:\\APPS\\DATA"), path);
  PathJoin(StrFromC("DIR"), path);
  PathAddExt(path, StrFromC("DAT"));
  FileSearch(StrFromC(".,SUB"), path);
  for (int kind = 0; kind < 8; ++kind) AppPathJoin(path, kind);
  return 0;
}
