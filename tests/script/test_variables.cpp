#include <gtest/gtest.h>

#include <array>
#include <string>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/valtables.h"
#include "script/arrays.h"
#include "var_helpers.h"

namespace {

// Other modules address the system variables by these slots; the order and
// the start values are part of the interface.
TEST_F(VarTest, SystemVariablesHaveTheirSlotsAndStartValues) {
  const struct {
    const char* name;
    int16_t start;
  } ints[] = {{"_AUXSTAT", 0}, {"_RELRES", 0},  {"_CURFIL", 0},    {"_CUREDFLD", 0}, {"_DEVHIG", 24},
              {"_DEVWID", 80}, {"_DEVLIN", 0},  {"_DEVPOS", 0},    {"_DEVPAG", 0},   {"_CURROW", 0},
              {"_STAT", 0},    {"_LASTKEY", 4}, {"_SGN", 0},       {"_UPSTAT", 1},   {"_IER", 0},
              {"_SYSCOMPAT", 0}, {"_SQLSTK", 0}, {"_COUNT", 0},    {"_HCOUNT", 0},   {"_ADMSTAT", 0},
              {"_COMPAT", 0},  {"_SCRSTAT", 0}, {"_LMAX", 0},      {"_LNUM", 0},     {"_LLST", 0},
              {"_HNUM", 0},    {"_SAFE", 0},    {"_LB", 128},      {"_AUX", 0},      {"_KEYMAP", 0},
              {"_SERIAL", 0},  {"_TRACE", 1},   {"_PRECIS", 2},    {"_BYEAR", 2000}, {"_BKYEAR", 80},
              {"_DX", 0},      {"_INHND", 0},   {"_OUTHND", 0},    {"_DATE", 0},     {"_DOCST", 0},
              {"_WMAXROW", 0}, {"_USER01", 0},  {"_USER02", 0},    {"_USER03", 0}};
  static_assert(std::size(ints) == 44);
  for (uint16_t slot = 0; slot < 44; ++slot) {
    VarRef ref = VarLookup(StrFromC(ints[slot].name));
    EXPECT_EQ(ref.type, kVarInt) << ints[slot].name;
    EXPECT_EQ(ref.slot, slot) << ints[slot].name;
    EXPECT_EQ(VarIntGet(slot), ints[slot].start) << ints[slot].name;
  }
  const char* strs[] = {"_ACUM$", "_ACUMX$", "_LTEXT$"};
  for (uint16_t slot = 0; slot < 3; ++slot) {
    EXPECT_EQ(VarLookup(StrFromC(strs[slot])).slot, slot) << strs[slot];
    EXPECT_EQ(VarStrGet(slot).View(), "");
  }
  EXPECT_EQ(kSysPrecis, 32);
  EXPECT_EQ(kSysInHnd, 36);
}

TEST_F(VarTest, TypeComesFromTheFirstMarkOfTheName) {
  const struct {
    const char* name;
    VarType type;
  } cases[] = {{"a", kVarInt},    {"a#", kVarNum},     {"a$", kVarStr},  {"a(", kVarArray},
               {"a$(", kVarArray}, {"x@y", kVarInvalid}, {"a$#", kVarStr}, {"a#$", kVarStr},
               {"@(", kVarInvalid}};
  for (const auto& c : cases) EXPECT_EQ(VarTypeOfName(StrFromC(c.name)), c.type) << c.name;
}

TEST_F(VarTest, UndefinedAndSpecialNamesRead) {
  const struct {
    const char* name;
    bool number;
    const char* text;
  } cases[] = {{"x#", true, ""},        {"y", true, ""},         {"t$", false, ""},
               {".lf$", false, "\r\n"}, {".tab$", false, "\t"},  {".pchr$", false, "\\"},
               {".null$", false, ""}};
  for (const auto& c : cases) {
    uint16_t mark = StrAreaMark(-1);
    ASSERT_EQ(VarRead(StrFromC(c.name)), 0) << c.name;
    EXPECT_EQ(StrAreaMark(-1), mark + 1) << c.name;  // exactly one result pushed
    if (c.number)
      EXPECT_EQ(TopNum(), 0) << c.name;
    else
      EXPECT_EQ(TopText(), c.text) << c.name;
    StrAreaMark(mark);
  }
  EXPECT_EQ(VarLookup(StrFromC("x#")).slot, kVarUndefined);  // reading defines nothing
}

TEST_F(VarTest, AtSignMakesANameInvalidEverywhere) {
  VarRef ref;
  EXPECT_EQ(VarAssign(StrFromC("x@y"), Num(100)), st::VARNAMEERROR);
  EXPECT_EQ(VarAssignInt(StrFromC("x@y"), 1), st::VARNAMEERROR);
  EXPECT_EQ(VarRead(StrFromC("x@y")), st::SINTAXERROR);
  EXPECT_EQ(VarCreate(ref, StrFromC("x@y")), st::VARNAMEERROR);
  EXPECT_EQ(ArrDim(StrFromC("a@("), 1, std::array<int32_t, 1>{3}.data(), S("")), st::VARNAMEERROR);
  EXPECT_EQ(ErrGet() >> 16, MOD_VARNMASSIGN);
  EXPECT_EQ(ErrDetail().View(), "x@y");
}

TEST_F(VarTest, AssignmentsConvertByTheNameAndReadBack) {
  const struct {
    const char* name;
    int64_t raw;      // assigned number, 2 decimals
    int64_t readRaw;  // number read back
  } cases[] = {
      {"i", 250, 300},            // 2.50 rounds half away from zero
      {"j", -250, -300},          // -2.50 too
      {"k", 249, 200},
      {"w", 7000000, 446400},     // 70000 keeps its low 16 bits: 4464
      {"v", 4000000, -2553600},   // 40000 -> -25536
      {"n#", 123456789, 123456789},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(VarAssign(StrFromC(c.name), Num(c.raw)), 0) << c.name;
    ASSERT_EQ(VarRead(StrFromC(c.name)), 0) << c.name;
    EXPECT_EQ(TopNum(), c.readRaw) << c.name;
  }
  ASSERT_EQ(VarAssign(StrFromC("s$"), S("hello")), 0);
  ASSERT_EQ(VarRead(StrFromC("s$")), 0);
  EXPECT_EQ(TopText(), "hello");
  ASSERT_EQ(VarAssignInt(StrFromC("cnt"), -7), 0);
  EXPECT_EQ(VarIntGet(VarLookup(StrFromC("cnt")).slot), -7);

  // Slots follow creation order within each type.
  EXPECT_EQ(VarLookup(StrFromC("i")).slot, 44);
  EXPECT_EQ(VarLookup(StrFromC("n#")).slot, 0);
  EXPECT_EQ(VarLookup(StrFromC("s$")).slot, 3);
}

TEST_F(VarTest, WrongKindsOfValueAreRefused) {
  EXPECT_EQ(VarAssign(StrFromC("n#"), S("abc")), st::TYPEMISMATCH);
  EXPECT_EQ(VarAssign(StrFromC("a("), Num(1)), st::SINTAXERROR);
  EXPECT_EQ(VarAssign(StrFromC("s$"), StrErr(st::STRINGTOOLONG)), st::STRINGTOOLONG);
  EXPECT_EQ(VarAssignInt(StrFromC("s$"), 3), st::TYPEMISMATCH);
  EXPECT_EQ(VarRead(StrFromC("a(")), st::SINTAXERROR);

  // A text the store cannot hold is refused and disturbs nothing.
  ASSERT_EQ(VarAssign(StrFromC("keep$"), S("kept")), 0);
  EXPECT_EQ(VarAssign(StrFromC("big$"), S(std::string(62000, 'x'))), st::STROUTBOUND);
  EXPECT_EQ(VarStrGet(VarLookup(StrFromC("keep$")).slot).View(), "kept");
  EXPECT_EQ(VarStrGet(VarLookup(StrFromC("big$")).slot).View(), "");
}

// A name is an item of a comma list: one holding a separator or a quote would
// shift every later slot and make variables alias each other.
TEST_F(VarTest, NamesThatWouldBreakTheNameListAreRefused) {
  ASSERT_EQ(VarAssignInt(StrFromC("before"), 1), 0);
  const char* bad[] = {"a,b", "a;b", "a'b", "a\"b", "a b", "", "tab\there"};
  for (const char* name : bad) EXPECT_EQ(VarAssignInt(StrFromC(name), 5), st::VARNAMEERROR) << name;
  ASSERT_EQ(VarAssignInt(StrFromC("after"), 2), 0);
  EXPECT_EQ(VarLookup(StrFromC("after")).slot, VarLookup(StrFromC("before")).slot + 1);
  EXPECT_EQ(VarIntGet(VarLookup(StrFromC("after")).slot), 2);
  EXPECT_EQ(VarLookup(StrFromC("b")).slot, kVarUndefined);
}

TEST_F(VarTest, IntegerSlotsBeyondTheTableBoundAreRefused) {
  EXPECT_EQ(VarIntSet(40000, 1), st::DATAOUTBOUND);
  EXPECT_EQ(ValTableInfo(VtIntVars, 0), 44u);
  EXPECT_EQ(VarIntGet(40000), 0);
  EXPECT_EQ(VarStrSet(10, S("x")), st::DATAOUTBOUND);  // string slots grow one at a time
  EXPECT_EQ(VarStrSet(3, S("x")), 0);
}

TEST_F(VarTest, CountPairRestoresThirtyTwoBits) {
  const int32_t values[] = {0, 1, 32767, 32768, 40000, 65535, 65536, 98304, -1, -40000, 2000000000, -2000000000};
  for (int32_t v : values) {
    VarCountSet(v);
    EXPECT_EQ(VarCountGet(), v) << v;
  }
  VarCountSet(40000);
  EXPECT_EQ(static_cast<uint16_t>(VarIntGet(kSysCount)), 40000);
  EXPECT_EQ(VarIntGet(kSysHCount), 1);
}

TEST_F(VarTest, BitsAreSetClearedAndTested) {
  ASSERT_EQ(VarIntSet(kSysUpStat, 0x0101), 0);
  EXPECT_TRUE(VarIntTestBits(kSysUpStat, 0x0100));
  EXPECT_FALSE(VarIntTestBits(kSysUpStat, 0x0002));
  EXPECT_TRUE(VarIntSetBits(kSysUpStat, 0x8002, true));
  EXPECT_EQ(static_cast<uint16_t>(VarIntGet(kSysUpStat)), 0x8103);
  EXPECT_TRUE(VarIntSetBits(kSysUpStat, 0x0003, false) == false);
  EXPECT_EQ(static_cast<uint16_t>(VarIntGet(kSysUpStat)), 0x8100);
}

// The number module follows _PRECIS however it is written.
TEST_F(VarTest, PrecisionFollowsPrecis) {
  ASSERT_EQ(VarAssignInt(StrFromC("five"), 5), 0);
  ASSERT_EQ(VarAssign(StrFromC("_PRECIS"), Num(300)), 0);  // 3.00 with 2 decimals
  ASSERT_EQ(VarRead(StrFromC("five")), 0);
  EXPECT_EQ(TopNum(), 5000);
  ASSERT_EQ(VarIntSet(kSysPrecis, 0), 0);
  ASSERT_EQ(VarRead(StrFromC("five")), 0);
  EXPECT_EQ(TopNum(), 5);
}

// --- The value hook of "_" names --------------------------------------------

std::string g_seenTop;
int g_seenMode = 0;

StrValue ScreenHook(StrValue name, int mode) {
  g_seenMode = mode;
  g_seenTop = StrAreaTop().Str();
  if (name.View() == "_FLD") return StrFromC("12.5");
  if (name.View() == "_FLD$") return StrFromC("text");
  if (name.View() == "_BAD") return StrErr(st::BADSTRINGTYPE);
  return StrErr(st::BADINPUTDATA);  // not mine
}

TEST_F(VarTest, UnderscoreNamesGoToTheValueHookFirst) {
  ASSERT_EQ(TaskHookSet(&ScreenHook, kHookValue), kHookValue);
  uint16_t mark = StrAreaMark(-1);
  ASSERT_EQ(VarRead(StrFromC("_FLD")), 0);
  EXPECT_EQ(StrAreaMark(-1), mark + 1);  // only the result stays
  EXPECT_EQ(TopNum(), 1300);  // integer: 12.5 rounded
  EXPECT_EQ(g_seenMode, 1);
  ASSERT_EQ(VarRead(StrFromC("_FLD$")), 0);
  EXPECT_EQ(TopText(), "text");

  // Answered assignments do not create a variable; the hook sees the value.
  ASSERT_EQ(VarAssign(StrFromC("_FLD$"), S("new")), 0);
  EXPECT_EQ(g_seenMode, 5);
  EXPECT_EQ(g_seenTop, "new");
  EXPECT_EQ(VarLookup(StrFromC("_FLD$")).slot, kVarUndefined);

  // 163 means "not mine": an ordinary variable.
  ASSERT_EQ(VarAssignInt(StrFromC("_MINE"), 6), 0);
  ASSERT_EQ(VarRead(StrFromC("_MINE")), 0);
  EXPECT_EQ(TopNum(), 600);
  EXPECT_NE(VarLookup(StrFromC("_MINE")).slot, kVarUndefined);

  EXPECT_EQ(VarRead(StrFromC("_BAD")), st::BADSTRINGTYPE);
  EXPECT_EQ(VarAssignInt(StrFromC("_BAD"), 1), st::BADSTRINGTYPE);
}

TEST_F(VarTest, ScreenFieldVariableGivesItsKindAndNumber) {
  EXPECT_EQ(VarScreenFieldRead(3).status, st::VARSCREENFIELD);
  ASSERT_EQ(VarAssign(StrFromC("_V3$"), S("N42")), 0);
  ScreenFieldVar f = VarScreenFieldRead(3);
  EXPECT_EQ(f.status, 0);
  EXPECT_EQ(f.kind, 'N');
  EXPECT_EQ(f.value, 42);
}

// --- Procedure-local variables ----------------------------------------------

TEST_F(VarTest, RestoringASnapshotDropsEverythingCreatedSince) {
  ASSERT_EQ(VarAssign(StrFromC("g$"), S("global")), 0);
  ASSERT_EQ(VarAssign(StrFromC("gi"), Num(100)), 0);
  uint16_t arrays = LiveBlocksOf(MOD_VARSTRUCT);
  uint32_t storeSlots = DynStrSlotsUsed();
  VarSnapshot snap = VarCountsSave();

  ASSERT_EQ(VarAssignInt(StrFromC("loc"), 1), 0);
  ASSERT_EQ(VarAssign(StrFromC("loc#"), Num(5)), 0);
  ASSERT_EQ(VarAssign(StrFromC("loc$"), S("local")), 0);
  const FixedNum idx[] = {300, 200};
  ASSERT_EQ(ArrElemRead(StrFromC("la("), 2, idx, S("")), 0);
  ASSERT_EQ(VarAssign(StrFromC("g$"), S("changed")), 0);  // existing: kept
  ASSERT_EQ(VarAssign(StrFromC("gi"), Num(900)), 0);
  ASSERT_EQ(LiveBlocksOf(MOD_VARSTRUCT), arrays + 1);

  ASSERT_EQ(VarCountsRestore(snap), 0);
  for (const char* name : {"loc", "loc#", "loc$", "la("})
    EXPECT_EQ(VarLookup(StrFromC(name)).slot, kVarUndefined) << name;
  EXPECT_EQ(LiveBlocksOf(MOD_VARSTRUCT), arrays);
  EXPECT_EQ(DynStrSlotsUsed(), storeSlots);
  EXPECT_EQ(VarStrGet(VarLookup(StrFromC("g$")).slot).View(), "changed");
  EXPECT_EQ(VarIntGet(VarLookup(StrFromC("gi")).slot), 9);

  // The freed slots are taken again by new variables, starting empty.
  ASSERT_EQ(VarAssign(StrFromC("other$"), S("")), 0);
  EXPECT_EQ(VarLookup(StrFromC("other$")).slot, snap.strs);
  EXPECT_EQ(VarStrGet(snap.strs).View(), "");
  ASSERT_EQ(VarRead(StrFromC("loc")), 0);
  EXPECT_EQ(TopNum(), 0);
}

// String values are read from a copy kept beside list 13; whatever changes
// the variables, the copy and the store agree.
void ExpectStringsAgreeWithTheStore(const char* when) {
  uint32_t n = DynStrCount(StrVarValuesList);
  for (uint32_t i = 0; i < n + 2; ++i)
    EXPECT_EQ(VarStrGet(i).Str(), DynStrGet(StrVarValuesList, i).Str()) << when << ", slot " << i;
}

TEST_F(VarTest, StringValuesReadAsTheStoreHoldsThem) {
  ASSERT_EQ(VarAssign(S("a$"), S("one")), 0);
  ASSERT_EQ(VarAssign(S("b$"), S("two")), 0);
  ExpectStringsAgreeWithTheStore("created");
  VarSnapshot snap = VarCountsSave();
  ASSERT_EQ(VarAssign(S("c$"), S("three")), 0);
  ASSERT_EQ(VarAssign(S("a$"), S("changed")), 0);
  ASSERT_EQ(VarStrSet(1, VarStrGet(0)), 0);  // a value from another variable
  ExpectStringsAgreeWithTheStore("changed");
  ASSERT_EQ(VarCountsRestore(snap), 0);
  ExpectStringsAgreeWithTheStore("restored");
  EXPECT_EQ(VarStrGet(kSysStrCount + 2).Str(), "");
  std::string big(40000, 'x');
  ASSERT_EQ(VarAssign(S("d$"), S(big)), 0);
  EXPECT_GE(VarAssign(S("e$"), S(big)), 128);  // the store is full: nothing changes
  ExpectStringsAgreeWithTheStore("refused");
  RuntimeReset();  // a new runtime behind the variables' back
  ASSERT_EQ(VarSysInit(), 0);
  ASSERT_EQ(VarAssign(S("a$"), S("new")), 0);
  ExpectStringsAgreeWithTheStore("new runtime");
  EXPECT_EQ(VarStrGet(kSysStrCount).Str(), "new");
}

TEST_F(VarTest, ASnapshotLongerThanTheListsIsAnInternalError) {
  ASSERT_EQ(ArrDim(StrFromC("keep("), 1, std::array<int32_t, 1>{4}.data(), S("")), 0);
  VarSnapshot snap = VarCountsSave();
  ArrFreeAll();  // the array names are gone
  EXPECT_EQ(VarCountsRestore(snap), st::INTERNALERROR);
}

TEST_F(VarTest, FreeingAllLeavesNoBlockBehind) {
  ASSERT_EQ(ArrDim(StrFromC("a("), 2, std::array<int32_t, 2>{3, 3}.data(), S("")), 0);
  ASSERT_EQ(VarAssign(StrFromC("s$"), S("x")), 0);
  EXPECT_EQ(VarsFreeAll(), 0);
  EXPECT_FALSE(MemTableActive());
}

}  // namespace
