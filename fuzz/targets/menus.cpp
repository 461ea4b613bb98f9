// The menu file reader and the menu bar built from it: the input is a menu
// file "FZMENU.PMT", a line "@@@@", and a definition file "FZTREE.PPN" whose
// MENU$, CALLER$, LOAD$ and EXEC$ parameters expand into a menu tree.
#include "fuzz/harness.h"
#include "platform/ui/ui.h"
#include "screens/menus/menubar.h"
#include "screens/menus/menufile.h"
#include "screens/menus/menutree.h"

KX_FUZZ_TARGET(menus) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 2);
  FuzzWriteFile("FZMENU.PMT", part[0]);
  FuzzWriteFile("FZTREE.PPN", part[1]);
  const StrAreaScope scope;
  FuzzAppSettings();
  if (ui::Hmenu bar = MenuLoad(StrFromC("FZMENU"))) ui::menu_destroy(bar);
  if (ui::Hmenu bar = MenuLoad(StrFromC("FZTREE"))) ui::menu_destroy(bar);
  MenuReaderDrain();
  return 0;
}
