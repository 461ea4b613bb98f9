#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/host/cmdline.h"
#include "runtime/dynstrings.h"
#include "runtime/options.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const char* s) { return StrFromC(s); }
std::string Opt(int n) { return OptValue(n).Str(); }

class OptionsTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(DynStrInit(), 0);
  }
  void Store(const std::string& line) { ASSERT_EQ(OptNormalise(StrFromView(line)), 0) << line; }
};

TEST_F(OptionsTest, NormalisingTrimsCollapsesBlanksAndTurnsDashesIntoSlashes) {
  const struct {
    const char* id;
    const char* line;
    const char* stored;
  } cases[] = {
      {"two-blanks-dash", "C:\\KX\\CO.EXE  -TRACE:257 /DPATH:c:\\data",
       "C:\\KX\\CO.EXE /TRACE:257 /DPATH:c:\\data"},
      {"double-dash-trim", " \tprog --RUN:x   --dpath=y \t", "prog /RUN:x /dpath=y"},
      {"quoted-kept", "prog /RUN:'PrcExec  a -b --c'  -X:1", "prog /RUN:'PrcExec  a -b --c' /X:1"},
      {"dash-inside-unquoted-value", "prog /X: -5", "prog /X: /5"},
  };
  for (const auto& c : cases) {
    Store(c.line);
    EXPECT_EQ(OptCommandLine().Str(), c.stored) << c.id;
  }
}

TEST_F(OptionsTest, ValuesFollowTheValueEndAndCaseRules) {
  const struct {
    const char* id;
    const char* line;
    int option;
    const char* want;
  } cases[] = {
      {"unquoted-ends-at-colon", "p /DPATH:c:\\data", OPT_DPATH, "C"},
      {"quoted-keeps-colon-and-case", "p /DPATH:'c:\\Data' /TRACE:3", OPT_DPATH, "c:\\Data"},
      {"after-quoted-value", "p /DPATH:'c:\\Data' /TRACE:3", OPT_TRACE, "3"},
      {"lower-case-name", "p /trace:1", OPT_TRACE, "1"},
      {"mixed-case-name-not-found", "p /Trace:1", OPT_TRACE, ""},
      {"equals-sign", "p --run=PrcExec", OPT_RUN, "PRCEXEC"},
      {"double-dash", "p --RUN:x", OPT_RUN, "X"},
      {"ends-at-ampersand", "p /MODE:a&b", OPT_MODE, "A"},
      {"absent", "p /TRACE:1", OPT_DPATH, ""},
      {"not-inside-another-name", "p /XAPNAME:CO", OPT_APNAME, ""},
      {"empty-value", "p /INPUT: /TRACE:2", OPT_INPUT, ""},
      {"unclosed-quote-runs-to-end", "p /RUN:'a b /TRACE:9", OPT_RUN, "'A B /TRACE:9"},
      {"unclosed-quote-hides-the-rest", "p /RUN:'a b /TRACE:9", OPT_TRACE, ""},
      // An option inside a quoted value is part of that value, never an option.
      {"quoted-run-hides-trace", "p /RUN:\"PrcExec x /TRACE:9\"", OPT_TRACE, ""},
      {"quoted-run-value", "p /RUN:\"PrcExec x /TRACE:9\"", OPT_RUN, "PrcExec x /TRACE:9"},
      {"quoted-colon-form-hides-equals", "p /RUN:'a /DPATH=z'", OPT_DPATH, ""},
      {"quoted-program-path", "\"/opt/DPATH:x/prog\" /TRACE:1", OPT_DPATH, ""},
  };
  for (const auto& c : cases) {
    Store(c.line);
    EXPECT_EQ(Opt(c.option), c.want) << c.id;
  }
}

TEST_F(OptionsTest, LookupByNameTriesTheOtherCaseOnce) {
  Store("p /DPATH:d /apname:co");
  EXPECT_EQ(OptLookup(S("dpath")).Str(), "D");
  EXPECT_EQ(OptLookup(S("APNAME")).Str(), "CO");
  EXPECT_EQ(OptValueByName("DPATH").Str(), "D");
  EXPECT_EQ(OptLookup(S("")).Str(), "");
  EXPECT_EQ(StrError(OptLookup(StrErr(st::STRINGTOOLONG))), st::STRINGTOOLONG);
}

TEST_F(OptionsTest, OptionNamesAndMembershipOfAValue) {
  EXPECT_EQ(OptName(1).Str(), "?;HELP");
  EXPECT_EQ(OptName(OPT_TRACE).Str(), "TRACE");
  EXPECT_EQ(OptName(19).Str(), "PASSW");
  EXPECT_EQ(OptName(0).Str(), "");
  EXPECT_EQ(OptName(20).Str(), "");
  const struct {
    const char* line;
    uint32_t want;
  } cases[] = {{"p /MODE:PRNTOFILE", 2}, {"p /MODE:admin", 1}, {"p /MODE:\"prntofile\"", 2},
               {"p /MODE:SCREEN", 0}, {"p /TRACE:1", 0}, {"p /MODE:", 0}};
  for (const auto& c : cases) {
    Store(c.line);
    EXPECT_EQ(OptIsIn(OPT_MODE, S("ADMIN,PRNTOFILE")), c.want) << c.line;
  }
}

TEST_F(OptionsTest, JoinedArgumentsKeepTheProgramPathAndTheValuesSpelling) {
  const char* argv[] = {"/opt/kx/accounting", "--DPATH=/home/u/My Data", "-trace:257",
                        "/MODE:prntofile", "/RUN:PrcExec demo.prc"};
  StrValue line = OptJoinArgs(5, argv);
  EXPECT_EQ(line.Str(),
            "/opt/kx/accounting --DPATH=\"/home/u/My Data\" -trace:257 /MODE:\"prntofile\" "
            "/RUN:\"PrcExec demo.prc\"");
  ASSERT_EQ(OptNormalise(line), 0);
  EXPECT_EQ(Opt(OPT_DPATH), "/home/u/My Data");
  EXPECT_EQ(Opt(OPT_TRACE), "257");
  EXPECT_EQ(OptIsIn(OPT_MODE, S("SCREEN,PRNTOFILE")), 2u);
  EXPECT_EQ(OptJoinArgs(0, nullptr).Str(), "");
  const char* cr[] = {"p", "/X:1\r"};
  EXPECT_EQ(OptJoinArgs(2, cr).Str(), "p /X:1");
}

// The two spellings a Linux user may type give the same options.
TEST_F(OptionsTest, LinuxAndWindowsSpellingsGiveTheSameValues) {
  const std::vector<std::vector<const char*>> spellings = {
      {"/opt/kx/accounting", "--dpath=/home/me/books", "--trace=9"},
      {"/opt/kx/accounting", "/DPATH:\"/home/me/books\"", "-TRACE=9"},
      {"/opt/kx/accounting", "-dpath:/home/me/books", "/trace:9"},
  };
  for (const auto& argv : spellings) {
    Store(HostCommandLineBuild(static_cast<int>(argv.size()), argv.data()));
    EXPECT_EQ(Opt(OPT_DPATH), "/home/me/books") << argv[1];
    EXPECT_EQ(Opt(OPT_TRACE), "9") << argv[1];
  }
}

TEST_F(OptionsTest, AStoreFailureIsReturned) {
  EXPECT_EQ(OptNormalise(StrErr(st::STRINGTOOLONG)), st::STRINGTOOLONG);
  std::string huge = "p /RUN:" + std::string(62000, 'x');
  EXPECT_EQ(OptNormalise(StrFromView(huge)), st::STROUTBOUND);
}

}  // namespace
