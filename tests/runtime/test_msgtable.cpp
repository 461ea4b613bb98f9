// The built-in message table: exact bytes of the texts, the shape of the
// blocks, and that every message number the code refers to has a text.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "runtime/msgtable.h"

namespace {

struct TextCase {
  const char* id;
  const char* number;
  const char* prefix;
  std::string expected;
};

TEST(MsgTable, TextsByteForByte) {
  const TextCase cases[] = {
      {"success", "0005", "", "Process Completed Succesfully"},
      {"warning keeps its blank", "0008", "", "Warning "},
      {"error keeps its blank", "0009", "", "Error "},
      {"yes/no letters", "0011", "", "Yy,Nn"},
      {"locale numbers", "0019", "", ".,'0123456789.-D',' NY','  ,NO,YES'"},
      {"data results with empty items", "0023", "",
       "Key not Found,End of file,,,Bad Key,Repeated Key,Concurrent Change. Update canceled,"
       "Data Change. Please confirm,Passwords do not match"},
      {"mode words 1-14", "0027", "",
       "Header Capture,Type of Document,Index search [PgDn/PgUp],Editing [PgDn/PgUp],Line "
       "editing,Summary editing,Data saved,New,Modify,Insert Mode,Maintenance Mode,Print "
       "Disabled,Print Enabled,Read Only"},
      {"line break bytes and CP1252", "0033", "",
       "Remember your Safety Copies\n\r\xBF" "Do you want to Close Program? (%i Screens, %i Windows)"},
      {"detail line break", "0017", "", "Bad params for screen field %s\r\n (%s)"},
      {"block 2", "0080", "", "(Bigger than),(Smaller than),(Equal to),(From),(To)  ,(No Equal to)"},
      {"block 2 last", "0088", "", "Target File"},
      {"block 3", "0095", "", "'Target File:':'A255'::'%s','Append mode:':'L1'::'1'"},
      {"month names", "0117", "",
       "'January,February,March,April,May,June,July,August,September,October,November,"
       "December','[M] [D],[Y]'"},
      {"accounting 1002", "1002", "CO", "Asiento Predefinido. Inserci\xF3n no permitida"},
      {"accounting 1003", "1003", "CO", "Asiento existente. \xBF" "Continuar?"},
      {"accounting log line", "1011", "CO", ";%-15s   %10s   %10s   %10s"},
      {"accounting field names", "1020", "CO",
       "CODE,CUR_PASSIVE,CUR_ASSETS,DATE,ENTRY,TYPE,PASS_ACC,ASSET_ACC,AMOUNT,ACC.,DATE,P_EXPIRED,"
       "A_EXPIRED,ACC_ID{%s},CHK#(PASS_ACC{}>'0';-DSC1#;DSC1#),ACCOUNT.%s{3},"
       "'.,CODE{6}, ,SUBACC{6},_,SUBACC{6}'"},
      {"administration 1001", "1001", "GA", "Invoice Number already exist. Please change current number"},
      {"administration 1003", "1003", "GA", "Redundant data. %s identical registries. Confirm Deletion?"},
      {"block 4 needs a program", "1001", "", ""},
      {"unknown number", "0002", "", ""},
      {"too short", "001", "", ""},
  };
  for (const TextCase& c : cases)
    EXPECT_EQ(std::string(MsgTableLookup(c.number, c.prefix)), c.expected) << c.id;
}

TEST(MsgTable, BlockChoiceComparesTexts) {
  EXPECT_EQ(MsgTableBlockOf("0039"), 1);
  EXPECT_EQ(MsgTableBlockOf("0040"), 2);
  EXPECT_EQ(MsgTableBlockOf("0089"), 2);
  EXPECT_EQ(MsgTableBlockOf("0090"), 3);
  EXPECT_EQ(MsgTableBlockOf("0999"), 3);
  EXPECT_EQ(MsgTableBlockOf("1000"), 4);
}

// Each entry is "NNNN text" with a non-empty text, numbers ascend inside the
// block's range, and quotes are balanced (list functions skip quoted parts,
// so an open quote would swallow the following items).
TEST(MsgTable, BlocksAreWellFormed) {
  struct BlockCase {
    int block;
    const char* prefix;
    int low, high;
  } blocks[] = {{1, "", 1, 39}, {2, "", 40, 89}, {3, "", 90, 130}, {4, "CO", 1001, 9999},
                {4, "GA", 1001, 9999}};
  for (const BlockCase& b : blocks) {
    std::string text(MsgTableBlock(b.block, b.prefix));
    ASSERT_FALSE(text.empty()) << b.block << b.prefix;
    std::stringstream in(text);
    std::string entry;
    int previous = 0;
    while (std::getline(in, entry, '\t')) {
      ASSERT_GE(entry.size(), 6u) << entry;
      ASSERT_TRUE(std::regex_match(entry.substr(0, 5), std::regex("[0-9]{4} "))) << entry;
      int n = std::stoi(entry.substr(0, 4));
      EXPECT_GT(n, previous) << entry;
      EXPECT_GE(n, b.low) << entry;
      EXPECT_LE(n, b.high) << entry;
      EXPECT_EQ(std::count(entry.begin(), entry.end(), '\'') % 2, 0) << entry;
      EXPECT_EQ(std::count(entry.begin(), entry.end(), '"') % 2, 0) << entry;
      previous = n;
    }
  }
}

// Message references are written through the Msg family of functions (Msg,
// MsgRef, MsgAsk ...) with the number as the leading four digits of a
// literal. Framework code may refer to blocks 1-3 only; each program's
// sources also to its own block 4.
TEST(MsgTable, EveryReferencedNumberHasAText) {
  namespace fs = std::filesystem;
  const std::regex ref(R"(\b\w*Msg\w*\(\s*\"([0-9]{4})[\" ])");
  const struct {
    const char* dir;
    const char* prefix;
  } roots[] = {{"platform", ""}, {"runtime", ""},      {"script", ""},
               {"data", ""},     {"screens", ""},      {"devices", ""},
               {"apps/accounting", "CO"}, {"apps/administration", "GA"}};
  int found = 0;
  for (const auto& root : roots) {
    fs::path dir = fs::path(KX_SOURCE_DIR) / root.dir;
    if (!fs::exists(dir)) continue;
    for (const auto& f : fs::recursive_directory_iterator(dir)) {
      std::string ext = f.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      std::ifstream in(f.path());
      std::string src((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      for (std::sregex_iterator it(src.begin(), src.end(), ref), end; it != end; ++it) {
        std::string number = (*it)[1];
        ++found;
        EXPECT_FALSE(MsgTableLookup(number, root.prefix).empty())
            << number << " in " << f.path().string();
      }
    }
  }
  EXPECT_GE(found, 3);  // the scan itself works: errors.cpp refers to 0005, 0008, 0009
}

}  // namespace
