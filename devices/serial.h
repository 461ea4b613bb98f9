// Serial ports: output devices whose names are COM, a port number and a
// colon ("COM1:9600,N,8,1": baud, parity letter, data bits, stop bits) and
// the ports of barcode scanners (devices/scanner.h).
//
// ComPortTable holds four slots (0-3); a slot is taken by ComOpen and given
// back by ComClose, and it is the handle a device record keeps. The port
// itself is the terminal device of platform/serial (COMn is the device of
// KX_COMn, else /dev/ttyS<n-1>), opened exclusively. Input is not read by a
// thread: ComTimerStart polls the port every kComPollMs on the user-interface
// thread's timers, and the poll only posts MSG_DEVICE_DATA (0x88E0, wParam
// the slot, lParam the bytes waiting) to the window that owns the timer; the
// window's screen then reads the port. All I/O waits in poll(), never
// spinning; the overlapped flag of the device strings' callers has no
// meaning here and is accepted as given.
//
// Bytes a read took but did not hand out (the rest of an exact count, a
// burst not ended yet, what follows the end of a burst) are kept in the
// slot for its next read and count as waiting.
//
// Errors: 171 DEVICETIMEOUT (the port's name and device in the detail) when
// the port cannot be opened (missing, no access, in use); 0xFFFF, nothing
// left open, when no slot is free or the settings are unusable (a parity
// letter outside E, M, N, O, S, data bits outside 5-8, a speed the system
// lacks, a device that is no terminal); 0xFFFF from reads and writes that
// fail and for bad or free slots.
#pragma once
#include <cstdint>

#include "devices/serialline.h"
#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint16_t kComSlots = 4;
constexpr uint16_t kComReadMax = 384;       // one ComRead with count 0xFFFF
constexpr uint32_t kComLineReadMax = 4096;  // bytes one ComReadLine takes from the port
constexpr int kComWriteStallMs = 1000;      // a write that moves no byte so long fails
constexpr uint32_t kComPollMs = 350;
constexpr uint16_t kComAnyCount = 0xFFFF;   // ComRead: whatever waits

// Parity indexes of ComOpen: the positions in "EMNOS".
constexpr char kComParityLetters[] = "EMNOS";

// Opens the port (name "COMn:"), the parity given by its index in "EMNOS",
// stop bits 2 for two, anything else one: the slot 0-3, 0xFFFF, or 171.
uint16_t ComOpen(StrValue name, uint32_t baud, uint8_t dataBits, uint8_t parity, uint8_t stopBits,
                 bool overlapped);
// Opens the port of a serial device string: split at its first ':', the
// name (with the ':') and after it baud, parity letter (any case), data bits
// and stop bits separated by ','; the first character of the data and stop
// items is their digit. A string without ':', with nothing after it, or
// with a missing or unreadable item gives 0xFFFF.
uint16_t ComOpenSpec(StrValue spec, bool overlapped);
// Kills its poll timer, closes the port and frees the slot; slots above 3
// and free slots are ignored. Answers 0.
Status ComClose(uint16_t slot);
// Closes every open port (the end of a run, a test).
void ComCloseAll();
// Up to kComReadMax bytes (count kComAnyCount) or exactly count bytes:
// nothing waiting, or fewer than an exact count (those are kept), gives the
// error string 0xFFFF.
StrValue ComRead(uint16_t slot, uint16_t count);
// The text of one burst of input, put together across calls (SerialLine):
// each call takes what waits on the port (at most kComLineReadMax bytes)
// and never waits for more. The text of the first burst that has ended,
// without its line end; empty when none has ended yet (its bytes are held
// and count as waiting); the error string 146 STRINGTOOLONG for a burst of
// more than SerialLine::kLineMax bytes, taken whole to its end.
StrValue ComReadLine(uint16_t slot);
// Writes every byte: 0, or 0xFFFF when the write failed or the port took no
// byte for kComWriteStallMs.
uint16_t ComWrite(uint16_t slot, const char* bytes, uint32_t length);
// The bytes waiting on the port, 0xFFFF for a bad or free slot and for a
// line with an error or hung up.
uint16_t ComQueued(uint16_t slot);
// Starts the poll of the slot on the window's timers (id = slot, every
// kComPollMs); 0xFFFF for a bad or free slot or no such window.
uint16_t ComTimerStart(ui::Hwnd window, uint16_t slot);
// The poll: for an open slot whose line is well and has bytes waiting, posts
// MSG_DEVICE_DATA to the window with the slot and the count (at most
// 0xFFFF); otherwise nothing.
void ComTimerProc(ui::Hwnd window, ui::Msg message, uintptr_t slot, uint64_t nowMs);
