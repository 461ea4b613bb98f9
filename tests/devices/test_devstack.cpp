// The device statements and their stack of seven.
#include <string>

#include "devices/device_fixture.h"
#include "devices/devstack.h"
#include "runtime/errors.h"

namespace {

class DevStackTest : public DeviceTest {
 protected:
  void TearDown() override {
    DevStackCloseAll();
    DeviceTest::TearDown();
  }
  int16_t Stat() { return VarSysIntGet(kSysStat); }
};

TEST_F(DevStackTest, DeviceTwoPrintsAndEnddeviceGiveTheFile) {
  ASSERT_EQ(DevStmtDevice(S("out.txt /LP:20")), 0);
  EXPECT_EQ(Stat(), 0);
  ASSERT_NE(DevStackTop(), nullptr);
  EXPECT_EQ(DevStackTop()->lines, 20);
  EXPECT_EQ(DevStmtPrint(S("first line\r\n"), false), 0);
  EXPECT_EQ(DevStmtLocate(4, 3), 0);
  EXPECT_EQ(DevStmtPrint(S("fourth"), false), 0);
  EXPECT_EQ(VarSysIntGet(kSysDevLin), 4);
  EXPECT_EQ(VarSysIntGet(kSysDevPos), 9);
  EXPECT_EQ(DevStmtEnd(), 0);
  EXPECT_EQ(DevStackTop(), nullptr);
  EXPECT_EQ(Read("out.txt"), "first line\r\n\r\n\r\n  fourth");
}

TEST_F(DevStackTest, StatementsWithoutADeviceAndAnEighthDeviceAre168) {
  struct Case {
    const char* statement;
    Status (*run)();
  } cases[] = {
      {"DPRINT", [] { return DevStmtPrint(S("x"), false); }},
      {"DPRINT", [] { return DevStmtPrint(S("x"), true); }},
      {"DLOCATE", [] { return DevStmtLocate(1, 1); }},
      {"ENDDEVICE", [] { return DevStmtEnd(); }},
  };
  for (const Case& c : cases) {
    ErrClear();
    EXPECT_EQ(c.run(), st::DATAOUTBOUND) << c.statement;
    EXPECT_EQ(ErrGet(), st::DATAOUTBOUND | (MOD_DEVICES << 16)) << c.statement;
    EXPECT_EQ(ErrDetail().Str(), c.statement);
  }
  for (int i = 0; i < kDevStackMax; ++i) ASSERT_EQ(DevStmtDevice(S("d" + std::to_string(i) + ".txt")), 0);
  ErrClear();
  EXPECT_EQ(DevStmtDevice(S("eighth.txt")), st::DATAOUTBOUND);
  EXPECT_EQ(DevStackDepth(), kDevStackMax);
  EXPECT_FALSE(std::filesystem::exists(Path("eighth.txt")));
}

TEST_F(DevStackTest, AnEmptyDeviceAsksTheSelectionAndACancelPushesNothing) {
  // Nobody answers the window (the unattended headless back end cancels it).
  VarSysIntSet(kSysSysCompat, 4);
  EXPECT_EQ(DevStmtDevice(S("  ")), 0);
  EXPECT_EQ(Stat(), st::USERCANCELED);
  EXPECT_EQ(DevStackDepth(), 0);
  EXPECT_EQ(VarSysIntGet(kSysSysCompat), 4);
}

TEST_F(DevStackTest, AFailedDeviceIsPushedAndAnswersItsStatus) {
  ASSERT_EQ(DevStmtDevice(S("outer.txt")), 0);
  ASSERT_EQ(DevStmtDevice(S("no/such/dir/x.txt")), 0);
  EXPECT_EQ(Stat(), st::FILENOTFOUND);
  EXPECT_EQ(DevStmtPrint(S("lost"), false), st::FILENOTFOUND);
  EXPECT_EQ(DevStmtEnd(), 0);  // its failure was reported by DEVICE
  EXPECT_EQ(DevStmtPrint(S("outer"), false), 0);
  EXPECT_EQ(DevStmtEnd(), 0);
  EXPECT_EQ(Read("outer.txt"), "outer");
}

TEST_F(DevStackTest, RawPrintIsNeitherTranslatedNorCounted) {
  PortFiles();
  Table({TestPort()});
  ASSERT_EQ(DevStmtDevice(S("LPT1")), 0);
  EXPECT_EQ(DevStmtPrint(S("\x1B@A\x1C\xD1"), true), 0);
  EXPECT_EQ(DevStackTop()->column, 1);
  EXPECT_EQ(DevStmtPrint(S("A\x1C\xD1"), false), 0);
  EXPECT_EQ(DevStackTop()->column, 4);
  DevStackCloseAll();
  EXPECT_EQ(Read("LPT1"), TestPortOff() + "\x1B@A\x1C\xD1" + "A\x1B" "E\xA5" + TestPortOff());
}

TEST_F(DevStackTest, DevicesOpenAtTheEndAreClosedNewestFirst) {
  PortRecord second;
  second.fields[1] = "<second>";
  PortRecord first;
  first.fields[1] = "<first>";
  Table({first, second});
  ASSERT_EQ(VarAssign(S("LPT1$"), S("both.prn")), 0);
  ASSERT_EQ(VarAssign(S("LPT2$"), S("both.prn")), 0);
  ASSERT_EQ(DevStmtDevice(S("LPT1")), 0);
  ASSERT_EQ(DevStmtDevice(S("LPT2")), 0);
  DevStackCloseAll();
  EXPECT_EQ(DevStackDepth(), 0);
  EXPECT_EQ(Read("both.prn"), "<first><second><second><first>");
}

}  // namespace
