// Data-file actions: the navigation table.
#include <gtest/gtest.h>

#include "data/fileaction.h"
#include "support/runtime_fixture.h"

namespace {

class NavTableTest : public RuntimeTest {};

TEST_F(NavTableTest, OperationCodesByCommand) {
  struct Row {
    const char* word;
    int pos;
    uint16_t code;
  } rows[] = {
      {"NEW", 1, 0xF01}, {"top", 2, 0xF24}, {"PRV", 3, 0xF16},    {"previous", 3, 0xF16}, {"RLD", 4, 0},
      {"NXT", 5, 0xF12}, {"Next", 5, 0xF12}, {"BOT", 6, 0xF20},    {"BOTTOM", 6, 0xF20},   {"FND", 7, 0x40},
      {"SVE", 8, 0xF00}, {"INS", 9, 0xD00}, {"DEL", 10, 0x642},   {"LST", 11, 0x42},      {"NLS", 12, 0xFF},
      {"BLS", 13, 0x46}, {"IMP", 14, 0xFF}, {"TSL", 18, 0xFF},    {"xyz", 0, 0xFF},       {"", 0, 0xFF},
  };
  StrValue list = StrFromC(kNavCommands);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.word);
    int pos = NavCmdIndex(StrFromC(r.word), list);
    EXPECT_EQ(pos, r.pos);
    EXPECT_EQ(DataFileOpCode(pos), r.code);
  }
  EXPECT_EQ(DataFileOpCode(-1), 0xFF);
  // Another command list is searched as given; the aliases still apply.
  EXPECT_EQ(NavCmdIndex(StrFromC("next"), StrFromC("OK,NXT")), 2);
}

}  // namespace
