// Record buffer pairs, field values and field references.
#include <gtest/gtest.h>

#include <string>

#include "data/store/recbuf.h"
#include "script/evaluator.h"
#include "dic_fixture.h"

namespace {

class RecBufTest : public DicTest {
 protected:
  // REC (35 bytes): CODE A4 @0, DATE D8 @4, CDATE F6 @12, NUM N5 @18,
  // AMT 2-decimal 8 @23, FLAG L1 @31, LAST A3 @32; key 1 CODE, key 2
  // DATE + CODE. LINES (12 bytes): DOC A4, N_LINE N3, QTY N5; default key.
  void SetUp() override {
    DicTest::SetUp();
    Write("RBDICC.DAT", {"01 Rec**01REC", "01 CODE  004 ACODE", "01 DATE  008 DDATE", "01 CDATE 006 FCDATE",
                         "01 NUM   005 NNUM", "01 AMT   008 2AMT", "01 FLAG  001 LFLAG", "01 LAST  003 ALAST",
                         "31 <0001004", "31 <00050080001004", "02 Lines**01LINES", "01 DOC   004 ADOC",
                         "01 NLINE 003 NN_LINE", "01 QTY   005 NQTY"});
    ASSERT_EQ(Load("RB"), 0) << ErrDetail().Str();
    ASSERT_EQ(RecBufAlloc(1), 0);
    ASSERT_EQ(RecBufAlloc(2), 0);
  }
  static std::string Cur(int file) { return RecBuf(file, kRecCurrent).Str(); }
  static std::string Saved(int file) { return RecBuf(file, kRecSaved).Str(); }
};

TEST_F(RecBufTest, PairLifecycle) {
  EXPECT_EQ(RecBuf(1, kRecBoth).Str(), std::string(70, ' '));
  EXPECT_EQ(RecBufChanged(1), 0);
  ASSERT_EQ(RecFieldSet(1, 1, S("AB")), 0);
  EXPECT_EQ(RecBufChanged(1), 1);
  ASSERT_EQ(RecBufCopy(1, 1), 0);
  EXPECT_EQ(RecBufChanged(1), 0);
  EXPECT_EQ(Saved(1).substr(0, 4), "AB  ");
  ASSERT_EQ(RecFieldSet(1, 1, S("CD")), 0);
  ASSERT_EQ(RecBufCopy(1, 2), 0);
  EXPECT_EQ(Cur(1).substr(0, 4), "AB  ");
  EXPECT_EQ(RecBufCopy(1, 7), 0);

  ASSERT_EQ(RecBufSet(1, kRecSaved, S(std::string(40, 'x'))), 0);  // cut to the part
  EXPECT_EQ(Saved(1), std::string(35, 'x'));
  EXPECT_EQ(Cur(1).substr(0, 4), "AB  ");
  ASSERT_EQ(RecBufClear(1, 2), 0);
  EXPECT_EQ(RecBuf(1, kRecBoth).Str(), "\x1b" + std::string(69, ' '));
  ASSERT_EQ(RecBufClear(1, 1), 0);
  EXPECT_EQ(Cur(1), std::string(35, ' '));

  EXPECT_EQ(StrError(RecBuf(1, 4)), st::DATAOUTBOUND);
  EXPECT_EQ(StrError(RecBuf(3, 1)), st::DATAOUTBOUND);
  ASSERT_EQ(DicTruncate(1), 0);  // file 2 redefined: its old pair is gone
  ASSERT_EQ(DicDefineFile(1, S("OTHER"), S("")), 0);
  ASSERT_EQ(DicDefineField(S("X"), 12, 'A'), 0);
  EXPECT_EQ(StrError(RecBuf(2, 1)), st::FILENOTINIT);
  EXPECT_EQ(RecFieldSet(2, 1, S("v")), st::FILENOTINIT);
  EXPECT_EQ(RecBufChanged(2), 0);
}

// A field reads from the part asked for; a read outside the dictionary or
// from a pair that is missing or of another length fails with the code a
// write gives, and a failed read also records 151 with module 13.
TEST_F(RecBufTest, FieldReadsOfBothPartsAndTheirFailures) {
  ASSERT_EQ(RecFieldSet(1, 1, S("OLD")), 0);
  ASSERT_EQ(RecFieldSet(1, 7, S("END")), 0);
  ASSERT_EQ(RecBufCopy(1, 1), 0);
  ASSERT_EQ(RecFieldSet(1, 1, S("NEW")), 0);
  ASSERT_EQ(RecFieldSet(1, 7, S("FIN")), 0);
  EXPECT_EQ(RecFieldRaw(1, 1, kRecSaved).Str(), "OLD ");
  EXPECT_EQ(RecFieldRaw(1, 7, kRecSaved).Str(), "END");
  EXPECT_EQ(RecFieldRaw(1, 7, kRecCurrent).Str(), "FIN");
  EXPECT_EQ(RecFieldGet(1, 1).Str(), "NEW ");
  ASSERT_EQ(VarSysIntSet(kSysCurFil, 1), 0);
  EXPECT_EQ(RecFieldGet(0, 7).Str(), "FIN");  // 0: the current file

  struct Row {
    const char* id;
    int file, field;
    Status status;
    const char* detail;
  } rows[] = {
      {"field 0", 1, 0, st::DATAOUTBOUND, "(File:1, Field:0)"},
      {"past the last field", 1, 8, st::DATAOUTBOUND, "(File:1, Field:8)"},
      {"file not defined", 3, 1, st::DATAOUTBOUND, "(File:3, Field:1)"},
      {"pair gone with the file's old definition", 2, 1, st::FILENOTINIT, nullptr},
  };
  ASSERT_EQ(DicTruncate(1), 0);
  ASSERT_EQ(DicDefineFile(1, S("OTHER"), S("")), 0);
  ASSERT_EQ(DicDefineField(S("X"), 12, 'A'), 0);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    ErrClear();
    EXPECT_EQ(StrError(RecFieldRaw(r.file, r.field, kRecCurrent)), r.status);
    EXPECT_EQ(StrError(RecFieldGet(r.file, r.field)), r.status);
    EXPECT_EQ(ErrGet(), st::BADFILENUMBER | (uint32_t{MOD_BUFFERFLD} << 16));
    if (r.detail) {
      EXPECT_EQ(ErrDetail().Str(), r.detail);
    }
  }
  RecBufDiscard(1);
  EXPECT_EQ(StrError(RecFieldGet(1, 1)), st::FILENOTINIT);
  EXPECT_EQ(StrError(RecFieldRaw(1, 1, kRecSaved)), st::FILENOTINIT);
}

