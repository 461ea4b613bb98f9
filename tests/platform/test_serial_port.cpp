// The serial ports' platform side: the names of the ports and the terminal
// settings a line gets (a pseudo-terminal cannot show data bits and parity
// enable, so they are checked here on the computed settings).
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/serial/port.h"
#include "platform/serial/port_termios.h"

namespace {

TEST(SerialPort, PortNamesAndTheirDevices) {
  setenv("KX_COM2", "/dev/ttyUSB0", 1);
  setenv("KX_COM3", "", 1);
  struct Case {
    const char* name;
    const char* path;
  } cases[] = {
      {"COM1:", "/dev/ttyS0"},   {"COM1", "/dev/ttyS0"},    {"com2:", "/dev/ttyUSB0"},
      {"COM3:", "/dev/ttyS2"},   {"COM255:", "/dev/ttyS254"}, {"COM0:", ""},
      {"COM256:", ""},           {"COM:", ""},              {"COM1X:", ""},
      {"LPT1:", ""},             {"COM-1:", ""},            {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(serial::PortPath(c.name), c.path) << c.name;
  unsetenv("KX_COM2");
  unsetenv("KX_COM3");
}

TEST(SerialPort, TheSettingsOfALine) {
  using serial::Parity;
  struct Case {
    serial::LineSettings line;
    speed_t speed;
    tcflag_t cflags;  // CSIZE, PARENB, PARODD, CMSPAR, CSTOPB
    bool checked;     // INPCK
  } cases[] = {
      {{9600, 8, Parity::None, false}, B9600, CS8, false},
      {{19200, 8, Parity::Even, false}, B19200, CS8 | PARENB, true},
      {{4800, 7, Parity::Odd, false}, B4800, CS7 | PARENB | PARODD, true},
      {{9600, 8, Parity::Mark, false}, B9600, CS8 | PARENB | PARODD | CMSPAR, true},
      {{9600, 8, Parity::Space, true}, B9600, CS8 | PARENB | CMSPAR | CSTOPB, true},
      {{115200, 5, Parity::None, true}, B115200, CS5 | CSTOPB, false},
      {{300, 6, Parity::None, false}, B300, CS6, false},
  };
  for (const Case& c : cases) {
    termios t{};
    t.c_lflag = ICANON | ECHO;
    t.c_iflag = IXON | ICRNL;
    t.c_cflag = CRTSCTS | HUPCL;
    ASSERT_TRUE(serial::LineTermios(c.line, &t)) << c.line.baud;
    EXPECT_EQ(cfgetospeed(&t), c.speed) << c.line.baud;
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), c.cflags) << c.line.baud;
    EXPECT_EQ((t.c_iflag & INPCK) != 0, c.checked) << c.line.baud;
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD | CRTSCTS), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
  }
  // Settings the system has no terminal for leave the settings as they were.
  for (serial::LineSettings bad : {serial::LineSettings{9601, 8}, serial::LineSettings{9600, 9},
                                   serial::LineSettings{9600, 4}}) {
    termios t{};
    t.c_cflag = HUPCL;
    EXPECT_FALSE(serial::LineTermios(bad, &t));
    EXPECT_EQ(t.c_cflag, static_cast<tcflag_t>(HUPCL));
  }
  EXPECT_TRUE(serial::SpeedKnown(9600));
  EXPECT_FALSE(serial::SpeedKnown(9601));
}

}  // namespace
