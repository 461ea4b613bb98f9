// The output layer: device strings, device records and the one text path
// every kind of output goes through (reports, print documents, DPRINT text).
//
// A device string is a name, optionally with parameters after a colon
// ("COM1:9600,N,8,1"), followed by the options /LP:n (lines per page),
// /WD:n (columns per line), /ST:n (step) and /VW:x (view when done),
// written NAME:value or NAME=value. An option counts only at the start of
// the string or after a blank and only when ":" or "=" follows, so a path
// such as "reports/STATS/out.txt /LP:5" keeps its directories. The name is
// the text before the first option, trimmed; an empty name means "CON".
//
// DevParse turns a string into a DevRecord and opens it; the record is
// copied by value between callers, and the handle it holds belongs to the
// table of its kind path. DevWrite wraps at the page width, maps national
// letters and the in-band control characters for the device (printer code
// page and printer-table sequences on ports, blanks or nothing elsewhere,
// untouched for PDF and the page printer), hands the bytes to the kind's path and keeps the page,
// line and column counters, which it publishes to _DEVHIG, _DEVWID, _DEVLIN,
// _DEVPOS and _DEVPAG after every write.
//
// Kinds (DevKind): 0x01 a file written through a stream slot, 0x02 the
// screen (a temporary file shown in the report window), 0x04 a printer port,
// 0x08 a serial port, 0x10 a raw spool job, 0x20 a PDF document, 0x40 the
// printer-table sequences and code page; 0x80 is always set, and exactly
// 0x80 is the page printer. LPT1 is 0xC5, COM1: 0xC8, a text file 0x81, a
// PDF file 0xA0, CON 0x82. Ports LPT1-6 write to the file, FIFO or device
// node their name (or the string variable LPTn$) names, unless that name is
// a print queue: then the port prints there as a raw job (kind 0xD4, its
// sequences and code page included), as any file-like name that is a queue
// does while _SYSCOMPAT has bit 128 (which also makes WINPRN the page
// printer). Serial, PDF, spool and page-printer output go through the kind
// paths of devpath.h.
//
// Statuses: a record carries the status of its last operation; once it is
// not 0, DevWrite and DevWriteRaw write nothing and answer it again, so a
// failed device never produces half its output. Errors: the code of an
// error string given as device string; the stream layer's 163, 164 or 168
// when a file cannot be opened (recorded with module 21 and the file name);
// 172 for a failed write (recorded with the device name); 171 when a serial
// write took more than a second; the kind path's own codes.
//
// A text wraps when it would reach past the width: a text that exactly fills
// the rest of the line is written whole and the line ends after it.
//
// Counters run from 1. A target line below 1 means the current line, and
// negative page sizes count as 0 (no paging, no wrapping), so positioning
// always ends. Counters count the text as given, before control characters
// are removed or replaced.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Kind bits.
enum DevKindBit : uint8_t {
  kDevFile = 0x01,
  kDevScreen = 0x02,
  kDevPort = 0x04,
  kDevSerial = 0x08,
  kDevSpool = 0x10,
  kDevPdf = 0x20,
  kDevPrinterCodes = 0x40,
  kDevAlways = 0x80,
};
constexpr uint8_t kDevPagePrinter = 0x80;  // the whole kind byte
constexpr uint16_t kDevClosed = 0xFFFF;    // the handle of a closed record

struct DevRecord {
  uint8_t kind = 0;
  uint16_t handle = 0;   // stream slot, serial slot or PDF slot, by kind
  int16_t printer = 0;   // 1-6 for LPT1-LPT6, else 0
  Status status = 0;     // last status of the device
  int16_t lines = 0;     // lines per page, 0 = no paging
  int16_t width = 0;     // columns per line, 0 = no wrapping
  int16_t step = 1;      // read by the report engine
  uint8_t view = 0;      // 1: show the output when done
  uint16_t page = 1;
  uint16_t line = 1;
  uint16_t column = 1;
  char* name = nullptr;  // NUL-terminated, a block of owner 21; freed by DevClose

  StrValue Name() const;
};

// Parses and opens a device string; a failed open is reported through the
// record's status. The name block is made only when the open succeeded.
DevRecord DevParse(StrValue spec);
// The name part of a device string (trimmed, options cut off).
StrValue DevStripOptions(StrValue spec);
// The options part of a device string (from the first option on; empty when
// there is none).
StrValue DevOptionsPart(StrValue spec);
// An option's value as a 16-bit integer (yes words give 1), or the default
// when the option is absent or empty.
int16_t DevOption(StrValue spec, const char* option, int16_t def);
uint8_t DevKind(StrValue name);
// The file a port or serial name stands for: the string variable NAME$ when
// the name is a plain variable name and that variable is set, else the name.
// Other kinds (bits 0x04 and 0x08 clear, kind not 0) keep the name.
StrValue DevFullPath(StrValue name, uint8_t kind);

Status DevOpen(DevRecord& rec, StrValue spec);
// Sends the port's "off" sequences, closes by kind and frees the name; a
// record already closed is left alone.
Status DevClose(DevRecord& rec);
Status DevWrite(DevRecord& rec, StrValue text);
Status DevWriteRaw(DevRecord& rec, StrValue bytes);
Status DevGotoLineCol(DevRecord& rec, int32_t line, int32_t column);
void DevNewLine(DevRecord& rec);
void DevCountText(DevRecord& rec, StrValue text);
Status DevFinish(DevRecord& rec);
void DevCountersPublish(DevRecord& rec, bool reload);
bool DevWrapNeeded(const DevRecord& rec, uint32_t length);

// The national letters of a text mapped for the device: the printer code
// page on 0x40 devices (control characters kept), elsewhere the letters kept
// and SO, SI and DC2 made blanks; PDF devices and the page printer get the
// text unchanged.
StrValue DevTranslate(const DevRecord& rec, StrValue text);
// Each of the ten control characters 0x0F 0x12 0x0E 0x14 0x10 0x11 0x1C
// 0x1D 0x1E 0x1F replaced, where it stands, by the printer-table field of
// the same index (0-9) of the device's port on 0x40 devices, removed on the
// others; PDF devices and the page printer keep them.
StrValue DevCtrlCodesApply(const DevRecord& rec, StrValue text);
// Sends the "off" sequences (fields 1, 3, 5, 7, 9) of a port, stopping at
// the first failure; other kinds answer 0.
Status DevSendPortCodes(DevRecord& rec);
