// The import and export engine: the four layouts byte for byte, round trips
// through an emptied copy, the bad-input table, bounds, conditions, unique
// keys, overwrite, deletion, TRIGGER$ and the replace import.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/strutil.h"
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
  struct Snapshot {
    std::string cust, index, totals;
    bool operator==(const Snapshot&) const = default;
  };
  // The record of a code as stored, "" when there is none.
  std::string Record(const std::string& code) {
    bool open = DataFileStore(1)->IsOpen();
    if (!open && DataFileOpen(1, dfopen::kReadOnly) > 2) return "?";
    std::string rec = DataFileReadKey(1, 1, S(code), 0) == 0 ? RecBuf(1, kRecCurrent).Str() : "";
    if (!open) DataFileClose(1);
    return rec;
  }
  // The live records besides the first three customers, in record order.
  std::string Imported() {
    std::string data = Bytes("CUST.FD"), out;
    for (size_t at = 0; at + kCustLen <= data.size(); at += kCustLen) {
      std::string rec = data.substr(at, kCustLen);
      if (rec[0] != 27 && rec != kAnn && rec != kBrien && rec != kZed) out += rec;
    }
    return out;
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

namespace {

const std::string kNew = Cust("C10", "New", "Oslo", "5.00", "20240101");

// Bad external files: the error names the file and the line (the record
// for Relative), and nothing else changed: data files byte for byte, no
// work copy, no journal.
TEST_F(TransLayoutTest, BadInputChangesNothing) {
  struct Row {
    const char* id;
    uint16_t mode;
    std::string content;
    const char* structText;
    Status code;
    const char* detail;
  } rows[] = {
      {"a 2,000-byte line", 0x115, kNew + "\r\n" + std::string(2000, 'x') + "\r\n", "", st::STRINGTOOLONG,
       "in.txt: line 2 is longer than 1024 bytes"},
      {"an empty line mid-file", 0x115, kNew + "\r\n\r\n" + kNew + "\r\n", "", st::BADINPUTDATA,
       "in.txt: line 2 is empty and more data follows"},
      {"a partial Relative record", 0x105, kNew + "C11   Cut", "", st::BADINPUTDATA,
       "in.txt: record 2 is cut short (9 of 76 bytes)"},
      {"a bad date", 0x135, "\"C10\",\"New\",\"Oslo\",5,\"20240101\"\r\n\"C11\",\"Bad\",\"Oslo\",1,\"20241340\"\r\n", "",
       st::BADINPUTDATA, "in.txt: line 2, field SINCE: '20241340'"},
      {"a number that is none", 0x135, "\"C10\",\"New\",\"Oslo\",12a,\"20240101\"\r\n", "", st::BADINPUTDATA,
       "in.txt: line 1, field BALANCE: '12a'"},
      {"a bad STRUCT$ reference", 0x135, "\"C10\"\r\n", "CODE,NOPE{}", st::SINTAXERROR, "STRUCT$ NOPE{}"},
      {"an expression without width, fixed", 0x115, kNew + "\r\n", "CODE,FN$TRIM(_$(30);'FIT')", st::BADINPUTDATA,
       "needs a width"},
      {"no such file", 0x115, "", "", st::FILENOTFOUND, "missing.txt"},
      {"the data file itself", 0x115, "", "", st::BADINPUTDATA, "the transaction's own data or index file"},
  };
  Snapshot before{Bytes("CUST.FD"), Bytes("CUST.DIR"), Bytes("TOTALS.FD")};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    std::string name = r.code == st::FILENOTFOUND ? "missing.txt" : "in.txt";
    if (std::string(r.detail).find("own data") != std::string::npos) name = "CUST.FD";
    else Put("in.txt", r.content);
    Parm(kTrStruct, r.structText);
    ErrClear();
    EXPECT_EQ(Run(name, r.mode), r.code);
    EXPECT_NE(ErrDetail().Str().find(r.detail), std::string::npos) << ErrDetail().Str();
    DataFileCloseAll();
    EXPECT_TRUE((Snapshot{Bytes("CUST.FD"), Bytes("CUST.DIR"), Bytes("TOTALS.FD")}) == before);
    EXPECT_EQ(TempLeft(), 0u);
    EXPECT_FALSE(RunJournalLeft());
  }
}

// What the reading makes of lines and records that are not errors.
TEST_F(TransLayoutTest, ImportReadsWhatFits) {
  struct Row {
    const char* id;
    uint16_t mode;
    std::string content;
    const char* buffSize;
    const char* structText;
    std::string expected;  // the records imported, in key order
  } rows[] = {
      {"BUFFSIZE above the record length", 0x105, kNew + std::string(24, '#'), "100", "", kNew},
      {"a short fixed line is blank-filled", 0x115, "C10   Short\r\n", "", "", Cust("C10", "Short", "", "", "")},
      {"slices past a line's end are empty", 0x115, "C10   Sliced\r\n", "", "CODE,NAME,CITY,BALANCE",
       Cust("C10", "Sliced", "", "0.00", "")},
      {"a number with letters is read up to them", 0x115, Cust("C10", "Num", "Oslo", "12a", "20240101") + "\r\n", "",
       "", Cust("C10", "Num", "Oslo", "12", "20240101")},
      {"an ESC line ends the data, trailing empty lines too", 0x115,
       kNew + "\r\n\x1b\r\n" + Cust("C11", "After", "", "", "") + "\r\n", "", "", kNew},
      {"trailing empty lines", 0x115, kNew + "\r\n\r\n\r\n", "", "", kNew},
      {"Delimited, values typed as a person would", 0x135,
       " C10 ; 'Typed' ;\"Oslo\"; 1,234.5 ; 12/31/2024 \r\n", "", "", Cust("C10", "Typed", "Oslo", "1234.50", "20241231")},
      {"an expression item with the value", 0x135, "\"c10\",\"x\"\r\n", "",
       "CODE,NAME{}=FN$CHNG(_$(30);'x';'Lower')", Cust("c10", "Lower", "", "", "")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    Put("in.txt", r.content);
    Parm(kTrBuffSize, r.buffSize);
    Parm(kTrStruct, r.structText);
    if (std::string(r.id).find("Delimited, values") != std::string::npos) Parm(kTrFlDelim, ";");
    ASSERT_LE(DataFileOpen(2, 0), 2);
    EXPECT_EQ(Run("in.txt", r.mode), 0) << ErrDetail().Str();
    DataFileCloseAll();
    EXPECT_EQ(Imported(), r.expected);
    EXPECT_EQ(CustCheck(), "");
    // Back to the three customers for the next row.
    ASSERT_EQ(DataFileOpen(1, dfopen::kExclusive), 0);
    for (size_t at = 0; at < r.expected.size(); at += kCustLen) {
      ASSERT_EQ(DataFileReadKey(1, 1, S(r.expected.substr(at, 6)), 0), 0);
      ASSERT_EQ(DataFileDelete(1, 0), 0);
    }
    DataFileCloseAll();
  }
}

}  // namespace

namespace {

// The key range of LIMITS$ and COND$ choose the rows; a range with no row
// answers 127, which the statement turns into 0.
TEST_F(TransLayoutTest, BoundsAndConditionChooseTheRows) {
  struct Row {
    const char* id;
    const char* limits;
    const char* cond;
    const char* index;
    Status code;
    const char* codes;  // the codes exported, in order
  } rows[] = {
      {"all", "", "", "", 0, "C01,C02,C03"},
      {"a key range", "'C02','C03'", "", "", 0, "C02,C03"},
      {"a bound over its own length", "'C0','C02'", "", "", 0, "C01,C02"},
      {"a condition", "", "BALANCE{}<>0", "", 0, "C01,C03"},
      {"both", "'C02',''", "BALANCE{}<>0", "", 0, "C03"},
      {"by key 2 (city)", "'D','Q'", "", "2", 0, "C02,C01"},
      {"nothing qualifies", "'X','Z'", "", "", st::OUTOFDATA, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    Parm(kTrLimits, r.limits);
    Parm(kTrCond, r.cond);
    Parm(kTrIndex, r.index);
    Parm(kTrStruct, "CODE");
    EXPECT_EQ(Run("out.csv", 0x134), r.code) << ErrDetail().Str();
    std::string got = Bytes("out.csv"), codes;
    for (size_t at = 0; (at = got.find('"', at)) != std::string::npos; at += 5)
      codes += (codes.empty() ? "" : ",") + got.substr(at + 1, 3);
    if (r.code == 0) {
      EXPECT_EQ(codes, r.codes);
    }
  }
  // The statement: 127 becomes 0 in _STAT.
  DataFileSetCurrent(1);
  Parm(kTrLimits, "'X','Z'");
  uint16_t kinds[2] = {1, 1};
  int16_t ints[2] = {0, 0};
  StrValue strs[2] = {StrFromC("none.csv"), StrFromC("STREAM,DELIMITED")};
  VarSysIntSet(kSysStat, 99);
  EXPECT_EQ(TransStatement(2, kinds, ints, strs, tmode::kExport), 0);
  EXPECT_EQ(VarSysIntGet(kSysStat), 0);
  EXPECT_EQ(VarSysIntGet(kSysCount), 0);
}

// UNICKEY$ skips rows whose key is there; OVERWRITE writes only those,
// through MERGE$ (the imported record in the saved copy), or whole without it.
TEST_F(TransLayoutTest, UniqueKeysAndOverwrite) {
  std::string in = "\"C02\",\"Changed\",\"Dublin\",7,\"20230615\"\r\n\"C09\",\"Nine\",\"Oslo\",9,\"20200101\"\r\n";
  Put("in.csv", in);
  ASSERT_LE(DataFileOpen(2, 0), 2);
  EXPECT_EQ(Run("in.csv", 0x135), 0) << ErrDetail().Str();  // C02 is there: skipped
  EXPECT_EQ(VarSysIntGet(kSysCount), 1);
  EXPECT_EQ(Record("C02"), kBrien);
  EXPECT_EQ(Record("C09"), Cust("C09", "Nine", "Oslo", "9.00", "20200101"));

  // A unique text of its own: the name in key 1 (CODE) finds nothing,
  // so both rows go in.
  Put("in.csv", "\"C07\",\"Zed\"\r\n\"C08\",\"Nobody\"\r\n");
  Parm(kTrUnicKey, "NAME{}");
  Parm(kTrStruct, "CODE,NAME");
  EXPECT_EQ(Run("in.csv", 0x135), 0) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysCount), 2);
  // The same text in key 2 (CITY): "Rome" is there, "Lima" is not.
  Put("in.csv", "\"C05\",\"Rome\"\r\n\"C06\",\"Lima\"\r\n");
  Parm(kTrUnicKey, "CITY{}");
  Parm(kTrUnicCri, "2");
  Parm(kTrStruct, "CODE,CITY");
  EXPECT_EQ(Run("in.csv", 0x135), 0) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysCount), 1);
  EXPECT_EQ(Record("C05"), "");
  EXPECT_NE(Record("C06"), "");

  // OVERWRITE: only the keys there, through MERGE$ over the stored record
  // with the imported one as the saved copy.
  Put("in.csv", in);
  Parm(kTrMerge, "BALANCE{}=BALANCE{}+FN#VALN(FN$FLDS(BALANCE{};2);'N')");
  EXPECT_EQ(Run("in.csv", 0x335), 0) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysCount), 2);
  // (an assignment stores the number as the store writes it)
  EXPECT_EQ(Record("C02"), Cust("C02", "O'Brien", "Dublin", "7", "20230615"));
  EXPECT_EQ(Record("C09"), Cust("C09", "Nine", "Oslo", "18", "20200101"));
  // Without MERGE$ the imported record replaces the stored one.
  Put("in.csv", "\"C01\",\"Replaced\",\"Paris\",1,\"20240131\"\r\n\"C77\",\"Missing\",\"Paris\",1,\"20240131\"\r\n");
  EXPECT_EQ(Run("in.csv", 0x335), 0) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysCount), 1);
  EXPECT_EQ(Record("C01"), Cust("C01", "Replaced", "Paris", "1.00", "20240131"));
  EXPECT_EQ(Record("C77"), "");
  DataFileCloseAll();
  EXPECT_EQ(CustCheck(), "");
  EXPECT_EQ(TotalsCheck(), "");
}

}  // namespace

