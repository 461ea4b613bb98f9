// The printer-port table: byte sequences and page defaults of LPT1-LPT6.
//
// The table file KXPRNP00.DAT is found along the default directory list
// (settings item 5) and read whole:
//
//   offset               size  content
//   0                    160   head: a caption line ended by CR (items 1-10
//                              caption the sequences, 11 width, 12 lines);
//                              the rest is not interpreted
//   160 + (p - 1) x 96   96    the record of port LPTp, p = 1..6
//
// A record holds twelve 8-byte fields; a sequence is its field less the NUL
// bytes at its end (NULs in between are kept):
//
//   field  offset  control character  meaning
//   0      0       0x0F SI            condensed on
//   1      8       0x12 DC2           condensed off; also sent at the end
//   2      16      0x0E SO            wide on
//   3      24      0x14 DC4           wide off
//   4      32      0x10 DLE           underline on
//   5      40      0x11 DC1           underline off
//   6      48      0x1C FS            bold on
//   7      56      0x1D GS            bold off
//   8      64      0x1E RS            italic on
//   9      72      0x1F US            italic off
//   10     80      -                  first byte: page width (0-255)
//   11     88      -                  first byte: lines per page (0-255)
//
// In memory the table is item 0 of the system text list: the default record
// (96 NUL bytes, byte 80 = 80, byte 88 = 72) followed by the file's bytes
// from offset 160, cut back to whole records (a partial record reads as the
// default one). So a missing file gives every port width 80, 72 lines and
// empty sequences. The table is read on first use and kept for the run;
// PrnTableForget drops it (after the file was edited).
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr char kPrnTableFile[] = "KXPRNP00.DAT";
constexpr uint32_t kPrnHeadSize = 160;
constexpr uint32_t kPrnRecordSize = 96;
constexpr uint32_t kPrnFieldSize = 8;
constexpr int kPrnPorts = 6;
constexpr int kPrnFieldWidth = 10;
constexpr int kPrnFieldLines = 11;

// Loads the table unless it is loaded; a missing file is not an error.
// Answers the store's code when the table cannot be kept.
Status PrnTableLoad();
// Field n (0-11) of port p (1-6); p = 0 or a port beyond the table reads the
// default record, a field number outside 0-11 the empty text. A copy in the
// string area.
StrValue PrnTableField(int n, int p);
// The first byte of a field as an unsigned number (0 for an empty field).
uint8_t PrnTableByte(int n, int p);
void PrnTableForget();
