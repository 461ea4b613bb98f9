// Statistics sets: accumulation into work files, the set's life and its
// temporary files, expression sets with sums, StatMove, the work-record
// hook of FILEREL, cancels, and statistics steps with relation steps.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "data/store/datafile.h"
#include "data/bridges/dataui.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/dictionary/runcontext.h"
#include "data/scans/scan.h"
#include "data/scans/statistics.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "script/objparams.h"
#include "script/prc_fixture.h"
#include "script/statements.h"

namespace {

struct Sale {
  const char* date;
  const char* item;
  int64_t cents;
};
// Six sales in three groups (the first three letters of the item); group
// AAA's records are not adjacent in the key DATE + ITEM.
constexpr Sale kSales[] = {{"20240101", "AAA001", 1050}, {"20240102", "BBB001", 2000}, {"20240103", "AAA002", 525},
                           {"20240104", "CCC001", 700},  {"20240105", "BBB002", 100},  {"20240106", "AAA003", 225}};

constexpr char kAssign[] = "GRP{}=FN$MIDS(ITEM{1};1;3),TOTAL{}=TOTAL{}+AMOUNT{1},CNT{}=CNT{}+1";

// An application "TT" in a private directory, which is also the current
// directory, with its temporary directory inside; the files
//   1 SALES   DATE A8, ITEM A6, AMOUNT 2 (14)           key DATE + ITEM
//   2 GROUPS  GRP A3, NAME A10, TOTAL 2 (16), CNT N6, TMPN N6   key GRP
// SALES holds kSales, GROUPS one record of its own (AAA "Alpha", TMPN 99);
// relation 1 of SALES reaches GROUPS by the item's group, and its relation
// statements accumulate a sale into its group; relation 0 counts in ZERO.
class StatTest : public PrcTest {
 protected:
  void SetUp() override {
    PrcTest::SetUp();
    ASSERT_NE(getcwd(oldDir_, sizeof oldDir_), nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    temp_ = dir_.File("tmp");
    std::filesystem::create_directory(temp_);
    const char* old = std::getenv("TEMP");
    oldTemp_ = old ? old : "";
    hadTemp_ = old != nullptr;
    setenv("TEMP", temp_.c_str(), 1);
    for (int n = 1; n <= kMaxDataFiles; ++n) DataFileCtrlInit(n);
    ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S("TT:Test")), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(dir_.path())), 0);
    Write("TTDICC.DAT",
          "01 Sales**01SALES\n01       008 ADATE\n01       006 AITEM\n01       014 2AMOUNT\n"
          "02 Groups**01GROUPS\n02       003 AGRP\n02       010 ANAME\n02       016 2TOTAL\n"
          "02       006 NCNT\n02       006 NTMPN\n"
          "31 <00010080009006\n32 <0001003\n");
    Write("TTREL.DAT", "61 Sales:2R1K1=FN$MIDS(ITEM{1};1;3)\n");
    Write("TTRELUP.DAT", std::string("0100 ZERO=ZERO+1\n0101 ") + kAssign + "\n");
    ASSERT_EQ(DicLoad(S(dir_.path()), S("TT"), S("")), 0) << Detail();
    ExecRunUtilsInit();
    ASSERT_EQ(StatMoveRegister(), 0);
    ASSERT_LT(DataFileOpen(2, 0), 128);
    Add(2, "GRP{2}='AAA',NAME{2}='Alpha',TMPN{2}=99");
    ASSERT_LT(DataFileOpen(1, dfopen::kMakeCurrent), 128);
    for (const Sale& s : kSales)
      Add(1, std::string("DATE{1}='") + s.date + "',ITEM{1}='" + s.item + "',AMOUNT{1}=" + std::to_string(s.cents) +
                 "/100");
    VarSysIntSet(kSysCurFil, 2);
    savedUi_ = DataUiSet(DataUi());
  }
  void TearDown() override {
    DataUiSet(savedUi_);
    DataFileCancelPollSet(nullptr);
    VarSysIntSet(kSysUpStat, 1);
    while (RunContextDepth() > 0) RunContextRestore();
    DataFileCloseAll();
    if (hadTemp_) setenv("TEMP", oldTemp_.c_str(), 1);
    else unsetenv("TEMP");
    ASSERT_EQ(chdir(oldDir_), 0);
    PrcTest::TearDown();
  }

  void Add(int n, const std::string& assignments) {
    ASSERT_EQ(DataFileMove(n, dfmove::kNew), dfres::kNewRecord);
    ASSERT_EQ(ExpEvalStatus(S(assignments)), 0) << assignments;
    ASSERT_LT(DataFileInsert(n), 128) << assignments;
  }
  // The groups of file n in key order, "GRP:cents:count" joined by ",".
  std::string Groups(int n) {
    DataStoreState state;
    EXPECT_EQ(DataFileCtrlSave(&state, n, nullptr), 0);
    std::string out;
    for (Status s = DataFileMove(n, dfmove::kFirst); s == 0; s = DataFileMove(n, dfmove::kNext)) {
      if (!out.empty()) out += ',';
      out += Str(("GRP{" + std::to_string(n) + "}").c_str()) + ":" +
             std::to_string(ExpEvalNum(S("TOTAL{" + std::to_string(n) + "}"))) + ":" +
             std::to_string(Int(("CNT{" + std::to_string(n) + "}").c_str()));
    }
    EXPECT_EQ(DataFileCtrlSave(nullptr, n, &state), 0);
    return out;
  }
  // The same by brute force over kSales for dates from..to.
  static std::string Expected(const std::string& from, const std::string& to) {
    std::map<std::string, std::pair<int64_t, int>> sums;
    for (const Sale& s : kSales)
      if ((from.empty() || s.date >= from) && (to.empty() || std::string(s.date).substr(0, to.size()) <= to)) {
        auto& g = sums[std::string(s.item).substr(0, 3)];
        g.first += s.cents;
        g.second += 1;
      }
    std::string out;
    for (const auto& [grp, v] : sums) {
      if (!out.empty()) out += ',';
      out += grp + ":" + std::to_string(v.first) + ":" + std::to_string(v.second);
    }
    return out;
  }
  // Files left in the temporary directory.
  int TempFiles() {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(temp_)) n += e.is_regular_file() ? 1 : 0;
    return n;
  }
  bool Temporary(int n) { return DataFileStore(n) && DataFileStore(n)->IsOpen() && DataFileStore(n)->Temporary(); }
  bool SetOpen() { return VarIntTestBits(kSysUpStat, upstat::kSetOpen); }
  Status Scan(const std::string& options, const std::string& assign = kAssign, const std::string& cond = "",
              const std::string& rowCond = "", const std::string& poll = "") {
    ErrClear();
    return FileScanRun(S(options), S(cond), S(assign), S(rowCond), S(poll));
  }

  std::string temp_, oldTemp_;
  bool hadTemp_ = false;
  DataUi savedUi_;
  char oldDir_[PATH_MAX] = {};
};