namespace {

// The live records of CUST.FD read straight from the file, sorted.
std::vector<std::string> LiveCust(const std::string& data) {
  std::vector<std::string> out;
  for (size_t at = 0; at + kCustLen <= data.size(); at += kCustLen)
    if (data[at] != 27) out.push_back(data.substr(at, kCustLen));
  std::sort(out.begin(), out.end());
  return out;
}

// A replace import leaves exactly the imported rows, whether their keys
// were in the file before or not: an export read back in every layout,
// and a file of three new keys and five stored ones (changed).
TEST_F(TransLayoutTest, ReplaceImportKeepsEveryImportedRow) {
  DataUi ui = DataUiGet();
  ui.transBounds = [](uint16_t) { return Status(0); };
  ui.transConfirm = [](int, uint16_t) { return Status(0); };
  DataUiSet(ui);
  Customers({Cust("C04", "Four", "Paris", "4.00", "20240101"), Cust("C05", "Five", "Rome", "5.00", "20240101")});
  const std::vector<std::string> stored = LiveCust(Bytes("CUST.FD"));
  ASSERT_EQ(stored.size(), 5u);
  struct Layout {
    const char* id;
    uint16_t exportMode, importMode;
  } layouts[] = {{"Relative", 0x104, 0x0D}, {"Secuential", 0x114, 0x1D}, {"Delimited", 0x134, 0x3D}};
  for (const Layout& l : layouts) {
    SCOPED_TRACE(l.id);
    ASSERT_EQ(Run("out.dat", l.exportMode), 0) << ErrDetail().Str();
    ASSERT_LE(DataFileOpen(2, 0), 2);
    EXPECT_EQ(Run("out.dat", l.importMode), 0) << ErrDetail().Str();
    EXPECT_EQ(VarSysIntGet(kSysCount), 5);
    DataFileCloseAll();
    EXPECT_EQ(LiveCust(Bytes("CUST.FD")), stored);
    EXPECT_EQ(CustCheck(), "");
  }
  // Three new keys among five stored ones, one of them twice (the first
  // stays).
  std::vector<std::string> rows = {
      Cust("C30", "Thirty", "Oslo", "30.00", "20240101"), Cust("C01", "Ann again", "Paris", "1.00", "20240131"),
      Cust("C02", "Brien again", "Dublin", "2.00", "20230615"), Cust("C31", "Thirty-one", "Oslo", "31.00", "20240101"),
      Cust("C03", "Zed again", "Rome", "3.00", "19991231"), Cust("C04", "Four again", "Paris", "4.00", "20240101"),
      Cust("C32", "Thirty-two", "Oslo", "32.00", "20240101"), Cust("C05", "Five again", "Rome", "5.00", "20240101")};
  std::string text;
  for (const std::string& r : rows) text += r + "\r\n";
  Put("mixed.txt", text + Cust("C30", "Second C30", "Oslo", "9.00", "20240101") + "\r\n");
  ASSERT_LE(DataFileOpen(2, 0), 2);
  EXPECT_EQ(Run("mixed.txt", 0x1D), 0) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysCount), 8);
  DataFileCloseAll();
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(LiveCust(Bytes("CUST.FD")), rows);
  EXPECT_EQ(CustCheck(), "");
}

}  // namespace