// Values go in by type letter and come back as stored; a failure leaves the
// record as it was and records 151 with module 13.
TEST_F(RecBufTest, FieldValuesByType) {
  struct Row {
    const char* id;
    int field;
    std::string value;
    Status status;
    std::string raw;  // the field's bytes afterwards
  } rows[] = {
      {"text is cut", 1, "ABCDEFG", 0, "ABCD"},
      {"number right-aligned", 4, "42", 0, "   42"},
      {"decimals kept when they fit", 5, "12.345", 0, "  12.345"},
      {"long number rounded to fit", 5, "1234.5678", 0, "1234.568"},
      {"negative rounded half away", 5, "-123.4567", 0, "-123.457"},
      {"integer part too wide", 5, "123456789", st::DATAOUTBOUND, "        "},
      {"date", 2, "20240305", 0, "20240305"},
      {"logical", 6, "1", 0, "1"},
      {"last field ends the record", 7, "XYZW", 0, "XYZ"},
      {"delete mark at offset 0", 1, "\x1b" "AB", st::BADINPUTDATA, "    "},
      {"delete mark elsewhere is text", 7, "\x1b", 0, "\x1b  "},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    ASSERT_EQ(RecBufClear(1, 1), 0);
    ErrClear();
    EXPECT_EQ(RecFieldSet(1, r.field, S(r.value)), r.status);
    EXPECT_EQ(RecFieldRaw(1, r.field, kRecCurrent).Str(), r.raw);
    EXPECT_EQ(ErrGet(), r.status ? st::BADFILENUMBER | (uint32_t{MOD_BUFFERFLD} << 16) : 0u);
    if (r.status) {
      EXPECT_EQ(Cur(1), std::string(35, ' '));
    }
    EXPECT_EQ(Saved(1), std::string(35, ' '));
  }
  EXPECT_EQ(RecFieldSet(1, 8, S("x")), st::DATAOUTBOUND);
  EXPECT_EQ(ErrDetail().Str(), "(File:1, Field:8)");
  EXPECT_EQ(StrError(RecFieldGet(1, 0)), st::DATAOUTBOUND);
  EXPECT_EQ(StrError(RecFieldRaw(1, 1, 3)), st::DATAOUTBOUND);
}

