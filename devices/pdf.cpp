#include "devices/pdf.h"

#include "runtime/seam.h"

uint16_t PdfDocOpen(DevRecord&) { return SeamMissing("PdfDocOpen"); }
Status PdfWriteText(DevRecord&, StrValue) { return SeamMissing("PdfWriteText"); }
Status PdfSetPos(DevRecord&) { return SeamMissing("PdfSetPos"); }
Status PdfDocClose(DevRecord&) { return SeamMissing("PdfDocClose"); }
