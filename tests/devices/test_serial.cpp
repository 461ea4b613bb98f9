// Serial ports over pseudo-terminals: the settings a device string gives,
// the four slots, exclusive use, bursts put together across reads that
// never wait, writes that stall, the 350 ms poll on the window timers and
// COM output devices.
#include <termios.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "devices/device_fixture.h"
#include "devices/devstack.h"
#include "devices/serial.h"
#include "platform/host/clock.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "support/headless_fixture.h"
#include "support/pty_pair.h"

namespace {

class SerialTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    for (int i = 0; i < 5; ++i) {
      ptys_.push_back(std::make_unique<PtyPair>());
      ASSERT_TRUE(ptys_.back()->ok());
      setenv(("KX_COM" + std::to_string(i + 1)).c_str(), ptys_.back()->slave().c_str(), 1);
    }
  }
  void TearDown() override {
    ComCloseAll();
    for (int i = 1; i <= 6; ++i) unsetenv(("KX_COM" + std::to_string(i)).c_str());
    if (ui::headless()) ui::shutdown();
    DeviceTest::TearDown();
  }
  PtyPair& Pty(int n) { return *ptys_[static_cast<size_t>(n - 1)]; }
  uint16_t Open(const std::string& spec) { return ComOpenSpec(S(spec), false); }
  // Until the port sees n bytes (the pseudo-terminal passes them on a little later).
  bool Queued(uint16_t slot, uint16_t n) {
    return WaitUntil([&] { return ComQueued(slot) != 0xFFFF && ComQueued(slot) >= n; });
  }
  std::string Line(uint16_t slot) {
    const StrAreaScope scope;
    return ComReadLine(slot).Str();
  }
  std::vector<std::unique_ptr<PtyPair>> ptys_;
};

TEST_F(SerialTest, ADeviceStringSetsTheLine) {
  // A pseudo-terminal keeps the speed, stop bits and the odd, mark and space
  // bits it is given, but always reads back 8 data bits without parity
  // enable; the platform tests check those on the computed settings.
  struct Case {
    const char* spec;
    speed_t speed;
    tcflag_t parity;  // PARODD and CMSPAR as set
    bool twoStops;
  } cases[] = {
      {"COM1:9600,N,8,1", B9600, 0, false},
      {"COM1:19200,E,8,1", B19200, 0, false},
      {"COM1:4800,o,8,1", B4800, PARODD, false},
      {"COM1:9600,M,8,1", B9600, PARODD | CMSPAR, false},
      {"COM1:9600,S,8,1", B9600, CMSPAR, false},
      {"COM1:115200, N ,7,2", B115200, 0, true},
      {"COM1:2400,N,5,15", B2400, 0, false},  // the first character of the item counts
  };
  for (const Case& c : cases) {
    uint16_t slot = Open(c.spec);
    ASSERT_EQ(slot, 0) << c.spec;
    termios t = Pty(1).Settings();
    EXPECT_EQ(cfgetispeed(&t), c.speed) << c.spec;
    EXPECT_EQ(cfgetospeed(&t), c.speed) << c.spec;
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), c.parity) << c.spec;
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStops) << c.spec;
    // Raw, receiver on, modem lines ignored, no flow control, reads at once.
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u) << c.spec;
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD | CRTSCTS), static_cast<tcflag_t>(CLOCAL | CREAD)) << c.spec;
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u) << c.spec;
    EXPECT_EQ(t.c_cc[VMIN], 0) << c.spec;
    EXPECT_EQ(ComClose(slot), 0);
  }
}

TEST_F(SerialTest, UnusableStringsOpenNothing) {
  const char* bad[] = {"COM1:9600,X,8,1", "COM1:9600,N,9,1", "COM1:9600,N,4,1", "COM1:9601,N,8,1",
                       "COM1:abc,N,8,1",  "COM1:9600,N,,1",  "COM1:9600",       "COM1:",
                       "COM1",            "COM1:9600,NE,8,1", "COM1:9600,N,8"};
  int before = OpenDescriptorCount();
  for (const char* spec : bad) {
    ErrClear();
    EXPECT_EQ(Open(spec), 0xFFFF) << spec;
    EXPECT_EQ(ErrGet(), 0u) << spec;
    EXPECT_EQ(OpenDescriptorCount(), before) << spec;
  }
  // A device that is no terminal refuses the settings; nothing stays open.
  setenv("KX_COM6", "/dev/null", 1);
  EXPECT_EQ(Open("COM6:9600,N,8,1"), 0xFFFF);
  EXPECT_EQ(OpenDescriptorCount(), before);
  EXPECT_EQ(Open("COM1:9600,N,8,1"), 0);  // and the port was left free
}

