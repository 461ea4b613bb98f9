// The terminal settings of a line, for platform/serial and its tests only
// (it brings the system's terminal header with it).
#pragma once
#include <termios.h>

#include "platform/serial/port.h"

namespace serial {

// Makes t the raw line of the settings (speed, data bits, parity with
// input checking, stop bits; receiver on, modem lines ignored, no flow
// control, reads that return at once). False, t untouched, when the system
// lacks the speed or the data bits are not 5-8.
bool LineTermios(const LineSettings& s, termios* t);

}  // namespace serial
