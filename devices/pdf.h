// PDF documents: a device whose name has the extension PDF writes a PDF
// file. The device record's handle is the document's slot (0-7) in
// PdfSlotTable; eight documents can be open at once.
//
// Every page carries a header picture at its top left, at its own size:
// the path in system text item 3 (set per report by the report engine),
// else "pdf_header.png" searched in the default directories. The report's
// text is set line by line in Courier with the code page CP1252, the first
// baseline 80 points from the left and the top, 10 points between lines.
//
// Size codes at the start of a text, or at the end of a line, set the font
// size: SI 6 points, DC2 10, SO 14, DC4 10. A leading code takes effect
// for the line it starts; a trailing one for the lines after it. The size
// in force carries over to the next page. Other bytes below 0x20 are not
// shown (a NUL never cuts a line); a line made only of '=' and blanks (a
// separator) is left out. Text written without CR LF collects in the
// slot's line buffer, which grows with the line.
//
// Pages follow the device: a new page starts when the device's line goes
// back (lower, or the same line at a lower column), and also when the next
// baseline would fall below a 36-point bottom margin, so no text leaves the
// sheet; a line whose font is larger than 10 points moves down by its size,
// so it does not overlap the line above. A page is added to the document
// when its first text comes (so a report that names its picture after the
// device opened has it from page 1), and each picture is loaded once per
// document however many pages show it.
//
// Errors: 145 when all eight slots are busy (nothing created); 0xFFFF when
// the library makes no document; 164 naming the picture when it is missing
// or unreadable (the open then frees what it took). PdfDocClose saves the
// file and answers 137 with its name when that fails: no partial file is
// left and the slot is freed all the same. With the view option the saved
// file is opened in the PDF reader (viewer kind 3).
#pragma once
#include <cstdint>

#include "devices/device.h"

constexpr int kPdfSlots = 8;
constexpr char kPdfHeaderDefault[] = "pdf_header.png";

// Takes a slot and starts the document: the slot, 145 when all eight are
// taken, 0xFFFF when the document cannot be created, 164 when the picture
// is missing.
uint16_t PdfDocOpen(DevRecord& rec);
// Ends the current page (its text object too with endText); the next text
// starts a new page.
Status PdfNewPage(DevRecord& rec, bool endText);
Status PdfWriteText(DevRecord& rec, StrValue text);
// Stores the device's current line and column in the slot.
Status PdfSetPos(DevRecord& rec);
// Saves the document under the device name and frees the slot; handles
// that are no open slot are ignored.
Status PdfDocClose(DevRecord& rec);
// Open documents (for checks and tests).
int PdfSlotsBusy();
