// Barcode scanners on data screens.
//
// A screen names its scanner in three properties: SCANDEF$ the serial
// device string of its port ("COM1:9600,N,8,1"), SCANWIN$ and SCANSET$
// comma lists with one item per field (a list shorter than the field number
// counts as empty there). The script variable CHKSCAN switches scanning on.
// While a serial scanner is active the system integer `_SERIAL` holds 0x100
// | its port slot, else 0; one scanner is active at a time.
//
// A scan reaches the screen in one of two ways: a serial port polled every
// 350 ms whose window then reads it (ScanPoll with the slot), or a
// keyboard-wedge scanner, whose characters after GS the field editor pushed
// on string list 30 (ScanPoll with kScanWedge). A scan of 1 to 20
// characters (trailing CR and LF taken off) goes to the current field
// (ScanDeliver); longer and empty ones are dropped.
//
// The screens reach these operations only through their hooks
// (screens/datascreens/scanhook.h), which start-up fills with them (app/hooks.cpp).
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint16_t kScanMaxLen = 20;
constexpr int16_t kSerialActive = 0x100;

// When CHKSCAN is non-zero and the current screen has a SCANDEF$: stops an
// active scanner, opens the port (not overlapped), sets `_SERIAL` and starts
// its poll on the top window. 0 when done or when there is nothing to
// start; 172 DEVICEIOERROR with SCANDEF$ in the detail when the port cannot
// be had (nothing then stays open).
Status ScanStart();
// When `_SERIAL` is not 0: closes the port of its low byte; `_SERIAL` 0.
Status ScanStop();
// Takes one scan, from the port slot or the wedge buffer (kScanWedge: the
// top item of string list 30, removed), and delivers it when it has 1 to 20
// characters. Answers ScanDeliver's status, else 0.
Status ScanPoll(uint16_t slot);
// _SCAN$ := text. Then, for the current field n when item n of SCANSET$ is
// not empty: item n of SCANWIN$ true (an empty item is false) clears the
// field and posts MSG_SCAN_FIELD to its control, which the screen turns
// into action 18; false puts the value of item n of SCANSET$ (evaluated as
// a text), when not empty, into the field as typed and raises action 1
// (Enter). A status above 121 is shown in the error box (then 0).
Status ScanDeliver(StrValue text);
