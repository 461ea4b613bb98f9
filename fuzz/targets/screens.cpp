// Screen definitions and layouts: the input is a layout "FZSCR.PAN", a line
// "@@@@", and a definition "FZSCR.PPN" (tagged lines "NN text"), for the
// fixed dictionary below. The screen of tag 1 is made on a maintenance
// window, its fields become controls, and the window is shown and closed.
#include "fuzz/harness.h"
#include "data/dictionary/dictionary.h"
#include "screens/window/fieldctl.h"
#include "screens/window/geometry.h"
#include "screens/window/winlist.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"

KX_FUZZ_TARGET(screens) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 2);
  FuzzWriteFile("FZDICC.DAT",
                "01 Customers**01CUST\r\n01 CODE  006 ACODE\r\n01 NAME  030 ANAME\r\n01 CREDI 010 2CREDIT\r\n"
                "01 SINCE 008 DSINCE\r\n31 <0001006\r\n01 Zones**01ZONE\r\n01 ZCODE 004 AZCODE\r\n"
                "01 ZNAME 020 AZNAME\r\n");
  FuzzWriteFile("FZSCR.PAN", part[0]);
  FuzzWriteFile("FZSCR.PPN", part[1]);
  const StrAreaScope scope;
  FuzzAppSettings();
  if (DicLoad(StrFromC("."), StrFromC("FZ"), StrFromC(".")) != 0) return 0;
  ui::Hwnd w = WinCreateKind(kWinKindMant, 0, StrFromC("Fuzz"), 0, 0, 0, ScreenWndProc);
  if (!w) return 0;
  if (ScreenCreate(StrFromC("FZSCR"), StrFromC("FZSCR"), 1, 0, StrFromC("")) == 0 && ScreenSetWin(0) == 0)
    WinShowState(kWinShowNow);
  return 0;
}
