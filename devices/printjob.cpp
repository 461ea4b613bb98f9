#include "devices/printjob.h"

#include "runtime/seam.h"

Status SpoolPrinterExists(StrValue) { return SeamMissing("SpoolPrinterExists"); }
Status SpoolBegin(StrValue, StrValue) { return SeamMissing("SpoolBegin"); }
Status SpoolWrite(StrValue) { return SeamMissing("SpoolWrite"); }
Status SpoolEnd() { return SeamMissing("SpoolEnd"); }
Status GdiPrintBegin(StrValue, StrValue) { return SeamMissing("GdiPrintBegin"); }
Status GdiPrintText(StrValue) { return SeamMissing("GdiPrintText"); }
Status GdiPrintEnd() { return SeamMissing("GdiPrintEnd"); }
