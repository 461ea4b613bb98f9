// The printer-port forms: a port's record of KXPRNP00.DAT edited from the
// INPUT file's lines, what is refused, and the table the next port open
// sends.
#include <string>
#include <vector>

#include "devices/launch_fixture.h"
#include "devices/lptconfig.h"
#include "runtime/errors.h"

namespace {

class LptConfigTest : public LaunchTest {
 protected:
  void SetUp() override {
    LaunchTest::SetUp();
    PortRecord port;  // empty sequences but bold off
    port.fields[7] = "<B->";
    Table({port});
    before = Read(kPrnTableFile);
  }
  // The second form's answer line: the record's 80 bytes, some changed.
  std::string Sequences(const std::vector<std::pair<int, int>>& changes) {
    std::vector<int> bytes(80);
    for (int i = 0; i < 80; ++i) bytes[i] = static_cast<unsigned char>(before[kPrnHeadSize + i]);
    for (auto [at, value] : changes) bytes[at] = value;
    std::string line;
    for (int i = 0; i < 80; ++i) line += (i ? "," : "") + std::to_string(bytes[i]);
    return line;
  }
  std::string before;
};

TEST_F(LptConfigTest, TheAnswersReplaceThePortsBytesAndTheNextOpenSendsThem) {
  PortFiles();
  ASSERT_EQ(PrnTableLoad(), 0);  // the table in use before the edit
  // Bold on becomes ESC E, bold off ESC F.
  Input({"132,66", Sequences({{48, 27}, {49, 69}, {56, 27}, {57, 70}, {58, 0}, {59, 0}})});
  EXPECT_EQ(LptConfigEdit(1), 0);
  EXPECT_EQ(InputRest(), "<end>");
  std::string after = Read(kPrnTableFile);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(static_cast<unsigned char>(after[160 + 80]), 132);
  EXPECT_EQ(static_cast<unsigned char>(after[160 + 88]), 66);
  EXPECT_EQ(after.substr(160 + 48, 8), std::string("\x1B" "E\0\0\0\0\0\0", 8));
  EXPECT_EQ(after.substr(160 + 56, 4), std::string("\x1B" "F\0\0", 4));
  EXPECT_EQ(after.substr(0, 160), before.substr(0, 160));
  // The next open of the port sends the new "off" sequences.
  {
    const StrAreaScope scope;
    DevRecord dev = DevParse(S("LPT1"));
    ASSERT_EQ(dev.status, 0);
    EXPECT_EQ(dev.width, 132);
    EXPECT_EQ(DevClose(dev), 0);
  }
  EXPECT_EQ(Read("LPT1"), "\x1B" "F\x1B" "F");
}

TEST_F(LptConfigTest, WhatIsRefusedOrCancelledWritesNothing) {
  struct Case {
    const char* name;
    int port;
    std::vector<std::string> input;
    Status want;
    const char* detail;
    const char* rest;  // the INPUT file's next line afterwards
  } cases[] = {
      {"second form cancelled", 1, {"132,66", "\x1B", "next"}, 0, "", "next"},
      {"first form cancelled", 1, {"\x1B", "next"}, 0, "", "next"},
      {"width past a byte", 1, {"300,66", "next"}, st::BADINPUTDATA, "Width: 300", "next"},
      {"a letter", 1, {"80,6x", "next"}, st::BADINPUTDATA, "field 2: 6x", "next"},
      {"a record past the end", 2, {"next"}, st::DATAOUTBOUND, "KXPRNP00.DAT LPT2", "next"},
      {"no such port", 7, {"next"}, st::BADINPUTDATA, "LPT7", "next"},
  };
  for (const Case& c : cases) {
    Input(c.input);
    ErrClear();
    EXPECT_EQ(LptConfigEdit(c.port), c.want) << c.name;
    if (c.want) {
      EXPECT_EQ(ErrDetail().Str(), c.detail) << c.name;
    }
    EXPECT_EQ(InputRest(), c.rest) << c.name;
    EXPECT_EQ(Read(kPrnTableFile), before) << c.name;
  }
  std::remove(Path(kPrnTableFile).c_str());
  ErrClear();
  EXPECT_EQ(LptConfigEdit(1), st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().Str(), kPrnTableFile);
}

}  // namespace
