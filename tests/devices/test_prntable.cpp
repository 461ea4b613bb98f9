// The printer-port table: fields by port, the default record, and tables
// that are short, partial or missing.
#include <string>

#include "devices/device_fixture.h"

namespace {

using PrnTableTest = DeviceTest;

TEST_F(PrnTableTest, FieldsOfAOneRecordTable) {
  Table({TestPort()});
  struct Case {
    int field, port;
    std::string want;
  } cases[] = {
      {6, 1, "\x1B" "E"},
      {8, 1, std::string("\x1B\0\x34", 3)},  // a NUL between bytes is kept
      {9, 1, "ABCDEFGH"},                    // a full field has no end marker
      {10, 1, "\x84"},
      {11, 1, "\x42"},
      {6, 2, ""},  // LPT2 lies beyond the table: the default record
      {10, 2, "\x50"},
      {11, 2, "\x48"},
      {10, 0, "\x50"},
      {10, 7, "\x50"},
      {12, 1, ""},
      {-1, 1, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PrnTableField(c.field, c.port).Str(), c.want) << c.field << "," << c.port;
  EXPECT_EQ(PrnTableByte(kPrnFieldWidth, 1), 132);
  EXPECT_EQ(PrnTableByte(kPrnFieldLines, 6), 72);
}

TEST_F(PrnTableTest, ShortPartialAndMissingTables) {
  struct Case {
    const char* id;
    std::string bytes;  // empty: no file
  } cases[] = {
      {"no file", ""},
      {"only a head", PrnTableBytes({}).substr(0, 100)},
      {"a partial record", PrnTableBytes({TestPort()}).substr(0, kPrnHeadSize + 50)},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(Path(kPrnTableFile));
    if (!c.bytes.empty()) WriteFile(Path(kPrnTableFile), c.bytes);
    PrnTableForget();
    EXPECT_EQ(PrnTableField(6, 1).Str(), "") << c.id;
    EXPECT_EQ(PrnTableByte(kPrnFieldWidth, 1), 80) << c.id;
    EXPECT_EQ(PrnTableByte(kPrnFieldLines, 1), 72) << c.id;
  }
}

TEST_F(PrnTableTest, TheTableIsReadOnceUntilForgotten) {
  Table({TestPort()});
  EXPECT_EQ(PrnTableByte(kPrnFieldWidth, 1), 132);
  PortRecord wide = TestPort();
  wide.width = 200;
  WriteFile(Path(kPrnTableFile), PrnTableBytes({wide}));
  EXPECT_EQ(PrnTableByte(kPrnFieldWidth, 1), 132);
  PrnTableForget();
  EXPECT_EQ(PrnTableByte(kPrnFieldWidth, 1), 200);
}

}  // namespace