TEST_F(StatTest, AccumulatesOneWorkRecordPerGroupWithItsSums) {
  struct Case {
    const char* id;
    std::string options, from, to;
  } cases[] = {
      {"whole file", "", "", ""},
      {"a range", " FROM:'20240102' TO:'20240104'", "20240102", "20240104"},
      {"from only", " FROM:\"20240103\"", "20240103", ""},
      {"nothing in range", " FROM:'20250101'", "20250101", ""},
  };
  for (const Case& c : cases) {
    VarSysIntSet(kSysCurFil, 2);
    EXPECT_EQ(Scan("ACUM VIRTUAL:2 FILE:SALES INDEX:1" + c.options), 0) << c.id << " " << Detail();
    EXPECT_TRUE(Temporary(2)) << c.id;
    EXPECT_TRUE(SetOpen()) << c.id;
    EXPECT_EQ(VarSysIntGet(kSysCurFil), 2) << c.id;
    EXPECT_EQ(VarSysIntGet(kSysSgn), 0) << c.id;
    EXPECT_EQ(Groups(2), Expected(c.from, c.to)) << c.id;
    EXPECT_EQ(Scan("CLOSE"), 0) << c.id;
    EXPECT_FALSE(SetOpen()) << c.id;
    EXPECT_EQ(TempFiles(), 0) << c.id;
  }
  // The file's own data is untouched.
  ASSERT_LT(DataFileOpen(2, 0), 128);
  EXPECT_EQ(Groups(2), "AAA:0:0");
}