namespace {

// DELETING over three consecutive keys deletes all three (each record
// once, chosen before the first delete), with their relation statements.
TEST_F(TransLayoutTest, DeletingConsecutiveKeys) {
  Customers({Cust("C04", "Four", "Paris", "4.00", "20240101"), Cust("C05", "Five", "Rome", "5.00", "20240101")});
  ASSERT_LE(DataFileOpen(2, 0), 2);
  Parm(kTrLimits, "'C02','C04'");
  EXPECT_EQ(Run("", 0x108), 0) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysCount), 3);
  for (const char* c : {"C02", "C03", "C04"}) EXPECT_EQ(Record(c), "") << c;
  EXPECT_EQ(Record("C01"), kAnn);
  EXPECT_NE(Record("C05"), "");
  ASSERT_EQ(DataFileReadKey(2, 1, S("Rome"), 0), 0);  // Zed (-12.50) went, Five stayed
  EXPECT_EQ(RecFieldGet(2, 2).Str(), std::string(13, ' ') + "5");
  DataFileCloseAll();
  EXPECT_EQ(CustCheck(), "");
}

// TRIGGER$ "DISABLE" switches the relation statements off for the run
// only: after a run that fails as after one that succeeds they are on.
TEST_F(TransLayoutTest, TriggerDisableComesBackOnEveryPath) {
  ASSERT_LE(DataFileOpen(2, 0), 2);
  std::string totals = Bytes("TOTALS.FD");
  for (bool fails : {true, false}) {
    SCOPED_TRACE(fails ? "failing" : "succeeding");
    Put("in.csv", std::string("\"C10\",\"Ten\",\"Paris\",10,\"20240101\"\r\n") + (fails ? "\r\nmore\r\n" : ""));
    Parm(kTrTrigger, "DISABLE");
    VarSysIntSet(kSysUpStat, 1);
    EXPECT_EQ(Run("in.csv", 0x135), fails ? st::BADINPUTDATA : 0) << ErrDetail().Str();
    EXPECT_EQ(VarSysIntGet(kSysUpStat), 1);
  }
  DataFileCloseAll();
  EXPECT_EQ(Bytes("TOTALS.FD"), totals);  // C10 went in without its statements
  EXPECT_NE(Record("C10"), "");
}

