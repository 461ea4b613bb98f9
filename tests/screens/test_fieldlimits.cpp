// The field-limit forms: the one-letter selection form and the limits form
// its answers give, in batch mode and typed by a person.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/strlist.h"
#include "script/evaluator.h"
#include "screens/transactions/fieldlimits.h"
#include "form_fixture.h"

namespace {

class FieldLimitsTest : public FormTest {
 protected:
  static constexpr int kCust = 1;  // CODE A6, NAME A30, CITY A20

  void Keys(const std::string& script) {
    std::string error;
    ASSERT_TRUE(hl->load_script(script, error)) << error;
  }
  static std::string Form(int file, const std::string& answers, uint16_t* first) {
    const StrAreaScope scope;
    StrValue form = FieldsLimitForm(file, S(answers), first);
    EXPECT_FALSE(form.IsError()) << answers;
    return form.IsError() ? std::string("<error>") : form.Str();
  }
};

const char kNameRange[] = "'NAME (From):':'A30':NAME{}>=,'NAME (To)  :':'A30':NAME{}<=";
const char kCityEqual[] = "'CITY :':'A20':CITY{}==";

TEST_F(FieldLimitsTest, AnswersGiveThePromptsOfTheirFields) {
  struct Case {
    const char* answers;
    std::string form;
    uint16_t first;
  } cases[] = {
      {"'','l','S'", std::string(kNameRange) + "," + kCityEqual, 2},
      {"'',' s ','L'", "'NAME :':'A30':NAME{}==,'CITY (From):':'A20':CITY{}>=,'CITY (To)  :':'A20':CITY{}<=", 2},
      {"'Limit','',''", "'CODE (From):':'A6':CODE{}>=,'CODE (To)  :':'A6':CODE{}<=", 1},
      // Letters other than L and S, and empty answers, add nothing.
      {"'x','','?'", "", 0},
      {"", "", 0},
      // Answers past the file's fields are ignored.
      {"'','','S','L','L'", kCityEqual, 3},
  };
  for (const Case& c : cases) {
    uint16_t first = 99;
    EXPECT_EQ(Form(kCust, c.answers, &first), c.form) << c.answers;
    EXPECT_EQ(first, c.first) << c.answers;
  }

  // One field's prompts appended to a list so far; a field the file does not
  // have is an error.
  const StrAreaScope scope;
  EXPECT_EQ(FieldLimitPrompt(kCust, 3, S("x"), 'S').Str(), std::string("x,") + kCityEqual);
  EXPECT_EQ(FieldLimitPrompt(kCust, 3, S("x"), 'Q').Str(), "x");
  EXPECT_EQ(StrError(FieldLimitPrompt(kCust, 4, S(""), 'L')), st::DATAOUTBOUND);
}

TEST_F(FieldLimitsTest, TheSelectionFormOffersTheFirstEightFields) {
  {
    const StrAreaScope scope;
    EXPECT_EQ(FieldsLimitList(kCust).Str(), "'CODE(L/S):':'A1','NAME(L/S):':'A1','CITY(L/S):':'A1'");
  }
  ASSERT_EQ(DicDefineFile(0, S("WIDE"), S("")), 0);  // file 4: F1..F10
  for (int n = 1; n <= 10; ++n) ASSERT_EQ(DicDefineField(S("F" + std::to_string(n)), 2, 'A'), 0);
  const StrAreaScope scope;
  std::string list = FieldsLimitList(4).Str();
  EXPECT_EQ(StrListCount(S(list), ','), 8u) << list;
  EXPECT_NE(list.find("'F8(L/S):'"), std::string::npos);
  EXPECT_EQ(list.find("F9"), std::string::npos);
  // Nine answers of L: only the eight offered fields give prompts.
  uint16_t first = 0;
  std::string form = FieldsLimitForm(4, S("'L','L','L','L','L','L','L','L','L'"), &first).Str();
  EXPECT_EQ(StrListCount(S(form), ','), 16u) << form;
  EXPECT_EQ(form.find("F9"), std::string::npos);
  EXPECT_EQ(first, 1);
}

TEST_F(FieldLimitsTest, BatchLinesAnswerTheSelectionForm) {
  Input({"'','L','S'", "next"});
  int windows = WinCount();
  {
    const StrAreaScope scope;
    StrValue answers = FieldsLimitSelection(kCust);
    ASSERT_FALSE(answers.IsError());
    EXPECT_EQ(answers.Str(), "'','L','S'");
    EXPECT_EQ(WinCount(), windows) << "no window in batch mode";
    uint16_t first = 0;
    EXPECT_EQ(FieldsLimitForm(kCust, answers, &first).Str(), std::string(kNameRange) + "," + kCityEqual);
    EXPECT_EQ(first, 2);
  }
  EXPECT_EQ(InputRest(), "next");

  // A cancel line cancels; a cancelled selection gives no form.
  StreamClose(inputSlot);
  Input({kBatchCancelLine});
  const StrAreaScope scope;
  StrValue cancelled = FieldsLimitSelection(kCust);
  EXPECT_EQ(StrError(cancelled), st::USERCANCELED);
  uint16_t first = 7;
  EXPECT_EQ(StrError(FieldsLimitForm(kCust, cancelled, &first)), st::USERCANCELED);
  EXPECT_EQ(first, 0);
}

TEST_F(FieldLimitsTest, AnEmptyBatchLineShowsTheSelectionForm) {
  Input({"", "next"});
  Keys("wait-top class=Dialogx title=\"Limit Fields Selection\"\nkey Tab\ntype \"l\"\nkey Tab\ntype \"S\"\n"
       "key Enter\n");
  const StrAreaScope scope;
  StrValue answers = FieldsLimitSelection(kCust);
  ASSERT_FALSE(answers.IsError()) << ErrDetail().Str();
  EXPECT_EQ(answers.Str(), "'','l','S'");
  uint16_t first = 0;
  EXPECT_EQ(FieldsLimitForm(kCust, answers, &first).Str(), std::string(kNameRange) + "," + kCityEqual);
  EXPECT_EQ(WinCount(), 0);
}

// The limits form run with its file current: a search value with "*" is a
// pattern, a range compares both ends.
TEST_F(FieldLimitsTest, TheLimitsFormGivesASelectingCondition) {
  const StrAreaScope scope;
  StrValue form = FieldsLimitForm(kStock, S("'S','L'"), nullptr);
  ASSERT_EQ(form.Str(), "'CODE :':'A7':CODE{}==,'QTY (From):':'N6':QTY{}>=,'QTY (To)  :':'N6':QTY{}<=");
  Input({"'AB*','',' 20'"});
  AcceptResult r = AcceptForm(S("Limits"), form);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.condition, "CODE{}=='AB*'&&QTY{}<=20");
  struct Case {
    const char* code;
    const char* qty;
    int found;
  } cases[] = {{"ABC", "5", 1}, {"AB", "20", 1}, {"XAB", "5", 0}, {"ABZ", "21", 0}, {"A", "1", 0}};
  for (const Case& c : cases) {
    ASSERT_EQ(RecFieldSet(kStock, 1, S(c.code)), 0);
    ASSERT_EQ(RecFieldSet(kStock, 2, S(c.qty)), 0);
    EXPECT_EQ(ExpEvalCond(S(r.condition)), c.found) << c.code << " " << c.qty;
    EXPECT_EQ(ErrGet(), 0u);
  }
}

}  // namespace