// With _COMPAT bit 4 a six-character F date is kept compact: A-J stand for
// the decades of 2000-2099, blanks for the tens of month and day that are 0.
TEST_F(RecBufTest, CompactDates) {
  ASSERT_EQ(VarSysIntSet(kSysCompat, 4), 0);
  struct Row {
    const char* value;
    Status status;
    const char* stored;
    const char* read;
  } rows[] = {
      {"20050315", 0, "A5 315", "20050315"}, {"19990315", 0, "99 315", "19990315"},
      {"20311201", 0, "D112 1", "20311201"}, {"", 0, "      ", "        "},
      {"18990101", st::DATAOUTBOUND, "      ", "        "},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    ASSERT_EQ(RecBufClear(1, 1), 0);
    EXPECT_EQ(RecFieldSet(1, 3, S(r.value)), r.status);
    EXPECT_EQ(RecFieldRaw(1, 3, kRecCurrent).Str(), r.stored);
    EXPECT_EQ(RecFieldGet(1, 3).Str(), r.read);
  }
  ASSERT_EQ(RecBufSet(1, kRecCurrent, S(std::string(12, ' ') + "A5 315")), 0);
  EXPECT_EQ(RecFieldGet(1, 3).Str(), "20050315");
  ASSERT_EQ(VarSysIntSet(kSysCompat, 0), 0);
  EXPECT_EQ(RecFieldGet(1, 3).Str(), "A5 315");
  ASSERT_EQ(RecFieldSet(1, 3, S("20050315")), 0);
  EXPECT_EQ(RecFieldRaw(1, 3, kRecCurrent).Str(), "050315");
}

TEST_F(RecBufTest, CodedNumbersRead) {
  ASSERT_EQ(RecBufSet(1, kRecCurrent, S(std::string(18, ' ') + "D17  ")), 0);
  EXPECT_EQ(RecFieldGet(1, 4).Str(), "27");
  ASSERT_EQ(RecFieldSet(1, 4, S("17")), 0);
  EXPECT_EQ(RecFieldGet(1, 4).Str(), "   17");
}

TEST_F(RecBufTest, References) {
  ASSERT_EQ(VarSysIntSet(kSysCurFil, 2), 0);
  struct Row {
    const char* ref;
    Status status;
    int file, field;
  } rows[] = {
      {"CODE{1}", 0, 1, 1},     {"LAST{REC}", 0, 1, 7},         {"DOC{}", 0, 2, 1},
      {"3{1}", 0, 1, 3},        {"{2}", 0, 2, 0},               {"X{9}", st::FILEOUTBOUND, 0, 0},
      {"X{0}", st::FILEOUTBOUND, 0, 0},  {"CODE{1", st::SINTAXERROR, 0, 0},  {"CODE}{1", st::SINTAXERROR, 0, 0},
      {"CODE{1}x", st::SINTAXERROR, 0, 0}, {"99{1}", st::DATAOUTBOUND, 0, 0}, {"code{1}", st::SINTAXERROR, 0, 0},
      {"0{1}", st::SINTAXERROR, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.ref);
    DataFieldDesc d = DicFieldRefParse(S(r.ref));
    EXPECT_EQ(d.status, r.status);
    if (r.status == 0) {
      EXPECT_EQ(d.file, r.file);
      EXPECT_EQ(d.field, r.field);
      EXPECT_EQ(d.type, r.field ? DicFieldType(r.file, r.field) : 'N');
    }
    if (r.status == st::SINTAXERROR) {
      EXPECT_EQ(ErrDetail().Str(), std::string("Field:") + r.ref);
    }
  }
  EXPECT_EQ(DicFieldRefName(1, 5).Str(), "AMT{1}");
  EXPECT_EQ(DicFieldRefName(0, 2).Str(), "N_LINE{2}");

  ASSERT_EQ(RecFieldSetRef(S("AMT{REC}"), S("5.5")), 0);
  EXPECT_EQ(RecFieldGet(1, 5).Str(), "     5.5");
  EXPECT_EQ(RecFieldSetRef(S("nope{1}"), S("1")), st::SINTAXERROR);
  EXPECT_EQ(Cur(1), std::string(23, ' ') + "     5.5" + std::string(4, ' '));
  FieldRef f = FieldRefParse(S("AMT{1}"));
  EXPECT_EQ(f.type, '2');
  EXPECT_EQ(FieldRefRead(f).Str(), "     5.5");
  EXPECT_EQ(StrError(FieldRefRead(FieldRefParse(S("X{9}")))), st::FILEOUTBOUND);
}

