// Data files opened by their dictionary number: the dictionary gives the
// record layout and keys, field references fill the record buffer, and the
// data and index files land where the dictionary's location says.
#include <gtest/gtest.h>

#include <unistd.h>

#include "data/store/datafile.h"
#include "data/store/recbuf.h"
#include "data/store/reccheck.h"
#include "platform/host/files.h"
#include "dic_fixture.h"

namespace {

class DataFileByNumberTest : public DicTest {
 protected:
  void SetUp() override {
    DicTest::SetUp();
    Write("ZZDICC.DAT", {"Customers dictionary",
                         "01 Customers**01CUST",
                         "01 CODE  004 ACODE",
                         "01 NAME  010 ANAME",
                         "01 CITY  008 ACITY",
                         "31 code <0001004",
                         "31 city <0015008"});
    ASSERT_EQ(DicLoad(S(dir.path()), S("ZZ"), S(dir.path() + "/")), 0);
  }
  void TearDown() override {
    DataFileCloseAll();
    DicTest::TearDown();
  }
  Status Add(const char* code, const char* name, const char* city) {
    RecBufClear(1, 0);
    EXPECT_EQ(RecFieldSetRef(S("CODE{1}"), S(code)), 0);
    EXPECT_EQ(RecFieldSetRef(S("NAME{1}"), S(name)), 0);
    EXPECT_EQ(RecFieldSetRef(S("CITY{1}"), S(city)), 0);
    return DataFileInsert(1);
  }
  std::string Field(const char* ref) { return FieldRefRead(FieldRefParse(S(ref))).Str(); }
};

TEST_F(DataFileByNumberTest, InsertReadByEitherKeyAndReopen) {
  ASSERT_LE(DataFileOpen(1, 0), 2);
  ASSERT_EQ(Add("C002", "BOB", "PARIS"), 0);
  ASSERT_EQ(Add("C001", "ANN", "ROME"), 0);
  ASSERT_EQ(Add("C003", "CAT", "LYON"), 0);
  // A repeated key answers 6 and keeps the record (relations still see it).
  EXPECT_EQ(Add("C001", "DUP", "OSLO"), 6);

  ASSERT_EQ(DataFileReadKey(1, 1, S("C001"), 0), 0);
  EXPECT_EQ(Field("NAME{1}"), "ANN       ");
  ASSERT_EQ(DataFileReadKey(1, 2, S("LYON"), 0), 0);  // key 2 is the city
  EXPECT_EQ(Field("CODE{1}"), "C003");
  ASSERT_EQ(DataFileClose(1), 0);

  // Reopened from its files, the order by code is intact.
  ASSERT_EQ(DataFileOpen(1, 0), 0);
  ASSERT_EQ(DataFileMove(1, 0x24), 0);  // first
  std::string codes = Field("CODE{1}");
  while (DataFileMove(1, 0x10) == 0) codes += "," + Field("CODE{1}");
  EXPECT_EQ(codes, "C001,C001,C002,C003");
  ASSERT_EQ(DataFileReadKey(1, 2, S("OSLO"), 0), 0);
  EXPECT_EQ(Field("NAME{1}"), "DUP       ");
  EXPECT_TRUE(host::Exists(dir.File("CUST.FD")) || host::Exists(dir.File("CUST.fd")));
}

}  // namespace
