// Serial ports as output devices: names COM, a port number and a colon,
// then baud, parity letter, data bits and stop bits ("COM1:9600,N,8,1").
// Up to four ports are open at a time; a port's slot (0-3) is the handle of
// its device record.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Opens the port of a serial device string: the slot 0-3, 0xFFFF when no
// slot is free or the port cannot be configured, 171 when it cannot be
// opened.
uint16_t ComOpenSpec(StrValue spec, bool overlapped);
// 0, or 0xFFFF when the write failed.
uint16_t ComWrite(uint16_t slot, const char* bytes, uint32_t length);
// Frees the slot; slots above 3 and free slots are ignored.
Status ComClose(uint16_t slot);
