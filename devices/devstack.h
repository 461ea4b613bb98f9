// The device statements of procedures and their stack of open devices.
//
// DEVICE opens a device on top of at most seven; the top is the current
// output device of DPRINT, DLOCATE, REPORT and DOCPRINT, and ENDDEVICE
// finishes, closes and pops it. A device that failed to open is pushed all
// the same (its status is in _STAT), so every DEVICE keeps its ENDDEVICE;
// printing on it answers its status.
//
// Errors: 168 DATAOUTBOUND for an eighth DEVICE and for DLOCATE, DPRINT and
// ENDDEVICE without an open device (recorded with module 21 and the
// statement's name). DEVICE leaves its outcome in _STAT and answers 0: the
// device's status, 122 when the device selection was cancelled, or the
// selection's own error code.
#pragma once
#include <cstdint>

#include "devices/device.h"

constexpr int kDevStackMax = 7;

// The current output device, null when none is open.
DevRecord* DevStackTop();
int DevStackDepth();

Status DevStmtDevice(StrValue spec);
Status DevStmtLocate(int32_t line, int32_t column);
// Writes the text with wrapping and counters, or raw (no wrapping,
// translation or counting) when raw is set.
Status DevStmtPrint(StrValue text, bool raw);
Status DevStmtEnd();
// Closes every open device, newest first, without finishing them (the end
// of the run).
void DevStackCloseAll();
// Registers DEVICE a1, DLOCATE line,column, DPRINT text[,raw] and ENDDEVICE
// with the statement handlers (fewer arguments than those named: 147).
void DevStatementsRegister();