int g_stage4 = 0;
Status g_confirm = 0;

// The replace import (IMPORT+EXTERNFILE+DELETING): the old pair is set
// aside only after the confirmation; a cancel there keeps every record.
// (A merge that fails puts the old pair back: TransJournalTest.)
TEST_F(TransLayoutTest, ReplaceImport) {
  DataUi ui = DataUiGet();
  ui.transBounds = [](uint16_t) { return Status(0); };
  ui.transConfirm = [](int stage, uint16_t) {
    if (stage == 4) ++g_stage4;
    return stage == 4 ? g_confirm : Status(0);
  };
  DataUiSet(ui);
  Snapshot before{Bytes("CUST.FD"), Bytes("CUST.DIR"), Bytes("TOTALS.FD")};
  Put("in.csv", "\"C20\",\"Twenty\",\"Oslo\",20,\"20240101\"\r\n\"C21\",\"Twenty-one\",\"Oslo\",21,\"20240101\"\r\n");
  ASSERT_LE(DataFileOpen(2, 0), 2);
  g_confirm = st::USERCANCELED;
  EXPECT_EQ(Run("in.csv", 0x3D), st::USERCANCELED) << ErrDetail().Str();
  EXPECT_EQ(g_stage4, 1);
  DataFileCloseAll();
  EXPECT_TRUE((Snapshot{Bytes("CUST.FD"), Bytes("CUST.DIR"), Bytes("TOTALS.FD")}) == before);
  EXPECT_FALSE(RunJournalLeft());
  EXPECT_FALSE(Exists("CUST.FD.jr1") || Exists("CUST.DIR.jr1"));
  ASSERT_LE(DataFileOpen(2, 0), 2);
  g_confirm = 0;
  g_stage4 = 0;
  EXPECT_EQ(Run("in.csv", 0x3D), 0) << ErrDetail().Str();
  EXPECT_EQ(g_stage4, 1);
  DataFileCloseAll();
  EXPECT_EQ(Bytes("CUST.FD"), Cust("C20", "Twenty", "Oslo", "20.00", "20240101") +
                                  Cust("C21", "Twenty-one", "Oslo", "21.00", "20240101"));
  EXPECT_EQ(CustCheck(), "");
  EXPECT_FALSE(Exists("CUST.FD.jr1") || Exists("CUST.DIR.jr1"));
}

}  // namespace