// The FILESCAN statement from a procedure: the set walked with StatMove.
TEST_F(StatTest, ProcedureAccumulatesAndWalksTheSet) {
  ASSERT_EQ(Run(std::string("FILESCAN 'ACUM VIRTUAL:2 FILE:1','AMOUNT{1}>2','") + kAssign +
                "'\nst=_STAT\nn=0,s#=0,g$=''\nr=StatMove('TOP')\nDO_WHILE r==0\nn=n+1,s#=s#+TOTAL{}\n"
                "g$=g$+GRP{}\nr=StatMove()\nLOOP\nlast=r\nFILESCAN 'CLOSE'\n"),
            0)
      << Detail();
  EXPECT_EQ(Int("st"), 0);
  EXPECT_EQ(Int("n"), 3);
  EXPECT_EQ(Str("g$"), "AAABBBCCC");
  EXPECT_EQ(ExpEvalNum(S("s#")), 1050 + 2000 + 525 + 700 + 225);
  EXPECT_EQ(Int("last"), 2);
  EXPECT_EQ(TempFiles(), 0);
}

TEST_F(StatTest, SetLifeKeepsTheCallersParameterStringAndDeletesBothFiles) {
  ASSERT_EQ(DynStrPush(ObjParamsList, S("TITLE$:'Caller'")), 0);
  uint32_t depth = DynStrCount(ObjParamsList);
  EXPECT_EQ(Scan("VIRTUAL:2", ""), 0) << Detail();
  EXPECT_TRUE(Temporary(2));
  EXPECT_TRUE(SetOpen());
  EXPECT_EQ(TempFiles(), 2);
  EXPECT_EQ(ParmValue(S("TITLE$")).Str(), "Caller");
  EXPECT_EQ(Scan("ACUM FILE:1"), 0) << Detail();
  EXPECT_EQ(ParmValue(S("TITLE$")).Str(), "Caller");
  EXPECT_EQ(DynStrCount(ObjParamsList), depth);
  EXPECT_EQ(Scan("CLOSE"), 0);
  EXPECT_EQ(TempFiles(), 0);
  EXPECT_FALSE(SetOpen());
  EXPECT_EQ(DynStrCount(ObjParamsList), depth);
  ASSERT_EQ(DynStrPop(ObjParamsList), 0);
}

TEST_F(StatTest, BadOptionsAnswerTheirErrors) {
  struct Case {
    const char* options;
    Status status;
    const char* detail;
  } cases[] = {
      {"", st::BADINPUTDATA, "FILESCAN "},
      {"SUM FILE:1", st::BADINPUTDATA, "FILESCAN SUM FILE:1"},
      {"ACUM FILE:NOFILE", st::BADINPUTDATA, "FILESCAN FILE:NOFILE"},
      {"ACUM FILE:9", st::BADINPUTDATA, "FILESCAN FILE:9"},
      {"ACUM FILE:1 INDEX:3", st::BADINPUTDATA, "FILESCAN INDEX:3"},
      {"ACUM FILE:1 INDEX:x", st::BADINPUTDATA, "FILESCAN INDEX:X"},
      {"ACUM FILE:1 MODE:one", st::BADINPUTDATA, "FILESCAN MODE:ONE"},
      {"ACUM", st::BADINPUTDATA, "FILESCAN FILE"},
      {"ACUM FILE:2", st::BADINPUTDATA, "FILESCAN FILE"},  // the work file itself
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Scan(c.options), c.status) << c.options;
    EXPECT_EQ(Detail(), c.detail) << c.options;
  }
  // FROM that fails to evaluate: the evaluator's error, not an empty range.
  Status s = Scan("ACUM FILE:1 FROM:'A'*2");
  EXPECT_GE(s, 128);
  EXPECT_NE(s, st::BADINPUTDATA);
  EXPECT_FALSE(SetOpen());
}

