// Printer jobs: raw spooling of a device's bytes to a named printer, and
// the page printer (device WINPRN) that draws the text on pages of its own.
// One job of each kind at a time.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// 0 when a printer of that name exists, else an error code.
Status SpoolPrinterExists(StrValue name);
Status SpoolBegin(StrValue printer, StrValue document);
Status SpoolWrite(StrValue bytes);
Status SpoolEnd();
Status GdiPrintBegin(StrValue spec, StrValue document);
Status GdiPrintText(StrValue text);
Status GdiPrintEnd();
