#include "screens/fonts.h"

#include "runtime/seam.h"

void ScreenSizeDefault(int, int) {}
Status FontAdd(int, int, int, StrValue) { return SeamMissing("FontAdd"); }
Status AboutShow(StrValue) { return SeamMissing("AboutShow"); }
Status HelpShow(StrValue) { return SeamMissing("HelpShow"); }