TEST_F(StatTest, ExpressionSetsRunOrSumOverTheRange) {
  VarSysIntSet(kSysCurFil, 1);
  ASSERT_EQ(DataFileMove(1, dfmove::kLast), 0);
  // The expression list runs over each record; the file stays where it was.
  ASSERT_EQ(ExpEvalStatus(S("n=0,t#=0")), 0);
  EXPECT_EQ(Scan("EXPSET INDEX:1 FROM:'20240102' TO:'20240105'", "n=n+1,t#=t#+AMOUNT{1}", "AMOUNT{1}<10"), 0)
      << Detail();
  EXPECT_EQ(Int("n"), 3);
  EXPECT_EQ(ExpEvalNum(S("t#")), 525 + 700 + 100);
  EXPECT_EQ(Str("ITEM{1}"), "AAA003");
  // Sums of each listed expression in 64 bits: 6 x 5e8 passes 2^31 units.
  FixedNum sums[2] = {0, 0};
  EXPECT_EQ(FileScanExpSet(1, 1, S(""), S(""), S(""), S("500000000,AMOUNT{1}*1000000"), 0, sums, 2), 0);
  EXPECT_EQ(sums[0], 6 * 50000000000LL);
  EXPECT_EQ(sums[1], (1050 + 2000 + 525 + 700 + 100 + 225) * 1000000LL);
  EXPECT_GT(sums[0], INT32_MAX);
  // A sum that would leave 64 bits.
  FixedNum big[1] = {INT64_MAX - 100};
  EXPECT_EQ(FileScanExpSet(1, 1, S(""), S(""), S(""), S("AMOUNT{1}"), 0, big, 1), st::DATAOUTBOUND);
  EXPECT_EQ(Str("ITEM{1}"), "AAA003");
}

// StatMove inside a set walks the work file; outside it goes on with the
// scan's kept condition. Each result is the file's last status.
TEST_F(StatTest, StatMoveCommandsInsideAndOutsideASet) {
  ASSERT_EQ(Scan("ACUM VIRTUAL:2 FILE:1"), 0) << Detail();
  struct Step {
    const char* call;
    int result;
    const char* grp;  // GRP{} afterwards, or the item of SALES outside
  } inside[] = {
      {"StatMove('TOP')", 0, "AAA"},       {"StatMove()", 0, "BBB"},
      {"StatMove('NEXT')", 0, "CCC"},      {"StatMove('nxt')", 2, nullptr},
      {"StatMove('TOP';'BBB';'INDEX:1')", 0, "BBB"},
      {"StatMove('BOT';'BBB')", 0, "CCC"}, {"StatMove('TOP';'';'INDEX:0')", 0, "AAA"},
      {"StatMove('BOTTOM';'ZZZ')", 2, nullptr},
  };
  for (const Step& s : inside) {
    ErrClear();
    EXPECT_EQ(Int(s.call), s.result) << s.call << " " << Detail();
    EXPECT_EQ(DataFileCtrl(2)->lastStatus, s.result) << s.call;
    if (s.grp) {
      EXPECT_EQ(Str("GRP{}"), s.grp) << s.call;
    }
  }
  ASSERT_EQ(Scan("CLOSE"), 0);
  VarSysIntSet(kSysCurFil, 1);
  Step outside[] = {
      {"StatMove('NEW';'20240102';'';'AMOUNT{1}>6')", 0, "BBB001"},
      {"StatMove()", 0, "CCC001"},
      {"StatMove('NXT')", 2, nullptr},
      {"StatMove('TOP';'20240101')", 0, "AAA001"},
      {"StatMove('NXT';'';'20240103')", 0, "BBB001"},
      {"StatMove('NXT';'';'20240103')", 2, nullptr},
      {"StatMove('TOP';'20240104')", 0, "CCC001"},
      {"StatMove('BOT';'20240105')", 0, "AAA003"},
  };
  for (const Step& s : outside) {
    ErrClear();
    EXPECT_EQ(Int(s.call), s.result) << s.call << " " << Detail();
    EXPECT_EQ(DataFileCtrl(1)->lastStatus, s.result) << s.call;
    if (s.grp) {
      EXPECT_EQ(Str("ITEM{1}"), s.grp) << s.call;
    }
  }
  for (const char* bad : {"StatMove('PRV')", "StatMove('FND')", "StatMove('XYZ')", "StatMove('SVE';'';'n=1')"}) {
    ErrClear();
    EXPECT_EQ(ExpEvalStatus(S(bad)), st::SINTAXERROR) << bad;
  }
  ErrClear();
  EXPECT_EQ(ExpEvalStatus(S("StatMove('NXT';1;2;3;4)")), st::SINTAXERROR);
}

