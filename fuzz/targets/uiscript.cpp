// The window-system script reader: the steps of a headless run, parsed and
// each rendered back to its script line, which is read again.
#include "fuzz/harness.h"
#include "platform/ui/script.h"

KX_FUZZ_TARGET(uiscript) {
  std::vector<ui::Step> steps;
  std::string error;
  if (!ui::parse_script(FuzzText(data, size), steps, error)) return 0;
  std::string again;
  for (const ui::Step& s : steps) again += ui::describe(s) + "\n";
  std::vector<ui::Step> reread;
  ui::parse_script(again, reread, error);
  return 0;
}
