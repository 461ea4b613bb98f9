// READ$ and WRITE on files and streams.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "builtin_helpers.h"
#include "runtime/errors.h"
#include "runtime/streams.h"
#include "script/evaluator.h"
#include "script/expfiles.h"

namespace {

class FileBuiltinsTest : public VarTest {
 protected:
  TempDir dir;
  std::string Q(const std::string& name) { return "'" + dir.File(name) + "'"; }
  std::string Slurp(const std::string& name) {
    std::ifstream in(dir.File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(FileBuiltinsTest, WriteThenReadFilesAtPositions) {
  EXPECT_EQ(CallBuiltin("WRITE", Q("a.txt") + ";-3;'hello world'").text, "0.00");
  EXPECT_EQ(CallBuiltin("WRITE", Q("a.txt") + ";0;'J'").text, "0.00");       // in place
  EXPECT_EQ(CallBuiltin("WRITE", Q("a.txt") + ";65535;'!'").text, "0.00");   // appends
  EXPECT_EQ(Slurp("a.txt"), "Jello world!");
  EXPECT_EQ(CallBuiltin("WRITE", Q("a.txt") + ";-3;'new'").text, "0.00");    // replaces whole
  EXPECT_EQ(Slurp("a.txt"), "new");
  struct {
    const char* id;
    std::string args;
    const char* want;
  } reads[] = {
      {"whole", Q("a.txt"), "new"},
      {"from", Q("a.txt") + ";1", "ew"},
      {"from-len", Q("a.txt") + ";1;1", "e"},
      {"missing", Q("none.txt"), ""},
  };
  for (const auto& r : reads) {
    CallOutcome out = CallBuiltin("READ$", r.args);
    EXPECT_EQ(out.status, 0) << r.id;
    EXPECT_EQ(out.text, r.want) << r.id;
  }
  EXPECT_EQ(ErrGet() & 0xffff, 0u);  // a failed read records nothing
}

// A position no file can reach is refused whole: nothing is written, not
// even a sparse file up to a clamped offset.
TEST_F(FileBuiltinsTest, WritePositionOutsideAFileIs147AndWritesNothing) {
  const char* positions[] = {"99999999999", "2147483647", "-4", "0-99999999999"};
  for (const char* pos : positions) {
    ErrClear();
    EXPECT_EQ(CallBuiltin("WRITE", Q("big.txt") + ";" + pos + ";'A'").text, "147.00") << pos;
    EXPECT_EQ(ErrGet() & 0xFFFF, st::SINTAXERROR) << pos;
    EXPECT_FALSE(std::ifstream(dir.File("big.txt")).good()) << pos;
  }
}

TEST_F(FileBuiltinsTest, WholeFileOver65535BytesIsEmptyAndRecords146) {
  std::ofstream(dir.File("big.txt"), std::ios::binary) << std::string(70000, 'x');
  CallOutcome out = CallBuiltin("READ$", Q("big.txt"));
  EXPECT_EQ(out.text, "");
  EXPECT_EQ(ErrGet() & 0xffff, st::STRINGTOOLONG);
}

TEST_F(FileBuiltinsTest, StreamsByNumberReadLinesAndTestTheEnd) {
  std::ofstream(dir.File("l.txt"), std::ios::binary) << "one\r\ntwo\r\n";
  uint16_t slot = StreamOpen(S(dir.File("l.txt")), kStreamReadOnly);
  ASSERT_NE(slot, 65535);
  std::string n = std::to_string(slot);
  EXPECT_EQ(CallBuiltin("READ$", n + ";0;0").text, "");
  EXPECT_EQ(CallBuiltin("READ$", n).text, "one");
  EXPECT_EQ(CallBuiltin("READ$", n).text, "two");
  EXPECT_EQ(CallBuiltin("READ$", n + ";0;0").text, "\x1a");
  StreamClose(slot);
  EXPECT_EQ(CallBuiltin("READ$", n).text, "");  // closed slot: empty, no error
}

TEST_F(FileBuiltinsTest, WriteVariablesFileReadsBackThroughTheEvaluator) {
  ASSERT_EQ(ExpEvalStatus(S("tot#=12.5,nm$=\"it's\"")), 0);
  EXPECT_EQ(CallBuiltin("WRITE", Q("v.dat") + ";-2;'tot#,nm$'").text, "0.00");
  ASSERT_EQ(ExpEvalStatus(S("tot#=0,nm$=''")), 0);
  ASSERT_EQ(ExpExecFile(S(dir.File("v.dat")), 1), 0);
  EXPECT_EQ(ExpEvalStr(S("nm$")).Str(), "it's");
  EXPECT_EQ(ExpEvalStr(S("tot#")).Str(), "12.5");
}

}  // namespace
