// The log file, framed log blocks and the assertion check.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "support/runtime_fixture.h"

namespace {

class LogTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(DynStrInit(), 0);
    ErrClear();
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static StrValue S(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }
  TempDir dir_;
};

TEST_F(LogTest, FileNameAndAppending) {
  ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, StrFromC("GAVGQT24:Orbisquale")), 0);
  EXPECT_EQ(LogFileName().Str(), "GAlog.txt");

  std::string name = dir_.File("run.log");
  std::ofstream(name) << "old contents";
  ASSERT_EQ(LogSetName(S(name)), 0);
  EXPECT_FALSE(std::filesystem::exists(name));  // a set log starts empty
  EXPECT_EQ(LogFileName().Str(), name);
  EXPECT_TRUE(LogWrite(LogFileName(), StrFromC("one")));
  EXPECT_TRUE(LogWrite(LogFileName(), StrFromC("two")));
  EXPECT_EQ(Read(name), "one\r\ntwo\r\n");
  EXPECT_FALSE(LogWrite(StrFromC(""), StrFromC("lost")));
  EXPECT_EQ(LogSetName(StrFromC("")), 0);  // an empty name changes nothing
  EXPECT_EQ(LogFileName().Str(), name);
}

// The header is bounded; the text is written whole, however long.
TEST_F(LogTest, FramedBlock) {
  std::string name = dir_.File("block.log");
  std::string longText(5000, 'L');
  ASSERT_EQ(LogBlock(StrFromC("first"), S(name)), 0);
  ASSERT_EQ(LogBlock(S(longText), S(name)), 0);
  std::string frame =
      R"(\*{29}\r\n Date:\d\d-\d\d-\d{4} - Time:\d\d:\d\d - User:0\r\n)";
  std::regex expected(frame + "first" + R"(\r\n\*{22}\r\n\r\n)" + frame + longText +
                      R"(\r\n\*{22}\r\n\r\n)");
  EXPECT_TRUE(std::regex_match(Read(name), expected)) << Read(name).substr(0, 200);
}

TEST_F(LogTest, BlockToAFileThatCannotBeOpened) {
  std::string name = dir_.File("missing-dir/x.log");
  EXPECT_EQ(LogBlock(StrFromC("text"), S(name)), st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().Str(), name);
}

TEST_F(LogTest, ErrorLinesFollowTheTraceBits) {
  ASSERT_EQ(LogSetName(S(dir_.File("trace.log"))), 0);
  EXPECT_FALSE(LogError(StrErr(145), 0));
  EXPECT_FALSE(LogError(StrErr(145), 0x100));  // only the low 8 bits count
  EXPECT_FALSE(std::filesystem::exists(dir_.File("trace.log")));
}

struct AssertSeen {
  static inline std::string text, caption;
  static inline int ends = 0;
  static void Box(StrValue t, StrValue c) {
    text = t.Str();
    caption = c.Str();
  }
  static void End() { ++ends; }
};

// A failed check shows the box, appends the block to assertions.log in the
// current directory and ends the process (here: the test's hook returns).
TEST_F(LogTest, AssertionCheck) {
  auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  AssertBoxFn oldBox = AssertBoxHookSet(AssertSeen::Box);
  ProcessEndFn oldEnd = AssertEndHookSet(AssertSeen::End);

  EXPECT_EQ(AssertCheck(true, StrFromC("MantWindow")).Str(), "MantWindow");
  EXPECT_EQ(AssertSeen::ends, 0);
  EXPECT_FALSE(std::filesystem::exists(kAssertLogFile));

  StrValue r = AssertCheck(false, StrFromC("MantWindow"));
  EXPECT_EQ(StrError(r), st::INTERNALERROR);
  EXPECT_EQ(AssertSeen::ends, 1);
  EXPECT_EQ(AssertSeen::text, "MantWindow");
  EXPECT_EQ(AssertSeen::caption, "Assertion Fail");
  std::string log = Read(kAssertLogFile);
  EXPECT_NE(log.find(" - User:0\r\nMantWindow\r\n**********************\r\n\r\n"), std::string::npos) << log;

  AssertBoxHookSet(oldBox);
  AssertEndHookSet(oldEnd);
  std::filesystem::current_path(cwd);
}

// The default ending really ends the process, abnormally.
TEST_F(LogTest, AssertionEndsTheProcess) {
  auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  EXPECT_EXIT(AssertCheck(false, StrFromC("Dying")), ::testing::ExitedWithCode(3), "Assertion Fail: Dying");
  std::filesystem::current_path(cwd);
}

}  // namespace
