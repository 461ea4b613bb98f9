// Dictionary files and the definition store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/dictionary/dictionary.h"
#include "dic_fixture.h"
#include "runtime/dynstrings.h"

namespace {

std::string Detail() { return ErrDetail().Str(); }

// The fixture TTDICC.DAT: CUSTOMER with two keys and relation keys, LINES
// and TOTALS without key lines; a comment line, a blank line, CR LF ends.
TEST_F(DicTest, LoadsFilesFieldsAndKeys) {
  ASSERT_EQ(Load("TT", "/nonexistent," + kDicFixtures), 0) << Detail();
  ASSERT_EQ(DataFileCount(), 3);

  struct FileRow {
    int file;
    const char* name;
    const char* location;
    int kind, fields, recLen;
    const char* keys;
    const char* relKeys;
  } files[] = {
      {1, "CUSTOMER", "DATA", 1, 3, 48, "0+6 6+30,0+6", "3R1K1=CODE{1}:CUSTOMER=1"},
      {2, "LINES", "DATA", 2, 3, 19, "0+9", "DOC=DOC{2}"},  // default key through N_LINE
      {3, "TOTALS", "DEFLOC", 3, 3, 26, "0+6", ""},          // default key on field 1
  };
  for (const FileRow& r : files) {
    SCOPED_TRACE(r.name);
    DataFileDesc d = DicFileDesc(r.file);
    EXPECT_EQ(d.file, r.file);
    EXPECT_EQ(d.kind, r.kind);
    EXPECT_EQ(d.fieldCount, r.fields);
    EXPECT_EQ(d.recLen, r.recLen);
    EXPECT_EQ(DicFileName(r.file).Str(), r.name);
    EXPECT_EQ(DicFileLocation(r.file).Str(), r.location);
    EXPECT_EQ(Keys(r.file), r.keys);
    EXPECT_EQ(DicRelKeys(r.file).Str(), r.relKeys);
  }

  struct FieldRow {
    int file, field;
    const char* name;
    int offset, length;
    char type;
    int global;
  } fields[] = {
      {1, 2, "Name", 6, 30, 'A', 1},   {1, 3, "BALANCE", 36, 12, '2', 2}, {2, 2, "N_LINE", 6, 3, 'N', 4},
      {3, 1, "DOC", 0, 6, 'A', 6},     {3, 2, "DATE", 6, 8, 'D', 7},
  };
  for (const FieldRow& r : fields) {
    SCOPED_TRACE(r.name);
    DataFieldDesc d = DicFieldDesc(r.file, r.field);
    EXPECT_EQ(d.file, r.file);
    EXPECT_EQ(d.field, r.field);
    EXPECT_EQ(d.offset, r.offset);
    EXPECT_EQ(d.length, r.length);
    EXPECT_EQ(d.type, r.type);
    EXPECT_EQ(DicFieldIndex(r.file, r.field), r.global);
    EXPECT_EQ(DicFieldName(r.file, r.field).Str(), r.name);
    EXPECT_EQ(DicFieldFind(r.file, S(r.name)), r.field);
  }
  EXPECT_EQ(DicFieldFind(1, S("NAME")), 0xffff);  // names keep their case
  EXPECT_EQ(DicKeyIndex(1, 2), 1);
  EXPECT_EQ(DicKeyIndex(3, 1), 3);
  EXPECT_EQ(DicKeyIndex(3, 2), 0xffff);
  DicCounts c = DicCountsGet();
  EXPECT_EQ(c.files, 3);
  EXPECT_EQ(c.fields, 9);
  EXPECT_EQ(c.keys, 4);

  EXPECT_EQ(DataFileFind(S("lines")), 2);
  EXPECT_EQ(DataFileFind(S("NOSUCH")), 0);
  EXPECT_EQ(DataFileFind(S("3")), 3);
  EXPECT_EQ(DicFileList(1).Str(), "CUSTOMER,LINES,TOTALS");
  EXPECT_EQ(DicFileList(2).Str(), "DATA\\CUSTOMER.FD,DATA\\LINES.FD,DEFLOC\\TOTALS.FD");
  EXPECT_EQ(DicSysFileName(S("TT"), 3).Str(), "TTRELUP.DAT");
}

TEST_F(DicTest, DisplayWidthByType) {
  struct Row {
    char type;
    uint16_t length, width;
  } rows[] = {{'2', 10, 13}, {'0', 5, 6}, {'8', 5, 14}, {'9', 5, 5}, {'N', 5, 5}, {' ', 5, 5}, {'.', 5, 5}};
  for (const Row& r : rows) EXPECT_EQ(DicFieldWidth(r.type, r.length), r.width) << "type " << r.type;
}

// Every file without key lines gets its default key at the end of the load,
// also when the dictionary ends with a key line.
TEST_F(DicTest, DefaultKeysWhateverTheLastLine) {
  Write("KKDICC.DAT", {"01 A**01A", "01 F1    004 AF1", "01 B**01B", "01 F1    004 AF1", "01 N     002 NN_LINE",
                       "01 F3    001 AF3", "01 C**01C", "01 F1    005 AF1", "31 k <0003002"});
  ASSERT_EQ(Load("KK"), 0) << Detail();
  EXPECT_EQ(Keys(1), "2+2");
  EXPECT_EQ(Keys(2), "0+6");
  EXPECT_EQ(Keys(3), "0+5");
}

// A nested dictionary as the first line: its files come first, the outer key
// line 32 names the outer file that follows them, and each relation file
// numbers the files of its own load.
TEST_F(DicTest, NestedDictionary) {
  ASSERT_EQ(Load("OU", kDicFixtures), 0) << Detail();
  ASSERT_EQ(DataFileCount(), 3);
  EXPECT_EQ(DicFileList(1).Str(), "COUNTRY,CURRENCY,ORDERS");
  EXPECT_EQ(Keys(1), "0+3");
  EXPECT_EQ(Keys(2), "0+3");
  EXPECT_EQ(Keys(3), "6+6,0+6");
  EXPECT_EQ(DicRelKeys(1).Str(), "CUR=CODE{2}");
  EXPECT_EQ(DicFileLocation(1).Str(), "DEFLOC");
}

// A nested dictionary between two file lines: the key lines still name the
// outer files by their own line numbers, before and after it.
TEST_F(DicTest, NestedDictionaryInTheMiddle) {
  Write("PPDICC.DAT", {"01 A**01A", "01 X     002 AX", "02 Shared*$*00NN", "03 B**01B", "03 Y     004 AY",
                       "31 <0002001", "33 <0001004"});
  ASSERT_EQ(Load("PP", dir.path() + "," + kDicFixtures), 0) << Detail();
  EXPECT_EQ(DicFileList(1).Str(), "A,COUNTRY,CURRENCY,B");
  EXPECT_EQ(Keys(1), "1+1");
  EXPECT_EQ(Keys(3), "0+3");
  EXPECT_EQ(Keys(4), "0+4");
}

// A second application's dictionary loaded on top of the first: its lines
// address its own files and never move another file's keys, also when its
// key line for Y comes before those of X.
TEST_F(DicTest, LoadOnTopKeepsEveryFilesKeys) {
  ASSERT_EQ(Load("TT", kDicFixtures), 0) << Detail();
  Write("SSDICC.DAT", {"01 X**01X", "01 A     004 AA", "01 B     004 AB", "01 Y**01Y", "01 A     002 AA",
                       "32 y <0001002", "31 x <0005004", "31 x2 <0001008"});
  Write("SSREL.DAT", {"62 rel:Y=1"});
  ASSERT_EQ(Load("SS"), 0) << Detail();
  EXPECT_EQ(Keys(1), "0+6 6+30,0+6");
  EXPECT_EQ(Keys(2), "0+9");
  EXPECT_EQ(Keys(3), "0+6");
  EXPECT_EQ(Keys(4), "4+4 0+8");
  EXPECT_EQ(Keys(5), "0+2");
  EXPECT_EQ(DicKeyIndex(4, 2), 5);
  EXPECT_EQ(DicKeyIndex(5, 1), 6);
  EXPECT_EQ(DicRelKeys(5).Str(), "Y=1");
  EXPECT_EQ(DicRelKeys(2).Str(), "DOC=DOC{2}");
}

// Each faulty dictionary answers its code, records it with module 18, names
// the dictionary file and line, and leaves nothing of the load behind.
TEST_F(DicTest, FaultyDictionaries) {
  std::string wide(999, 'x');
  std::vector<std::string> tooLong = {"01 A**01A"};
  for (int i = 0; i < 33; ++i) tooLong.push_back("01 F     999 AF" + std::to_string(i));
  std::vector<std::string> files31;
  for (int i = 1; i <= 31; ++i) {
    files31.push_back("01 F**01F" + std::to_string(i));
    files31.push_back("01 A     001 AA");
  }
  struct Row {
    const char* id;
    std::vector<std::string> dicc;
    std::vector<std::string> rel;
    Status code;
    const char* detail;
  } rows[] = {
      {"31 files", files31, {}, st::FILEOUTBOUND, "line 61"},
      {"field before any file", {"01 A     001 AA"}, {}, st::FILEOUTBOUND, "line 1: field line without a file line"},
      {"field after a nested dictionary", {"01 N*$*00NN", "01 A     001 AA"}, {}, st::FILEOUTBOUND, "line 2"},
      {"key of a file not defined", {"01 A**01A", "01 A     001 AA", "32 <0001001"}, {}, st::BADINPUTDATA, "line 3"},
      {"key part past the record", {"01 A**01A", "01 A     004 AA", "31 <0003003"}, {}, st::BADINPUTDATA,
       "outside the record of 4 bytes"},
      {"key position 0000", {"01 A**01A", "01 A     004 AA", "31 <0000002"}, {}, st::BADINPUTDATA, "line 3"},
      {"key group not digits", {"01 A**01A", "01 A     004 AA", "31 <00x1002"}, {}, st::BADINPUTDATA, "line 3"},
      {"key line without <", {"01 A**01A", "01 A     004 AA", "31 0001002"}, {}, st::BADINPUTDATA, "line 3"},
      {"line over 512 bytes", {"01 A**01A", "01 A     004 A" + std::string(600, 'a')}, {}, st::BADINPUTDATA,
       "line 2: line longer than 512 bytes"},
      {"field line too short", {"01 A**01A", "01 A     004 "}, {}, st::BADINPUTDATA, "line 2"},
      {"field length not digits", {"01 A**01A", "01 A      4  AA"}, {}, st::BADINPUTDATA, "line 2"},
      {"field length 000", {"01 A**01A", "01 A     000 AA"}, {}, st::BADINPUTDATA, "line 2"},
      {"record over 32767 bytes", tooLong, {}, st::BADINPUTDATA, "line 34"},
      {"same file twice", {"01 A**01A", "01 A     001 AA", "01 B*defloc*01a"}, {}, st::BADINPUTDATA, "line 3"},
      {"file name with a path", {"01 A**01..\\A", "01 A     001 AA"}, {}, st::BADINPUTDATA, "line 1"},
      {"file without fields", {"01 A**01A", "01 B**01B", "01 A     001 AA"}, {}, st::BADINPUTDATA, "A has no fields"},
      {"relation key of a file not defined", {"01 A**01A", "01 A     001 AA"}, {"62 rel:X=1"}, st::BADFILENUMBER,
       "REL.DAT, line 1"},
      {"nested dictionary missing", {"01 A*$*00QQ"}, {}, st::FILENOTFOUND, "QQDICC.DAT["},
      {"nested dictionary nests itself", {"01 A*$*00ZZ"}, {}, st::BADINPUTDATA, "contains itself"},
      {"key for a nested slot", {"01 N*$*00NN", "31 <0001001"}, {}, st::BADINPUTDATA, "line 2"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    ErrClear();
    Write("ZZDICC.DAT", r.dicc);
    std::remove(dir.File("ZZREL.DAT").c_str());
    if (!r.rel.empty()) Write("ZZREL.DAT", r.rel);
    EXPECT_EQ(Load("ZZ", dir.path() + "," + kDicFixtures), r.code);
    EXPECT_EQ(ErrGet(), r.code | (uint32_t{MOD_DATAFILE} << 16));
    EXPECT_NE(Detail().find(r.detail), std::string::npos) << Detail();
    EXPECT_EQ(DataFileCount(), 0);
    EXPECT_EQ(DicCountsGet().fields, 0);
    EXPECT_EQ(DynStrCount(FieldNamesList), 0u);
  }
}

// A chain of dictionaries each nesting the next ends at the depth limit
// with its own code, naming the file, not as a file that is not there.
TEST_F(DicTest, NestingPastTheDepthLimitIs145) {
  const int chain = 600;
  for (int i = 0; i < chain; ++i) Write("N" + std::to_string(i) + "DICC.DAT", {"01 N*$*00N" + std::to_string(i + 1)});
  Write("N" + std::to_string(chain) + "DICC.DAT", {"01 A**01A", "01 A     001 AA"});
  EXPECT_EQ(Load("N0", dir.path()), st::OUTOFMEMORY);
  EXPECT_NE(Detail().find("N" + std::to_string(kDicMaxDepth) + "DICC.DAT nested deeper than"), std::string::npos)
      << Detail();
  EXPECT_EQ(DataFileCount(), 0);
  ErrClear();
  EXPECT_EQ(Load("N" + std::to_string(chain - kDicMaxDepth + 1), dir.path()), 0) << Detail();  // at the limit
}

TEST_F(DicTest, MissingDictionaryNamesTheDirectories) {
  EXPECT_EQ(Load("QQ", "/a,/b"), st::FILENOTFOUND);
  EXPECT_EQ(Detail(), "QQDICC.DAT[/a,/b]");
  EXPECT_EQ(Load("../", "/a"), st::BADINPUTDATA);
}

// Thirty files all receive fields; comments, blank lines and numbers 00 and
// above 90 are skipped; a missing relation file is no error.
TEST_F(DicTest, EdgeDictionariesLoad) {
  std::vector<std::string> lines = {"", "  indented comment", "00 zero", "95 above ninety", "\x1a"};
  for (int i = 1; i <= 30; ++i) {
    lines.push_back("01 F**01F" + std::to_string(i));
    lines.push_back("01 A     002 AA");
  }
  Write("EEDICC.DAT", lines);
  ASSERT_EQ(Load("EE"), 0) << Detail();
  EXPECT_EQ(DataFileCount(), 30);
  EXPECT_EQ(DicFieldCount(30), 1);
  EXPECT_EQ(Keys(30), "0+2");
  EXPECT_EQ(DicDefineFile(1, S("MORE"), S("")), st::FILEOUTBOUND);
}

TEST_F(DicTest, KeyPartsAndFields) {
  Write("KKDICC.DAT", {"01 A**01A", "01 CODE  004 ACODE", "01 DATE  008 DDATE", "01 N     003 NN",
                       "31 <0005008", "31 <00060060001002", "31 <0013001"});
  ASSERT_EQ(Load("KK"), 0) << Detail();
  KeyFieldList f = KeyFields(1, 2);
  EXPECT_EQ(f.status, 0);
  ASSERT_EQ(f.count, 2);
  EXPECT_EQ(f.field[0], 2);
  EXPECT_EQ(f.field[1], 1);
  EXPECT_EQ(KeyLen(1, 2, 1), 6);
  EXPECT_EQ(KeyLen(1, 2, 0), 8);
  EXPECT_EQ(KeyLen(1, 2, -1), 8);
  EXPECT_EQ(KeyFind(1, 2), 1);
  EXPECT_EQ(KeyFind(1, 3), 3);
  EXPECT_EQ(KeyFind(1, 1), 0);
  EXPECT_EQ(KeyFindDate(1), 1);
  EXPECT_EQ(DicKeyCheck(1, 4), st::DATAOUTBOUND);
  EXPECT_EQ(Detail(), "(File:1, Field:4)");
  EXPECT_EQ(DicCheckFileField(1, 9), st::DATAOUTBOUND);
  EXPECT_EQ(Detail(), "(File:1, Field:9)");
  EXPECT_EQ(DicCheckFileField(1, -1), 0);
  EXPECT_EQ(DicCheckFileField(2, -1), st::DATAOUTBOUND);
  KeyPart p;
  EXPECT_EQ(KeyPartsDesc(1, 9, &p), 0);

  struct Row {
    const char* line;
    Status code;
    uint16_t count;
  } rows[] = {
      {"31 k <0001002000300400050060007008000900100110120", 0, 5},  // a sixth group is not read
      {"31 k <0001002   ", 0, 1},
      {"31 k <0001002x", 0, 1},  // one character left is not a group
      {"31 k <000100", st::BADINPUTDATA, 0},
      {"31 k <", st::BADINPUTDATA, 0},
  };
  for (const Row& r : rows) {
    uint16_t count = 9;
    EXPECT_EQ(DicKeySegsParse(S(r.line), &count, &p), r.code) << r.line;
    EXPECT_EQ(count, r.count) << r.line;
  }
}

TEST_F(DicTest, CurrentFileAndNamesAsWritten) {
  ASSERT_EQ(Load("TT", kDicFixtures), 0) << Detail();
  ASSERT_EQ(VarSysIntSet(kSysCurFil, 2), 0);
  EXPECT_EQ(DicFieldFind(0, S("N_LINE")), 2);
  EXPECT_EQ(DicKeyCount(255), 1);
  EXPECT_EQ(DataFileFind(S("")), 2);
  EXPECT_EQ(DicFileRefSuffix(0).Str(), "{}");
  EXPECT_EQ(DicFileRefSuffix(3).Str(), "{3}");
  EXPECT_EQ(DataFileStateItem(2, 1).Str(), "2;1");
  ASSERT_EQ(VarSysIntSet(kSysAuxStat, 8), 0);
  ASSERT_EQ(DicDefineFile(4, S("Mixed"), S("")), 0);
  EXPECT_EQ(DicFileName(4).Str(), "Mixed");
  EXPECT_EQ(DataFileFind(S("Mixed")), 4);
  EXPECT_EQ(DataFileFind(S("MIXED")), 0);
}

// Descriptors read once are not kept past a change of the definitions: a
// file removed and defined again with other fields reads as defined now.
TEST_F(DicTest, DescriptorsFollowEveryChangeOfTheDefinitions) {
  ASSERT_EQ(Load("TT", kDicFixtures), 0) << Detail();
  ASSERT_EQ(DicFieldDesc(3, 2).offset, 6);
  ASSERT_EQ(DicRecLen(3), 26);
  ASSERT_EQ(DicTruncate(2), 0);
  EXPECT_EQ(DicFieldDesc(3, 2).length, 0);
  EXPECT_EQ(DicRecLen(3), 0);
  EXPECT_EQ(DicCheckFileField(3, 1), st::DATAOUTBOUND);
  ASSERT_EQ(DicDefineFile(3, S("OTHER"), S("")), 0);
  ASSERT_EQ(DicDefineField(S("A"), 4, 'A'), 0);
  EXPECT_EQ(DicRecLen(3), 4);
  EXPECT_EQ(DicFieldDesc(3, 2).length, 0);
  ASSERT_EQ(DicDefineField(S("B"), 10, 'N'), 0);
  DataFieldDesc d = DicFieldDesc(3, 2);
  EXPECT_EQ(d.offset, 4);
  EXPECT_EQ(d.length, 10);
  EXPECT_EQ(DicFieldType(3, 2), 'N');
  EXPECT_EQ(DicRecLen(3), 14);
  EXPECT_EQ(DicCheckFileField(3, 2), 0);
  // The files before stay as they were.
  EXPECT_EQ(DicFieldDesc(1, 3).offset, 36);
  EXPECT_EQ(DicFieldDesc(2, 2).length, 3);
}

// Both programs' demo dictionaries load with every file keyed.
TEST_F(DicTest, DemoDictionariesLoad) {
  struct App {
    const char* dir;
    const char* prefix;
  } apps[] = {{"accounting", "CO"}, {"administration", "GA"}};
  for (const App& app : apps) {
    SCOPED_TRACE(app.dir);
    RuntimeReset();
    ASSERT_EQ(VarSysInit(), 0);
    std::string dirs = std::string(KX_SOURCE_DIR) + "/apps/" + app.dir + "/demo";
    ASSERT_EQ(DicLoad(S(dirs), S(app.prefix), S("")), 0) << Detail();
    EXPECT_GE(DataFileCount(), 3);
    for (int n = 1; n <= DataFileCount(); ++n) EXPECT_GE(DicKeyCount(n), 1) << DicFileName(n).Str();
  }
}

}  // namespace
