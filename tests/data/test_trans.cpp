// The import and export engine: the four layouts byte for byte, round trips
// through an emptied copy, the bad-input table, bounds, conditions, unique
// keys, overwrite, deletion, TRIGGER$ and the replace import.
#include <gtest/gtest.h>

#include "trans_fixture.h"

namespace {

const std::string kAnn = Cust("C01", "Ann \"Smith\"", "Paris", "1234.50", "20240131");
const std::string kBrien = Cust("C02", "O'Brien", "Dublin", "0.00", "20230615");
const std::string kZed = Cust("C03", "Zed", "Rome", "-12.50", "19991231");

class TransLayoutTest : public TransTest {
 protected:
  void SetUp() override {
    TransTest::SetUp();
    Customers({kAnn, kBrien, kZed});
  }
};

TEST_F(TransLayoutTest, GoldenExports) {
  struct Row {
    const char* id;
    uint16_t mode;
    const char* header;
    std::string expected;
  } rows[] = {
      {"Relative", 0x104, "", kAnn + kBrien + kZed},
      {"Secuential", 0x114, "", kAnn + "\r\n" + kBrien + "\r\n" + kZed + "\r\n"},
      {"Delimited", 0x134, "",
       "\"C01\",'Ann \"Smith\"',\"Paris\",1234.50,\"20240131\"\r\n"
       "\"C02\",\"O'Brien\",\"Dublin\",,\"20230615\"\r\n"
       "\"C03\",\"Zed\",\"Rome\",-12.50,\"19991231\"\r\n"},
      {"Delimited IS_SQL", 0x1114, "",
       "'C01','Ann \"Smith\"','Paris','1234.50','20240131'\r\n"
       "'C02',\"O'Brien\",'Dublin','','20230615'\r\n"
       "'C03','Zed','Rome','-12.50','19991231'\r\n"},
      {"Delimited with HEADER$", 0x134, "code,name,city,balance,since",
       "code,name,city,balance,since\r\n"
       "\"C01\",'Ann \"Smith\"',\"Paris\",1234.50,\"20240131\"\r\n"
       "\"C02\",\"O'Brien\",\"Dublin\",,\"20230615\"\r\n"
       "\"C03\",\"Zed\",\"Rome\",-12.50,\"19991231\"\r\n"},
      {"List", 0x4114, "",
       "CODE   NAME                           CITY                 BALANCE         SINCE   \r\n"
       "====== ============================== ==================== =============== ========\r\n"
       "C01    Ann \"Smith\"                    Paris                        1234.50 20240131\r\n"
       "C02    O'Brien                        Dublin                          0.00 20230615\r\n"
       "C03    Zed                            Rome                          -12.50 19991231\r\n"},
      {"List with HEADER$", 0x4114, "Customers",
       "Customers\r\n"
       "C01    Ann \"Smith\"                    Paris                        1234.50 20240131\r\n"
       "C02    O'Brien                        Dublin                          0.00 20230615\r\n"
       "C03    Zed                            Rome                          -12.50 19991231\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    Parm(kTrHeader, r.header);
    EXPECT_EQ(Run("out.txt", r.mode), 0) << ErrDetail().Str();
    EXPECT_EQ(Bytes("out.txt"), r.expected);
    EXPECT_EQ(VarSysIntGet(kSysCount), 3);
  }
}

}  // namespace

namespace {

// Exported, then imported back into an emptied copy (totals too): the same
// records byte for byte, the relation statements' totals with them.
TEST_F(TransLayoutTest, RoundTripsThroughAnEmptiedCopy) {
  std::string cust = Bytes("CUST.FD"), totals = Bytes("TOTALS.FD");
  for (uint16_t layout : {0x0, 0x10, 0x30}) {
    SCOPED_TRACE(layout);
    ASSERT_EQ(Run("copy.txt", 0x104 | layout), 0) << ErrDetail().Str();
    for (const char* f : {"CUST.FD", "CUST.DIR", "TOTALS.FD", "TOTALS.DIR"}) std::filesystem::remove(Path(f));
    ASSERT_LE(DataFileOpen(2, 0), 2);
    EXPECT_EQ(Run("copy.txt", 0x105 | layout), 0) << ErrDetail().Str();
    EXPECT_EQ(VarSysIntGet(kSysCount), 3);
    DataFileCloseAll();
    EXPECT_EQ(Bytes("CUST.FD"), cust);
    EXPECT_EQ(Bytes("TOTALS.FD"), totals);
    EXPECT_EQ(CustCheck(), "");
    EXPECT_EQ(TotalsCheck(), "");
    EXPECT_EQ(TempLeft(), 0u);
  }
}

}  // namespace