// SVE rewrites every record of the set once, also when the expression
// moves the record in the key order.
TEST_F(StatTest, StatMoveSaveVisitsEachRecordOnce) {
  ASSERT_EQ(Scan("ACUM VIRTUAL:2 FILE:1"), 0) << Detail();
  EXPECT_EQ(Int("StatMove('SVE';'';\"GRP{}='Z'+FN$MIDS(GRP{};1;2),CNT{}=CNT{}+100\")"), 0) << Detail();
  EXPECT_EQ(Groups(2), "ZAA:1800:103,ZBB:2100:102,ZCC:700:101");
  // From a start text: the records whose key begins with it.
  EXPECT_EQ(Int("StatMove('SVE';'ZB';'CNT{}=0')"), 0) << Detail();
  EXPECT_EQ(Groups(2), "ZAA:1800:103,ZBB:2100:0,ZCC:700:101");
  ASSERT_EQ(Scan("CLOSE"), 0);
}

// FILEREL with flag 4 while a set is open works on the work file: a group
// missing from the set starts from the file's own record (its TMP fields
// cleared) unless the statement's set is VIRTUAL.
TEST_F(StatTest, FileRelInASetReadsOrMakesTheWorkRecord) {
  struct Case {
    const char* options;
    const char* name;
  } cases[] = {{"EXPSET VIRTUAL:2 FILE:1", "Alpha"}, {"EXPSET VIRTUAL:3 FILE:1", ""}};
  for (const Case& c : cases) {
    VarSysIntSet(kSysCurFil, 2);
    ASSERT_EQ(Scan(c.options, "r=FILEREL(1;2;1;4;TOTAL{2}=TOTAL{2}+AMOUNT{1},CNT{2}=CNT{2}+1)"), 0) << Detail();
    EXPECT_EQ(Groups(2), "AAA:1800:3,BBB:2100:2,CCC:700:1") << c.options;
    ASSERT_EQ(DataFileReadKey(2, 1, S("AAA"), 0), 0);
    EXPECT_EQ(Str("FN$TRIM(NAME{2})"), c.name) << c.options;
    EXPECT_EQ(Int("TMPN{2}"), 0) << c.options;
    EXPECT_FALSE(VarIntTestBits(kSysUpStat, upstat::kVirtual));
    ASSERT_EQ(Scan("CLOSE"), 0);
  }
  // A file that is not in the set is related as always: its own records.
  ASSERT_EQ(FILESTRUCT(S("W"), S("K;3;A"), S("")), 0);
  ASSERT_LT(DataFileOpen(2, 0), 128);
  VarSysIntSet(kSysCurFil, 3);
  ASSERT_EQ(Scan("EXPSET VIRTUAL:2 FILE:1", "r=FILEREL(1;2;1;4;TOTAL{2}=TOTAL{2}+AMOUNT{1},CNT{2}=CNT{2}+1)"), 0)
      << Detail();
  EXPECT_TRUE(Temporary(3));
  EXPECT_FALSE(Temporary(2));
  EXPECT_EQ(Groups(2), "AAA:1800:3,BBB:2100:2,CCC:700:1");
  ASSERT_EQ(DataFileReadKey(2, 1, S("AAA"), 0), 0);
  EXPECT_EQ(Int("TMPN{2}"), 99);
  ASSERT_EQ(Scan("CLOSE"), 0);
}