TEST_F(SerialTest, FourSlotsAndExclusivePorts) {
  for (uint16_t n = 1; n <= 4; ++n) EXPECT_EQ(Open("COM" + std::to_string(n) + ":9600,N,8,1"), n - 1);
  EXPECT_EQ(Open("COM5:9600,N,8,1"), 0xFFFF);
  EXPECT_EQ(ComClose(1), 0);
  EXPECT_EQ(ComClose(1), 0);  // a free slot
  EXPECT_EQ(ComClose(5), 0);  // no such slot
  EXPECT_EQ(ComWrite(1, "x", 1), 0xFFFF);
  EXPECT_EQ(Open("COM5:9600,N,8,1"), 1);

  // A port in use, a missing device and a name that is no port: 171 with the name.
  ComClose(3);
  struct Case {
    const char* spec;
    const char* detail;
  } cases[] = {
      {"COM1:9600,N,8,1", "COM1: ("},
      {"COM6:9600,N,8,1", "COM6: (/no/such/tty)"},
      {"LPT1:9600,N,8,1", "LPT1: (no such port)"},
  };
  setenv("KX_COM6", "/no/such/tty", 1);
  for (const Case& c : cases) {
    ErrClear();
    EXPECT_EQ(Open(c.spec), st::DEVICETIMEOUT) << c.spec;
    EXPECT_EQ(ErrGet(), st::DEVICETIMEOUT | (MOD_DEVICES << 16)) << c.spec;
    EXPECT_TRUE(ErrDetail().Str().starts_with(c.detail)) << ErrDetail().Str();
  }
  EXPECT_EQ(Open("COM4:9600,N,8,1"), 3);  // the failures left slot 3 free
}

TEST_F(SerialTest, ReadsKeepWhatTheyDoNotHandOut) {
  uint16_t slot = Open("COM1:9600,N,8,1");
  const StrAreaScope scope;
  EXPECT_EQ(StrError(ComRead(slot, kComAnyCount)), 0xFFFF);  // nothing waits
  Pty(1).Send("ABCDE");
  ASSERT_TRUE(Queued(slot, 5));
  EXPECT_EQ(StrError(ComRead(slot, 8)), 0xFFFF);  // fewer than asked: kept
  EXPECT_EQ(ComQueued(slot), 5);
  Pty(1).Send("FGHIJ");
  ASSERT_TRUE(Queued(slot, 10));
  EXPECT_EQ(ComRead(slot, 8).Str(), "ABCDEFGH");
  EXPECT_EQ(ComRead(slot, kComAnyCount).Str(), "IJ");

  Pty(1).Send(std::string(500, 'z'));
  ASSERT_TRUE(Queued(slot, 500));
  EXPECT_EQ(ComRead(slot, kComAnyCount).len, kComReadMax);
  EXPECT_EQ(ComRead(slot, kComAnyCount).len, 500 - kComReadMax);
  EXPECT_EQ(StrError(ComRead(7, kComAnyCount)), 0xFFFF);
}

TEST_F(SerialTest, ABurstEndsAtALineEndOrWhenTheSecondHasChanged) {
  ManualClock clock;
  clock.SetNowMs(9 * 3600 * 1000 + 100);  // 09:00:00.100
  ClockScope scope(&clock);
  uint16_t slot = Open("COM1:9600,N,8,1");
  EXPECT_EQ(Line(slot), "");  // nothing waits: at once

  Pty(1).Send("12345\r");
  ASSERT_TRUE(Queued(slot, 6));
  EXPECT_EQ(Line(slot), "12345");

  // Line ends in front are skipped; what follows the end waits for the next read.
  Pty(1).Send("\r\n987\r\nXYZ\r");
  ASSERT_TRUE(Queued(slot, 11));
  EXPECT_EQ(Line(slot), "987");
  EXPECT_EQ(ComQueued(slot), 3);
  EXPECT_EQ(Line(slot), "XYZ");

  // Pieces read at two polls are one scan, even across a second of the clock.
  Pty(1).Send("123");
  ASSERT_TRUE(Queued(slot, 3));
  EXPECT_EQ(Line(slot), "");
  EXPECT_EQ(ComQueued(slot), 3);  // held, so the poll asks again
  clock.Advance(1300);
  Pty(1).Send("45\r");
  ASSERT_TRUE(Queued(slot, 6));
  EXPECT_EQ(Line(slot), "12345");

  // Without a line end the burst ends at the first read that finds nothing
  // once the clock's second has changed.
  Pty(1).Send("777");
  ASSERT_TRUE(Queued(slot, 3));
  EXPECT_EQ(Line(slot), "");
  clock.Advance(350);
  EXPECT_EQ(Line(slot), "");  // the same second
  clock.Advance(350);
  EXPECT_EQ(Line(slot), "777");
  EXPECT_EQ(ComQueued(slot), 0);

  // A burst longer than is held is taken whole to its line end and refused;
  // nothing of it is left to pass for a scan.
  Pty(1).Send(std::string(SerialLine::kLineMax + 6, '9') + "\r42\r");
  ASSERT_TRUE(Queued(slot, SerialLine::kLineMax + 10));
  EXPECT_EQ(StrError(ComReadLine(slot)), st::STRINGTOOLONG);
  EXPECT_EQ(Line(slot), "42");
  EXPECT_EQ(ComQueued(slot), 0);
}

