// SORT$: whole lists, and lists kept by handle (NEW, ADD, MOVE, GET, KILL)
// with handles that carry no memory.
#include <string>
#include <vector>

#include "builtin_helpers.h"
#include "runtime/errors.h"
#include "runtime/memory.h"

namespace {

class SortBuiltinTest : public VarTest {
 protected:
  // SORT$(args) that must succeed; its text.
  std::string Sort(const std::string& args) {
    CallOutcome r = CallBuiltin("SORT$", args);
    EXPECT_EQ(r.status, 0) << "SORT$(" << args << ")";
    return r.text;
  }
  void Keep(const std::string& handle) { ASSERT_EQ(VarAssign(S("h$"), S(handle)), 0); }
};

TEST_F(SortBuiltinTest, APlainListIsSortedWithItsFlags) {
  EXPECT_EQ(Sort("'b,a,b'"), "a,b,b");
  EXPECT_EQ(Sort("'b,a,b';1"), "a,b");
  EXPECT_EQ(Sort("'bb,a,ccc';2+128"), "ccc,bb,a");
  EXPECT_EQ(Sort("'a'"), "a");
  EXPECT_EQ(Sort("'new';4").size(), 24u);  // sub-commands in any letter case
}

TEST_F(SortBuiltinTest, AHandleListWalksInOrderThenGivesTheEmptyText) {
  std::string h = Sort("'NEW';10;0;1");
  ASSERT_EQ(h.size(), 24u);
  Keep(h);
  for (const char* item : {"c", "a", "b", "a"}) Keep(Sort(std::string("'ADD';h$;'") + item + "'"));
  std::vector<std::string> got;
  Keep(Sort("'MOVE';h$;'TOP'"));
  for (int i = 0; i < 4; ++i) {
    got.push_back(Sort("'GET';h$"));
    Keep(Sort("'MOVE';h$;'NXT'"));
  }
  EXPECT_EQ(got, (std::vector<std::string>{"a         ", "b         ", "c         ", ""}));
  EXPECT_EQ(VarSysIntGet(kSysIer), 2);
  Keep(Sort("'move';h$;'PRV'"));  // the cursor rested on the last item
  EXPECT_EQ(VarSysIntGet(kSysIer), 0);
  EXPECT_EQ(Sort("'GET';h$"), "b         ");
  EXPECT_EQ(LiveBlocksOf(MOD_SORT), 1);
  EXPECT_EQ(Sort("'KILL';h$"), "");
  EXPECT_EQ(LiveBlocksOf(MOD_SORT), 0);
}

TEST_F(SortBuiltinTest, ForgedStaleAndMalformedHandlesAreRefused) {
  std::string h = Sort("'NEW';4");
  std::string forged = h;
  forged[11] = forged[11] == '9' ? '8' : '9';  // another generation
  struct Case {
    const char* id;
    std::string args;
    Status code;
  } cases[] = {
      {"forged", "'GET';'" + forged + "'", st::SINTAXERROR},
      {"short", "'GET';'SORT0000'", st::SINTAXERROR},
      {"not hex", "'GET';'SORTzzzz0000000100000000'", st::SINTAXERROR},
      {"cursor past the items", "'GET';'" + h.substr(0, 16) + "00090000'", st::SINTAXERROR},
      {"ADD without item", "'ADD';'" + h + "'", st::SINTAXERROR},
      {"NEW width", "'NEW';70000", st::BADINPUTDATA},
      {"too long", "'ADD';'" + h + "';'abcde'", st::BADINPUTDATA},
  };
  for (const Case& c : cases) {
    ErrClear();
    EXPECT_EQ(CallBuiltin("SORT$", c.args).status, c.code) << c.id;
  }
  Keep(h);
  EXPECT_EQ(Sort("'KILL';h$"), "");
  EXPECT_EQ(CallBuiltin("SORT$", "'GET';h$").status, st::SINTAXERROR);   // used after KILL
  EXPECT_EQ(CallBuiltin("SORT$", "'KILL';h$").status, st::SINTAXERROR);  // killed twice
}

TEST_F(SortBuiltinTest, HandlesOfAnEarlierRuntimeAreDead) {
  std::string h = Sort("'NEW';4");
  RuntimeReset();
  ASSERT_EQ(VarSysInit(), 0);
  Keep(h);
  EXPECT_EQ(CallBuiltin("SORT$", "'GET';h$").status, st::SINTAXERROR);
}

}  // namespace