// A cancel in the progress window, or through the poll condition, stops
// the accumulation with 122 and takes the set with its files away.
TEST_F(StatTest, CancelDuringAccumulationLeavesNoTemporaryFile) {
  static int steps = 0, opened = 0, closed = 0;
  DataUi ui;
  ui.progressOpen = [](int, uint32_t total) -> Status {
    ++opened;
    return total == 6 ? 0 : st::INTERNALERROR;
  };
  ui.progressStep = [](uint32_t, uint32_t, StrValue) -> Status { return ++steps >= 2 ? st::USERCANCELED : 0; };
  ui.progressClose = []() -> Status { return ++closed, 0; };
  DataUiSet(ui);
  EXPECT_EQ(Scan("ACUM VIRTUAL:2 FILE:1 MODE:1"), st::USERCANCELED) << Detail();
  EXPECT_EQ(steps, 2);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(SetOpen());
  EXPECT_FALSE(Temporary(2));
  EXPECT_EQ(TempFiles(), 0);
  // The poll condition: when false, the cancel poll is asked.
  DataUiSet(DataUi());
  DataFileCancelPollSet([] { return st::USERCANCELED; });
  VarSysIntSet(kSysCurFil, 2);
  EXPECT_EQ(Scan("ACUM VIRTUAL:2 FILE:1", kAssign, "", "", "1"), 0) << Detail();
  EXPECT_EQ(Scan("CLOSE"), 0);
  EXPECT_EQ(Scan("ACUM VIRTUAL:2 FILE:1", kAssign, "", "", "ITEM{1}<>'CCC001'"), st::USERCANCELED);
  EXPECT_EQ(TempFiles(), 0);
  // From a procedure the statement leaves 122 in _STAT and the run goes on.
  VarSysIntSet(kSysCurFil, 2);
  ASSERT_EQ(Run(std::string("FILESCAN 'ACUM VIRTUAL:2 FILE:1','','") + kAssign + "','','0'\nst=_STAT\n"), 0)
      << Detail();
  EXPECT_EQ(Int("st"), st::USERCANCELED);
  EXPECT_EQ(TempFiles(), 0);
}

// --- Statistics steps -------------------------------------------------------------------

// The screen the steps read, as a table of properties; the step runner
// stands in for the menu commands: "Perform ..." stops it, "SNAP" notes
// the level's work file, anything else fails.
class StepsTest : public StatTest {
 protected:
  static inline std::map<int, std::string> props;
  static inline std::string snap;
  static inline int level = 0, shown = 0;
  static inline Status lastShown = 0;
  static inline StepsTest* self = nullptr;

  void SetUp() override {
    StatTest::SetUp();
    self = this;
    props = {{kParmStruct, "'STATW','GRP;3;A,TOTAL;16;2,CNT;6;N','0001003'"}};
    snap.clear();
    shown = 0;
    lastShown = 0;
    StatUi ui;
    ui.prop = [](int n, int m) -> StrValue {
      auto it = props.find(n);
      StrValue v = StrFromView(it == props.end() ? "" : it->second);
      return m > 0 ? StrListItem(v, ',', static_cast<uint32_t>(m)) : v;
    };
    ui.runSteps = [](StrValue list, uint32_t* index, StrValue* rest) -> Status {
      for (uint32_t i = *index; i <= StrListCount(list, ','); ++i) {
        *index = i;
        std::string item = StrUnquote(StrListItem(list, ',', i)).Str();
        if (item == "SNAP") {
          snap = self->Snapshot();
        } else if (item.rfind("Perform ", 0) == 0) {
          *rest = StrFromView(item.substr(8));
          return st::UNDEFWARNING;
        } else {
          return st::BADINPUTDATA;
        }
      }
      return 0;
    };
    savedStat_ = StatUiSet(ui);
    DataUi d;
    d.show = [](Status code) -> Status {
      ++shown;
      lastShown = code;
      return 0;
    };
    DataUiSet(d);
  }
  void TearDown() override {
    StatUiSet(savedStat_);
    StatTest::TearDown();
  }
  std::string Snapshot() { return Groups(level); }
  Status Steps(int lvl, const std::string& list) {
    level = lvl;
    ErrClear();
    return StatStepsRun(lvl, S(list));
  }
  StatUi savedStat_;
};