// No read waits for the device: a slow one and one that never stops are
// read a piece at a time, each read back at once. (The clock stands still,
// so only the line end ends the slow one's burst.)
TEST_F(SerialTest, AReadNeverWaitsForTheDevice) {
  ManualClock clock(9 * 3600 * 1000);
  ClockScope still(&clock);
  uint16_t slot = Open("COM1:9600,N,8,1");
  auto timed = [&](std::string* got) {
    auto start = std::chrono::steady_clock::now();
    *got = Line(slot);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  };
  std::atomic<bool> stop = false;
  std::thread slow([&] {
    for (char c : std::string("4300\r")) {
      Pty(1).Send(std::string(1, c));
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
  });
  std::string got, scan;
  long longest = 0;
  for (int i = 0; i < 100 && scan.empty(); ++i) {
    longest = std::max(longest, static_cast<long>(timed(&got)));
    if (!got.empty()) scan = got;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  slow.join();
  EXPECT_EQ(scan, "4300");
  EXPECT_LT(longest, 50);

  std::thread endless([&] {
    while (!stop) {
      Pty(1).Send(std::string(64, 'x'));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  ASSERT_TRUE(Queued(slot, 1));
  longest = 0;
  for (int i = 0; i < 20; ++i) {
    longest = std::max(longest, static_cast<long>(timed(&got)));
    EXPECT_EQ(got, "");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  stop = true;
  endless.join();
  EXPECT_LT(longest, 50);
  EXPECT_LE(ComQueued(slot), 0xFFFE);
}

TEST_F(SerialTest, WritesReachTheDeviceOrFailWhenItTakesNothing) {
  uint16_t slot = Open("COM1:9600,N,8,1");
  EXPECT_EQ(ComWrite(slot, "hello", 5), 0);
  EXPECT_EQ(Pty(1).Receive(5), "hello");
  // Nobody reads the device: the queue fills and the write gives up.
  std::string big(1 << 20, 'w');
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ComWrite(slot, big.data(), static_cast<uint32_t>(big.size())), 0xFFFF);
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_GE(took.count(), kComWriteStallMs - 50);
  EXPECT_LT(took.count(), 4 * kComWriteStallMs);
}

// A window that keeps the device messages it gets.
std::vector<std::pair<ui::WParam, ui::LParam>> g_data;
ui::LResult DataProc(ui::Hwnd h, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  if (m == ui::MSG_DEVICE_DATA) g_data.emplace_back(wp, lp);
  return ui::def_window_proc(h, m, wp, lp);
}

TEST_F(SerialTest, ThePollPostsDeviceDataEvery350Ms) {
  std::vector<std::string> reports;
  ui::Headless* hl = HeadlessInstall(&reports);
  ui::register_class("Data", DataProc);
  ui::CreateSpec spec{};
  spec.cls = "Data";
  ui::Hwnd w = ui::create_window(spec);
  g_data.clear();
  auto after = [&](int ms) {
    hl->advance_clock(static_cast<uint64_t>(ms));
    ui::pump_pending();
  };

  Open("COM1:9600,N,8,1");
  uint16_t slot = Open("COM2:9600,N,8,1");
  EXPECT_EQ(ComTimerStart(w, 0), 0);
  EXPECT_EQ(ComTimerStart(w, slot), 0);
  EXPECT_EQ(ComTimerStart(w, 2), 0xFFFF);  // a free slot
  EXPECT_EQ(ComTimerStart(99, 0), 0xFFFF);  // no such window
  after(340);
  EXPECT_TRUE(g_data.empty());

  // Bytes wait on the second port only: one message, for it, at 350 ms.
  Pty(2).Send("42\r");
  ASSERT_TRUE(Queued(slot, 3));
  after(10);
  EXPECT_EQ(g_data, (std::vector<std::pair<ui::WParam, ui::LParam>>{{slot, 3}}));
  EXPECT_EQ(Line(slot), "42");
  g_data.clear();
  after(350);
  EXPECT_TRUE(g_data.empty());  // read: nothing waits any more

  // A hung-up line and a closed port post nothing.
  g_data.clear();
  Pty(2).CloseMaster();
  after(350);
  Pty(1).Send("7");
  ASSERT_TRUE(Queued(0, 1));
  ComClose(0);
  after(700);
  EXPECT_TRUE(g_data.empty());
  EXPECT_TRUE(reports.empty());
}

TEST_F(SerialTest, AComDeviceWritesToThePort) {
  ASSERT_EQ(DevStmtDevice(S("COM1:9600,N,8,1")), 0);
  EXPECT_EQ(VarSysIntGet(kSysStat), 0);
  EXPECT_EQ(DevStmtPrint(S("ABC"), false), 0);
  EXPECT_EQ(DevStmtEnd(), 0);
  EXPECT_EQ(Pty(1).Receive(3), "ABC");
  EXPECT_EQ(Open("COM1:9600,N,8,1"), 0);  // ENDDEVICE gave the port back

  ComCloseAll();
  ErrClear();
  setenv("KX_COM1", "/no/such/tty", 1);
  ASSERT_EQ(DevStmtDevice(S("COM1:9600,N,8,1")), 0);
  EXPECT_EQ(VarSysIntGet(kSysStat), st::DEVICETIMEOUT);
  EXPECT_EQ(DevStmtEnd(), 0);
  DevStackCloseAll();
}

}  // namespace
