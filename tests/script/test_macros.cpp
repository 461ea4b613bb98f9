// Text macros: segment search, values by flag, lookups, rescanning bounds.
#include <cstdlib>
#include <string>

#include "builtin_helpers.h"
#include "runtime/dynstrings.h"
#include "script/macros.h"

namespace {

class MacroTest : public VarTest {
 protected:
  // The expansion as text, or "error <code>".
  static std::string Expand(const std::string& text, int flags) {
    uint16_t mark = StrAreaMark(-1);
    StrValue out = MacroExpand(S(text), flags);
    std::string r = out.IsError() ? "error " + std::to_string(StrError(out)) : out.Str();
    StrAreaMark(mark);
    return r;
  }
};

TEST_F(MacroTest, SegmentsByFlags) {
  ASSERT_EQ(VarAssign(S("v$"), S(" it's ")), 0);
  ASSERT_EQ(VarAssign(S("a$"), S("[b$]")), 0);
  ASSERT_EQ(VarAssign(S("b$"), S("x")), 0);
  const struct {
    const char* text;
    int flags;
    const char* want;
  } cases[] = {
      {"Total: [2+3]", 0, "Total: 5.00"},
      {"[a[1+1]]", 0, "[a2.00]"},
      {"['['+'1]']", kMacroRescan, "1.00"},
      {"[HOME%]", 0, "HOME%"},
      {"\\{x\\}", kMacroEscapes, "[x]"},
      {"\\{x\\}", 0, "\\{x\\}"},
      {"<[v$]>", 0, "<it's>"},
      {"<[v$]>", kMacroNoTrim, "< it's >"},
      {"[v$]", kMacroQuote, "\"it's\""},
      {"[b$]", kMacroQuote, "'x'"},
      {"[b$]", kMacroQuote | kMacroDouble, "\"x\""},
      {"<[]>", 0, "<0>"},
      {"<[]>", kMacroEmptyNum, "<>"},
      {"'[5]' [5]", 0, "'[5]' 5.00"},
      {"'[5]' [5]", kMacroPlain, "'5.00' 5.00"},
      {"a] [5]", 0, "a] 5.00"},
      {"[a$]", 0, "[b$]"},
      {"[a$]", kMacroRescan, "x"},
      {"no segment [", 0, "no segment ["},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.text, c.flags), c.want) << c.text << " flags " << c.flags;
}

TEST_F(MacroTest, LookupsComeFromTheListThenOptionsThenEnvironment) {
  setenv("KX_MACRO_TEST", "from-env", 1);
  ASSERT_EQ(DynStrSet(SettingsList, SetCommandLineItem, S("prog /TRACE=9")), 0);
  uint16_t mark = StrAreaMark(-1);
  EXPECT_EQ(MacroExpandWith(S("[KX_MACRO_TEST]"), S("KX_MACRO_TEST:'/x'")).Str(), "/x");
  EXPECT_EQ(MacroExpandWith(S("[KX_MACRO_TEST]"), S("OTHER:1")).Str(), "from-env");
  EXPECT_EQ(MacroExpandWith(S("[TRACE]"), S("")).Str(), "9");
  EXPECT_EQ(MacroExpandWith(S("[NOT_SET_ANYWHERE%]"), S("")).Str(), "NOT_SET_ANYWHERE%");
  // A value from outside is plain text: its brackets are not expanded again.
  setenv("KX_MACRO_TEST", "[5]", 1);
  EXPECT_EQ(MacroExpandWith(S("[KX_MACRO_TEST]"), S("")).Str(), "[5]");
  StrAreaMark(mark);
  unsetenv("KX_MACRO_TEST");
}

TEST_F(MacroTest, RunawayAndFailingExpansionsEndWithAnError) {
  ASSERT_EQ(VarAssign(S("self$"), S("[self$]")), 0);
  ASSERT_EQ(VarAssign(S("big$"), S(std::string(40000, 'x'))), 0);
  EXPECT_EQ(Expand("[self$]", kMacroRescan), "error 129");
  EXPECT_EQ(Expand("[big$][big$]", 0), "error 159");
  EXPECT_EQ(Expand("a [FN#SLEN(1)] b", 0), "error 128");
  EXPECT_EQ(CallBuiltin("MACRO$", "'[FN#SLEN(1)]'").status, st::TYPEMISMATCH);
}

TEST_F(MacroTest, MacroBuiltinAndDollarPlaceholder) {
  EXPECT_EQ(CallBuiltin("MACRO$", "'<[5]>'").text, "<5.00>");
  EXPECT_EQ(CallBuiltin("MACRO$", "'[NAME]';4;'NAME:abc'").text, "abc");
  ASSERT_EQ(VarAssign(S("n#"), Num(1234)), 0);
  EXPECT_EQ(CallBuiltin("MACRO$", "' n# '").text, " n# ");
  EXPECT_EQ(CallBuiltin("MACRO$", "' n# ';8").text, "12.34");
  uint16_t mark = StrAreaMark(-1);
  EXPECT_EQ(MacroDollarSubst(S("a [$] b '[$]'"), S("x")).Str(), "a x b 'x'");
  EXPECT_EQ(MacroDollarSubst(S("a [$]"), StrErr(st::BADINPUTDATA)).Str(), "a [$]");
  StrAreaMark(mark);
}

}  // namespace