TEST_F(StepsTest, RelationStepFillsTheLevelsWorkFile) {
  ASSERT_EQ(DataFileOpen(2, 0), 0);
  struct Case {
    const char* id;
    int level;
    std::map<int, std::string> extra;
    std::string expected;
  } cases[] = {
      {"a level defined from STRUCT$", 3, {}, Expected("", "")},
      {"a dictionary file as level", 2, {}, Expected("", "")},
      {"limits and a row condition", 3, {{kParmLimits, "'20240102','20240105'"}, {kParmCond, "AMOUNT{1}>5"}},
       "AAA:525:1,BBB:2000:1,CCC:700:1"},
  };
  for (const Case& c : cases) {
    for (const auto& [n, v] : c.extra) props[n] = v;
    VarSysIntSet(kSysCurFil, 1);
    ASSERT_EQ(ExpEvalStatus(S("ZERO=0")), 0);
    int files = DataFileCount();
    snap = "none";
    EXPECT_EQ(Steps(c.level, "'Perform 1,1',SNAP"), 0) << c.id << " " << Detail();
    EXPECT_EQ(snap, c.expected) << c.id;
    EXPECT_EQ(VarSysIntGet(kSysCurFil), 1) << c.id;
    EXPECT_EQ(DataFileCount(), files) << c.id;
    EXPECT_EQ(RunContextDepth(), 0) << c.id;
    EXPECT_FALSE(SetOpen()) << c.id;
    EXPECT_EQ(TempFiles(), 0) << c.id;
    EXPECT_EQ(shown, 0) << c.id;
    EXPECT_EQ(Int("ZERO"), 0) << c.id;  // relation 0 is not named
    for (const auto& [n, v] : c.extra) props.erase(n);
  }
  // Named, relation 0 runs with the others: once over each new group's
  // blank record, twice for a group already there.
  EXPECT_EQ(Steps(3, "'Perform 1,0;1',SNAP"), 0) << Detail();
  EXPECT_EQ(snap, Expected("", ""));
  EXPECT_EQ(Int("ZERO"), 9);
  EXPECT_FALSE(DataFileStore(2)->IsOpen());  // the level's file was closed for the set
}

TEST_F(StepsTest, FailuresAreShownOnceAndCloseTheSet) {
  struct Case {
    const char* id;
    int level;
    const char* list;
    Status status;
    const char* detail;
  } cases[] = {
      {"no relation statements", 3, "SNAP,'Perform 1,7',SNAP", st::BADINPUTDATA, "No RELOPT defined"},
      {"a relation step of one item", 3, "Perform 1", st::BADINPUTDATA, "Perform 1"},
      {"a step that fails", 3, "SNAP,BAD", st::BADINPUTDATA, nullptr},
      {"an empty list", 3, "", st::BADINPUTDATA, "STEPS$"},
      {"level 0", 0, "SNAP", st::DATAOUTBOUND, "STATSTEPS 0"},
      {"level 31", 31, "SNAP", st::DATAOUTBOUND, "STATSTEPS 31"},
      {"a level past the next file", 5, "SNAP", st::DATAOUTBOUND, "STATSTEPS 5"},
  };
  ASSERT_EQ(ParmEventSet(2, S("FIRST,SECOND")), 0);
  for (const Case& c : cases) {
    shown = 0;
    VarSysIntSet(kSysCurFil, 1);
    EXPECT_EQ(Steps(c.level, c.list), c.status) << c.id;
    EXPECT_EQ(VarSysIntGet(kSysAux), 2) << c.id;  // the caller's event state
    EXPECT_EQ(Str("_AUX"), "2") << c.id;
    EXPECT_EQ(DynStrGet(SystemTextList, SysEventNamesItem).Str(), "FIRST,SECOND") << c.id;
    if (c.detail) {
      EXPECT_EQ(Detail(), c.detail) << c.id;
    }
    EXPECT_EQ(shown, 1) << c.id;
    EXPECT_EQ(lastShown, c.status) << c.id;
    EXPECT_FALSE(SetOpen()) << c.id;
    EXPECT_EQ(TempFiles(), 0) << c.id;
    EXPECT_EQ(DataFileCount(), 2) << c.id;
    EXPECT_EQ(VarSysIntGet(kSysCurFil), 1) << c.id;
  }
  // An open set of the caller survives the steps.
  VarSysIntSet(kSysCurFil, 2);
  ASSERT_EQ(Scan("VIRTUAL:2", ""), 0);
  EXPECT_EQ(Steps(3, "'Perform 1,1'"), 0);
  EXPECT_TRUE(SetOpen());
  EXPECT_TRUE(Temporary(2));
}

}  // namespace