namespace {

// Modes the engine refuses answer 148 naming the mode before anything is
// opened or written. A replace import writing only keys already there
// would find none in the emptied file and leave it empty.
TEST_F(TransLayoutTest, RefusedModesOpenNothing) {
  struct Row {
    uint16_t mode;
    const char* detail;
  } rows[] = {
      {0x504, "RELATIONAL_RESET"},       {0x10B, "IMPORT,UPDATE,DELETING"}, {0x2104, "USR_UPDATE"},
      {0x1135, "IMPORT,IS_SQL"},          {0x0915, "IMPORT,EXTERN_INDEXED"}, {0x8114, "0x8000"},
      {0x0904, "EXTERN_INDEXED"},        {0x23D, "IMPORT,DELETING,OVERWRITE"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.detail);
    ErrClear();
    EXPECT_EQ(Run("out.txt", r.mode), st::FEATUREREMOVED);
    EXPECT_EQ(ErrDetail().Str(), std::string("TransMode ") + r.detail);
    EXPECT_FALSE(Exists("out.txt"));
    EXPECT_FALSE(DataFileStore(1)->IsOpen());
  }
}

// A failed export leaves its target as it was: written beside it and
// renamed only at the end, an APPEND cut back.
TEST_F(TransLayoutTest, FailedExportLeavesTheTarget) {
  Customers({Cust("C04", "Both \" and '", "Oslo", "1.00", "20240101")});
  for (uint16_t mode : {0x134, 0x174}) {  // Delimited, Delimited appending
    SCOPED_TRACE(mode);
    Put("out.csv", "what was there\r\n");
    ErrClear();
    EXPECT_EQ(Run("out.csv", mode), st::BADINPUTDATA);
    EXPECT_EQ(ErrDetail().Str(), "key C04: a value holds both quote characters");
    EXPECT_EQ(Bytes("out.csv"), "what was there\r\n");
    size_t beside = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
      beside += e.path().filename().string().rfind("out.csv.", 0) == 0;
    EXPECT_EQ(beside, 0u);
  }
  Parm(kTrLimits, "'C01','C01'");
  EXPECT_EQ(Run("out.csv", 0x174), 0);
  EXPECT_EQ(Bytes("out.csv"), "what was there\r\n\"C01\",'Ann \"Smith\"',\"Paris\",1234.50,\"20240131\"\r\n");
}

// The internal modes: a self update whose WREXP$ moves the scan key meets
// each record once; a relational update keeps the totals; INDEXCHK counts.
TEST_F(TransLayoutTest, UpdatesAndCounts) {
  ASSERT_LE(DataFileOpen(2, 0), 2);
  Parm(kTrWrExp, "CODE{}='Z'+CODE{}");
  EXPECT_EQ(Run("", 0x101), 0) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysCount), 3);
  for (const char* c : {"ZC01", "ZC02", "ZC03"}) EXPECT_NE(Record(c), "") << c;
  Parm(kTrWrExp, "BALANCE{}=BALANCE{}+1");
  Parm(kTrCond, "CITY{}=='Rome*'");
  EXPECT_EQ(Run("", 0x103), 0) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysCount), 1);
  ASSERT_EQ(DataFileReadKey(2, 1, S("Rome"), 0), 0);
  EXPECT_EQ(StrTrim(RecFieldGet(2, 2), 3).Str(), "-11.5");
  // INDEXCHK: the rows of the range that meet COND$, in _COUNT, reported
  // in a box unless BATCHMODE.
  static std::string box;
  DataUi ui = DataUiGet();
  ui.info = [](StrValue text) {
    box = text.Str();
    return Status(0);
  };
  ui.transBounds = [](uint16_t) { return Status(0); };
  DataUiSet(ui);
  Parm(kTrCond, "BALANCE{}<>0");
  EXPECT_EQ(Run("", 0x180), 0);
  EXPECT_EQ(VarSysIntGet(kSysCount), 2);
  EXPECT_EQ(box, "");
  Parm(kTrLimits, "'ZC02',''");
  EXPECT_EQ(Run("", 0x80), 0);
  EXPECT_EQ(VarSysIntGet(kSysCount), 2);
  EXPECT_EQ(box, "Counted 2 rows in CUST");
  DataFileCloseAll();
  EXPECT_EQ(CustCheck(), "");
}

}  // namespace

namespace {

// IS_SQL without STREAM exports into another data file of the dictionary
// (SQLTABLE$, else the external name): the fields of the same names.
TEST_F(TransLayoutTest, SqlExportIntoAnotherFile) {
  EXPECT_EQ(Run("ARCHIVE", 0x1104), 0) << ErrDetail().Str();
  EXPECT_EQ(VarSysIntGet(kSysCount), 3);
  DataFileCloseAll();
  EXPECT_EQ(Bytes("ARCHIVE.FD"), kAnn.substr(0, 36) + kBrien.substr(0, 36) + kZed.substr(0, 36));
  EXPECT_EQ(Run("CUST", 0x1104), st::BADINPUTDATA);  // its own file
  EXPECT_EQ(Run("NOSUCH", 0x1104), st::BADFILENUMBER);
}

}  // namespace