// An expression keeps a field reference resolved while the dictionary's
// generation holds: a definition changed, a file opened, or for "NAME{}" the
// current file changed, the reference is resolved again.
TEST_F(RecBufTest, ResolvedReferencesFollowTheDictionary) {
  auto eval = [](const char* text) {
    const StrAreaScope scope;
    return ExpEvalStr(S(text)).Str();
  };
  ASSERT_EQ(RecFieldSet(1, 7, S("abc")), 0);
  EXPECT_EQ(eval("LAST{REC}"), "abc");
  EXPECT_LT(ExpExecText(S("LAST{REC}='de'")), 128);
  EXPECT_EQ(eval("LAST{REC}"), "de ");  // read and set through the kept slot
  EXPECT_EQ(RecFieldGet(1, 7).Str(), "de ");

  uint64_t before = DicGeneration();
  DicRefsInvalidate();  // what opening a file does
  EXPECT_NE(DicGeneration(), before);
  EXPECT_EQ(eval("LAST{REC}"), "de ");

  // REC defined again with LAST as its first field: the kept field 7 would
  // now be out of range.
  ASSERT_EQ(DicTruncate(0), 0);
  ASSERT_EQ(DicDefineFile(1, S("REC"), S("")), 0);
  ASSERT_EQ(DicDefineField(S("LAST"), 3, 'A'), 0);
  ASSERT_EQ(DicDefineField(S("CODE"), 4, 'A'), 0);
  ASSERT_EQ(DicDefineFile(1, S("LINES"), S("")), 0);
  ASSERT_EQ(DicDefineField(S("DOC"), 4, 'A'), 0);
  ASSERT_EQ(RecBufAlloc(1), 0);
  ASSERT_EQ(RecBufAlloc(2), 0);
  ASSERT_EQ(RecFieldSet(1, 1, S("xyz")), 0);
  EXPECT_EQ(eval("LAST{REC}"), "xyz");
  EXPECT_LT(ExpExecText(S("LAST{REC}='q'")), 128);
  EXPECT_EQ(Cur(1), "q      ");

  // "NAME{}" follows the current file.
  ASSERT_EQ(RecFieldSet(2, 1, S("D1")), 0);
  ASSERT_EQ(VarSysIntSet(kSysCurFil, 2), 0);
  EXPECT_EQ(eval("DOC{}"), "D1  ");
  ASSERT_EQ(VarSysIntSet(kSysCurFil, 1), 0);
  EXPECT_EQ(ExpExecText(S("DOC{}")), st::SINTAXERROR);
  ASSERT_EQ(VarSysIntSet(kSysCurFil, 2), 0);
  EXPECT_EQ(eval("DOC{}"), "D1  ");
}

// Key texts are cut from the image part by part; filling a cleared record
// from a key text gives the same key text back, also for the default key,
// which spans two fields.
TEST_F(RecBufTest, KeyTextsRoundTrip) {
  ASSERT_EQ(RecFieldSet(1, 1, S("C1")), 0);
  ASSERT_EQ(RecFieldSet(1, 2, S("20240305")), 0);
  std::string key2 = KeyValueCur(1, 2).Str();
  EXPECT_EQ(key2, "20240305C1  ");
  EXPECT_EQ(KeyValueOf(1, 1, S("ZZZZ" + std::string(31, ' '))).Str(), "ZZZZ");
  ASSERT_EQ(RecBufClear(1, 1), 0);
  ASSERT_EQ(KeyFieldsSet(1, 2, S(key2)), 0);
  EXPECT_EQ(KeyValueCur(1, 2).Str(), key2);
  EXPECT_EQ(StrError(KeyValueCur(1, 3)), st::DATAOUTBOUND);

  ASSERT_EQ(KeyFieldsSet(2, 1, S("AB  007")), 0);
  EXPECT_EQ(KeyValueCur(2, 1).Str(), "AB  007");
  ASSERT_EQ(RecBufClear(2, 1), 0);
  ASSERT_EQ(KeyFieldsSet(2, 1, S("AB")), 0);  // a short text fills what it has
  EXPECT_EQ(Cur(2), std::string("AB") + std::string(10, ' '));

  ASSERT_EQ(RecFieldSet(2, 3, S("9")), 0);
  EXPECT_EQ(KeyFieldsFromText(2, S("XY  001"), 0), 0);  // without flag 1 nothing happens
  EXPECT_EQ(Cur(2), "AB         9");
  ASSERT_EQ(KeyFieldsFromText(2, S("XY  001"), 1), 0);
  EXPECT_EQ(Cur(2), "XY  001     ");
}

}  // namespace
