// Relations: relation-file lines, relation-key items, relation numbers.
#include <gtest/gtest.h>

#include "data/relations.h"
#include "support/runtime_fixture.h"

namespace {

TEST(RelationFile, LinesByColumns) {
  struct Row {
    const char* line;
    bool ok;
    int file, rel;
    const char* stmt;
  } rows[] = {
      {"0201 FILEREL(2;3;1;4;T{3}=T{3}+_SGN*A{2})", true, 2, 1, "FILEREL(2;3;1;4;T{3}=T{3}+_SGN*A{2})"},
      {" 2 0X=1", true, 2, 0, "X=1"},           // blanks read as zeros
      {"1203\t  Y=2\r\n", true, 12, 3, "Y=2"},  // leading blanks and the line end dropped
      {"0201", false, 0, 0, ""},                // no statement
      {"0201    ", false, 0, 0, ""},
      {"0001 X=1", false, 0, 0, ""},            // file 0 addresses no file
      {"a201 X=1", false, 0, 0, ""},            // not a number
      {"02x1 X=1", false, 0, 0, ""},
      {"", false, 0, 0, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.line);
    RelLine out;
    ASSERT_EQ(RelLineParse(r.line, &out), r.ok);
    if (!r.ok) continue;
    EXPECT_EQ(out.file, r.file);
    EXPECT_EQ(out.rel, r.rel);
    EXPECT_EQ(out.stmt, r.stmt);
  }
}

TEST(RelationFile, NameByPrefixAndSwitch) {
  EXPECT_EQ(RelFileName("CO:Accounting", false), "CORELUP.DAT");
  EXPECT_EQ(RelFileName("GAX", true), "GARELUPSQL.DAT");
}

// Items are found by their name shape, so values may hold ":" and "=".
TEST(RelationKeys, ItemsByNameShape) {
  const char* list = "3R1K1=DOC{2}: 4R1K2:CODE{2}+':'+X:3R2K1=A=B:12R1K3=N{2}";
  struct Row {
    int b, c;
    const char* value;
    uint16_t k;
  } rows[] = {
      {3, 1, "DOC{2}", 1},
      {4, 1, "CODE{2}+':'+X", 2},
      {3, 2, "A=B", 1},
      {12, 1, "N{2}", 3},
      {2, 1, "", 0},   // 12R1K3 is not file 2
      {3, 3, "", 0},
      {5, 1, "", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.b) + "R" + std::to_string(r.c));
    uint16_t k = 99;
    EXPECT_EQ(RelKeyFind(list, r.b, r.c, &k), r.value);
    EXPECT_EQ(k, r.k);
  }
  uint16_t k = 0;
  EXPECT_EQ(RelKeyFind("", 3, 1, &k), "");
  EXPECT_EQ(RelKeyFind("XR1K1=A", 3, 1, &k), "");
}

// Relation 0 always comes first and no relation is taken twice (it would
// count its totals twice).
TEST(RelationNumbers, ZeroFirstEachOnce) {
  struct Row {
    const char* list;
    std::vector<int> want;
  } rows[] = {
      {"", {0}},
      {"1.00", {0, 1}},  // a number result renders with decimals
      {"2,0,1,2", {0, 2, 1}},
      {" 3 ,x,1.5,-1", {0, 3, 1}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.list);
    EXPECT_EQ(RelNumbers(r.list), r.want);
  }
}

}  // namespace
