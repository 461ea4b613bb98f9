// Printer jobs: raw spooling of a device's bytes to a print queue, and the
// page printer (device WINPRN) that draws the text on pages of its own.
// One job of each kind at a time. The queues are the system spooler's
// (platform/print/spooler.h).
//
// Raw spool (kind 0x10): SpoolBegin takes the named queue, or the default
// one for an empty name; the job's bytes collect in a temporary file that
// SpoolEnd hands to the queue as one raw job and deletes, so a run that
// dies submits no half job. An empty job is not submitted. Errors: 141 no
// default queue, 163 no queue of that name (the name in the detail), 172
// a file that cannot be made or written, a second job while one runs, or a
// job the spooler refused (its words in the detail). A job whose writing
// failed is dropped at its end, never submitted, and SpoolEnd answers 172.
//
// The page printer (kind exactly 0x80): GdiPrintBegin asks for the queue in
// a choice window (the default first; Esc 122, no queue 141) and lays the
// pages out at 600 dots per inch on the locale's paper (A4 when unknown),
// swapped with "/LANDSCAPE" in the device string. The page model:
//
//   columns       136 when VERTRES < HORZRES (landscape), else 80
//   lines         64 when HORZRES < VERTRES (portrait), else 36
//   cell width    HORZRES x 175 / (columns x 100)
//   line height   (VERTRES x 92 / 100) / lines
//   top           VERTRES x 5 / 100
//   left margin   VERTRES x 4 / 100 (of the page height)
//   bottom limit  VERTRES x 97 / 100
//
// each quotient to the nearest integer, halves away from zero. Pages break
// at the bottom limit only (the device's /LP does not move them). Control
// characters at the start of a piece of text (each piece ends at CR LF)
// choose the font: SI size code 0x40, SO 0xD0, DC2 and DC4 0 (the last one
// wins); DLE underline, FS bold, RS italic (added up); DC1, GS and US do
// nothing. A piece without them keeps the font before. A font is Courier
// (bold and oblique faces by the attributes, underline drawn as a line),
// cell width x 3 / 4 high and (code / 2) & 0x7F wide, code 0 standing for
// the cell width. Each page is drawn into a PDF document that GdiPrintEnd
// submits as an ordinary job; a job without pages submits nothing. Errors:
// 172 for a document that cannot be made or saved, a failed text, a second
// job, or a job the spooler refused.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// 0 when a printer of that name exists, else 163 (nothing recorded).
Status SpoolPrinterExists(StrValue name);
Status SpoolBegin(StrValue printer, StrValue document);
Status SpoolWrite(StrValue bytes);
Status SpoolEnd();

Status GdiPrintBegin(StrValue spec, StrValue document);
Status GdiPrintText(StrValue text);
Status GdiPrintEnd();

// The page model of a page of HORZRES x VERTRES dots.
struct GdiGeometry {
  int columns, lines, cell, lineHeight, top, left, bottom;
};
GdiGeometry GdiGeometryOf(int horzres, int vertres);
// The locale's paper at 600 dots per inch (A4 when unknown), swapped for
// landscape.
void GdiPaperDots(bool landscape, int* horzres, int* vertres);

// Font attribute bits.
enum GdiAttr : int { kGdiUnderline = 1, kGdiBold = 2, kGdiItalic = 4 };

// The state of the page printer's job.
struct GdiPageState {
  bool active = false;
  int horzres = 0, vertres = 0;
  GdiGeometry geometry{};
  int x = 0, y = 0;  // y 0: no page open
  int pages = 0;
  int fontCode = 255;   // the selected font: 255 and no attributes is the default
  int fontAttrs = 0;
  int fontHeight = 0;   // in dots
  int fontWidth = 0;
};
const GdiPageState& GdiPageStateGet();
void GdiSelectFont(int code, int attrs);
void GdiNewPage();
void GdiEnsureRoom();
Status GdiTextOut(StrValue text);
