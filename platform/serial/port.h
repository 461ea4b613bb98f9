// Serial ports: the terminal devices behind the framework's COM ports.
//
// A port name "COMn" (n 1-255, a trailing ':' allowed) is the device named
// by the environment variable KX_COMn when it is set and not empty, else
// /dev/ttyS<n-1>. A port is opened read-write without becoming the
// controlling terminal, exclusively (TIOCEXCL, and an flock lock that also
// keeps out a second opener with the rights to pass TIOCEXCL), non-blocking
// and raw: the speed, data bits, parity (mark and space through CMSPAR) and
// stop bits given, receiver on, modem lines ignored, no flow control in
// either direction, reads that return at once with what is queued. DTR is
// raised and RTS dropped; a modem-control call that fails is no error
// (pseudo-terminals have no modem lines). Both queues are flushed once the
// settings are in place.
//
// Every wait is a poll() on the descriptor with a time-out in real time, so
// nothing spins. Nothing here records an error; the devices layer decides
// what a failure means. Single-threaded like the rest of the framework.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace serial {

// Parity settings, numbered as the framework's device strings count them.
enum class Parity : uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };

struct LineSettings {
  uint32_t baud = 9600;
  uint8_t dataBits = 8;  // 5-8
  Parity parity = Parity::None;
  bool twoStopBits = false;
};

// The device path of a port name; empty when the name is no COM port.
std::string PortPath(std::string_view name);
// True when the system has a line speed of exactly this many baud.
bool SpeedKnown(uint32_t baud);

// Opens and configures the device: the descriptor, or -1 with *status set to
// 171 DEVICETIMEOUT when it cannot be opened (missing, no access, in use) or
// 0xFFFF when it refuses the settings (a speed or data bits it lacks, no
// terminal); a failure leaves nothing open.
int Open(const std::string& path, const LineSettings& settings, Status* status);
// Gives up the exclusive use and closes the descriptor.
void Close(int fd);
// The bytes waiting to be read; -1 on an error or a hang-up of the line.
int Queued(int fd);
// Reads what is waiting, at most max bytes, without waiting: the count (0
// when nothing waits), -1 on an error or a hang-up.
int ReadNow(int fd, char* buf, size_t max);
// Waits at most timeoutMs for bytes to read: true when some are waiting,
// false on a time-out, an error or a hang-up.
bool WaitReadable(int fd, int timeoutMs);
// Writes every byte, waiting while the device's output queue is full: true
// when all were written, false on an error or when no byte could be written
// for stallMs.
bool WriteAll(int fd, const char* bytes, size_t n, int stallMs);

}  // namespace serial
