// The log file, framed log blocks and the assertion check.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/host/clock.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

namespace {

class LogTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(VarSysInit(), 0);  // the store and _TRACE (1)
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

// The header is bounded; the text is written whole, however long. The date
// follows the language's order.
TEST_F(LogTest, FramedBlock) {
  ManualClock clock;
  ClockScope scope(&clock);
  clock.SetLocal({2024, 3, 5, 9, 7, 42});
  std::string name = dir_.File("block.log");
  std::string longText(5000, 'L');
  ASSERT_EQ(LogBlock(StrFromC("first"), S(name)), 0);
  ASSERT_EQ(DynStrSet(SettingsList, SetLanguageItem, StrFromC("ES")), 0);
  ASSERT_EQ(LogBlock(S(longText), S(name)), 0);
  EXPECT_EQ(Read(name),
            "*****************************\r\n Date:03-05-2024 - Time:09:07 - User:0\r\nfirst\r\n"
            "**********************\r\n\r\n"
            "*****************************\r\n Date:05-03-2024 - Time:09:07 - User:0\r\n" +
                longText + "\r\n**********************\r\n\r\n");
}

TEST_F(LogTest, BlockToAFileThatCannotBeOpened) {
  std::string name = dir_.File("missing-dir/x.log");
  EXPECT_EQ(LogBlock(StrFromC("text"), S(name)), st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().Str(), name);
}

// A line is written when the low 8 bits of the caller's bits meet _TRACE;
// an error string is written as its code.
TEST_F(LogTest, ErrorLinesFollowTheTraceBits) {
  std::string name = dir_.File("trace.log");
  ASSERT_EQ(LogSetName(S(name)), 0);
  const struct {
    int trace, bits;
    bool written;
  } cases[] = {{1, 1, true}, {1, 2, false}, {1, 0x101, true}, {1, 0x100, false}, {6, 4, true}, {0, 0xFF, false}};
  std::string expected;
  for (const auto& c : cases) {
    ASSERT_EQ(VarSysIntSet(kSysTrace, static_cast<int16_t>(c.trace)), 0);
    EXPECT_EQ(LogError(StrErr(145), c.bits), c.written) << c.trace << "/" << c.bits;
    if (c.written) expected += "Error #145\r\n";
  }
  ASSERT_EQ(VarSysIntSet(kSysTrace, 4), 0);
  EXPECT_TRUE(LogError(StrFromC("plain text"), 4));
  EXPECT_EQ(Read(name), expected + "plain text\r\n");
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
