// The transaction menu: an export set up in forms answered by INPUT lines,
// saved and run; the same configuration run again from the saved file; a
// saved import; the parts of the set-up one by one.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "data/bridges/dataui.h"
#include "data/store/openstate.h"
#include "data/transactions/trans.h"
#include "platform/host/files.h"
#include "runtime/paths.h"
#include "screens/forms/choice.h"
#include "screens/forms/msgbox.h"
#include "screens/transactions/transforms.h"
#include "screens/transactions/transmenu.h"
#include "screens/transactions/transsave.h"
#include "data_fixture.h"
#include "support/batch_io.h"

namespace {

class TransMenuTest : public DataScreenTest {
 protected:
  void SetUp() override {
    DataScreenTest::SetUp();
    TransParmsClear();
    saved_ = DataUiGet();
    DataUi ui = saved_;
    ui.choose = WinChoiceAndClose;
    ui.ask = MsgAsk;
    ui.show = ErrShow;
    ui.info = [](StrValue text) -> Status {
      InfoBox(StrMake("", 0), text);
      return 0;
    };
    ui.transBounds = TransBounds;
    ui.transConfirm = TransConfirm;
    DataUiSet(ui);
    ASSERT_EQ(DynStrSet(SettingsList, SetDocsDirItem, S(dir.File("docs"))), 0);
    ppn = host::ResolvePath(TransPpnPath().View());
    ASSERT_EQ(host::MakeDirs(dir.File("data")), 0);
    owner = Window();
  }
  void TearDown() override {
    if (inputSlot != kStreamNoSlot) StreamClose(inputSlot);
    VarSysIntSet(kSysInHnd, 0);
    TransParmsClear();
    DataUiSet(saved_);
    DataScreenTest::TearDown();
  }

  void Input(const std::vector<std::string>& lines) {
    if (inputSlot != kStreamNoSlot) StreamClose(inputSlot);
    inputSlot = BatchInputOpen(dir.File("input.txt"), lines);
    ASSERT_NE(inputSlot, kStreamNoSlot);
  }
  std::string InputRest() { return BatchInputRest(inputSlot); }
  std::string Read(const std::string& name) {
    std::ifstream in(name[0] == '/' ? name : dir.File(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The engine's own export of ITEMS, asking nothing.
  std::string EngineExport(uint16_t mode, const std::vector<std::pair<TransItem, std::string>>& parms) {
    TransParmsClear();
    for (auto& [item, value] : parms) EXPECT_EQ(TransParmSet(item, S(value)), 0);
    EXPECT_EQ(TransRun(S(dir.File("engine.csv")), mode | tmode::kBatchMode, nullptr), 0);
    return Read("engine.csv");
  }
  DataUi saved_;
  std::string ppn;
  ui::Hwnd owner = 0;
  uint16_t inputSlot = kStreamNoSlot;
};


TEST_F(TransMenuTest, SetUpSavedAndRunFromInputLines) {
  // Table ITEMS (the first), limits L on CODE and S on AMOUNT, fields CODE,
  // CITY and AMOUNT, the target without append, no relational type, saved
  // as "Cities", then the run: the bounds form, the confirmation, the count.
  hl->key(ui::VK_RETURN);
  hl->answer(ui::IDYES, "Save this Configuration?");
  hl->answer(ui::IDOK, "Counted 3 rows in");
  const std::string out = dir.File("out.csv");
  Input({"'L','','','S'", "'1','0','1','1'", "'" + out + "','0'", "''", "'Cities'", "'A2','B2',''", "''", "next"});
  EXPECT_EQ(FileTransCommand(S("52")), 0);
  EXPECT_EQ(InputRest(), "next");
  EXPECT_EQ(hl->steps_left(), 0u);
  const std::string made = Read(out);
  EXPECT_EQ(made, "\"A2\",\"LYON\",20\r\n\"B1\",\"ROME\",30\r\n\"B2\",\"OSLO\",40\r\n");
  EXPECT_EQ(made, EngineExport(52, {{kTrFile, "ITEMS"}, {kTrStruct, "CODE,CITY,AMOUNT"}, {kTrLimits, "'A2','B2'"}}));
  EXPECT_EQ(Read(ppn),
            " 0 FD$='Cities'\r\n"
            " 1 TRANSPARMSMODE%=52\r\n"
            " 1 TARGET$='" + out + "'\r\n"
            " 1 FILE='ITEMS'\r\n"
            " 1 STRUCT$='CODE,CITY,AMOUNT'\r\n"
            " 1 ACBOUND$=\"'CODE (From):':'A2':CODE{}>=,'CODE (To)  :':'A2':CODE{}<=,'AMOUNT :':'N6':AMOUNT{}==\"\r\n"
            " 1 INDEX$='1'\r\n");
  // Run again from the saved file: the same bytes, without the target
  // asked; the stacks as they were.
  host::Remove(out);
  const uint32_t params = DynStrCount(ObjParamsList), states = DynStrCount(OpenFileStatesList),
                 relations = DynStrCount(RelationStmtList);
  hl->key(ui::VK_RETURN);
  hl->answer(ui::IDOK, "Counted 3 rows in");
  Input({"'A2','B2',''", "''", "next"});
  EXPECT_EQ(FileTransCommand(S("0")), 0);
  EXPECT_EQ(InputRest(), "next");
  EXPECT_EQ(hl->steps_left(), 0u);
  EXPECT_EQ(Read(out), made);
  EXPECT_EQ(DynStrCount(ObjParamsList), params);
  EXPECT_EQ(DynStrCount(OpenFileStatesList), states);
  EXPECT_EQ(DynStrCount(RelationStmtList), relations);
  EXPECT_EQ(TransParmText(kTrStruct), "");
}

// A saved import with its open state (OPEN$) and relations (RELOPT%): the
// rows are merged with the relation statements running, and afterwards the
// open-state stack, the relation list and the parameter string are as before.
TEST_F(TransMenuTest, SavedImportWithStateAndRelations) {
  std::ofstream(dir.File("new.csv"), std::ios::binary) << "\"D1\",\"ZOE\",\"ROMA\",60\r\n\"D2\",\"YAN\",\"KIEV\",70\r\n";
  std::ofstream(ppn, std::ios::binary) << " 0 FD$='Import'\r\n 1 TRANSPARMSMODE%=53\r\n 1 TARGET$='"
                                       << dir.File("new.csv") << "'\r\n 1 FILE='ITEMS'\r\n"
                                       << " 1 STRUCT$='CODE,NAME,CITY,AMOUNT'\r\n 1 OPEN$='1'\r\n 1 RELOPT%='0'\r\n";
  // An event is current: its qualified items must not hide the plain ones.
  std::ofstream(ppn, std::ios::app | std::ios::binary) << " 1 EV.TARGET$='missing.csv'\r\n";
  ASSERT_EQ(ParmEventSet(1, S("EV")), 0);
  const std::string event = ParmEventSave().Str();
  const uint32_t params = DynStrCount(ObjParamsList), states = DynStrCount(OpenFileStatesList),
                 relations = DynStrCount(RelationStmtList);
  ASSERT_EQ(Eval("W#=0"), 0);
  hl->key(ui::VK_RETURN);
  hl->answer(ui::IDOK, "Counted 2 rows in");
  Input({"''", "''", "next"});
  EXPECT_EQ(TransSelect(S("0")), 0);
  EXPECT_EQ(InputRest(), "next");
  EXPECT_EQ(hl->steps_left(), 0u);
  EXPECT_EQ(Num("W#"), 2);
  EXPECT_EQ(DynStrCount(ObjParamsList), params);
  EXPECT_EQ(DynStrCount(OpenFileStatesList), states);
  EXPECT_EQ(DynStrCount(RelationStmtList), relations);
  EXPECT_EQ(TransParmText(kTrTrigger), "");
  EXPECT_EQ(ParmEventSave().Str(), event);
  ParmEventSet(0, S(""));
}

// Bad saved files: a name without its tag (164 naming it), a mode that is
// not a number (163); no configurations (message 0007); no choice (122).
TEST_F(TransMenuTest, SavedConfigurationsThatCannotRun) {
  const uint32_t params = DynStrCount(ObjParamsList);
  std::ofstream(ppn, std::ios::binary) << " 0 FD$='A','B'\r\n 1 TRANSPARMSMODE%=x4\r\n";
  hl->key(ui::VK_DOWN).key(ui::VK_RETURN);
  EXPECT_EQ(TransSelect(S("0")), st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().Str(), "B");
  hl->key(ui::VK_RETURN);
  EXPECT_EQ(TransSelect(S("0")), st::BADINPUTDATA);
  hl->key(ui::VK_ESCAPE);
  EXPECT_EQ(TransSelect(S("0")), st::USERCANCELED);
  EXPECT_EQ(DynStrCount(ObjParamsList), params);
  host::Remove(ppn);
  hl->answer(ui::IDOK, "There are no saved configurations");
  EXPECT_EQ(TransSelect(S("0")), 0);
  EXPECT_EQ(hl->steps_left(), 0u);
  // A run that fails shows its error in a box; the verb then answers 0.
  std::ofstream(ppn, std::ios::binary) << " 0 FD$='A'\r\n 1 TRANSPARMSMODE%=52\r\n 1 TARGET$='x.csv'\r\n 1 FILE='NOPE'\r\n";
  hl->key(ui::VK_RETURN).answer(ui::IDOK, "NOPE");
  EXPECT_EQ(TransSelect(S("0")), st::BADFILENUMBER);
  hl->key(ui::VK_RETURN).answer(ui::IDOK, "NOPE");
  EXPECT_EQ(FileTransCommand(S("0")), 0);
  EXPECT_EQ(hl->steps_left(), 0u);
  // The mode by its caption in message 0111; an unknown one is 163.
  EXPECT_EQ(TransSelect(S("Nothing like it")), st::BADINPUTDATA);
  hl->key(ui::VK_ESCAPE);
  EXPECT_EQ(TransSelect(S("export delimited")), st::USERCANCELED);
}

// A batch update under BATCHMODE: the update expression asked (no
// EXTERNFILE, UPDATE, DELETING or INDEXCHK), limits given by item 3 of the
// verb's text, no save offered, no box.
TEST_F(TransMenuTest, BatchUpdateWithItsExpression) {
  hl->key(ui::VK_RETURN);
  Input({"'AMOUNT{}=AMOUNT{}+1'", "next"});
  EXPECT_EQ(TransSelect(S("257,,'1{}'")), 0);
  EXPECT_EQ(InputRest(), "next");
  EXPECT_EQ(hl->steps_left(), 0u);
  EXPECT_EQ(VarSysIntGet(kSysCount), 5);
  std::string amounts;
  ASSERT_LT(DataFileOpen(1, 0), 128);
  for (Status s = DataFileMove(1, dfmove::kFirst); s == 0; s = DataFileMove(1, dfmove::kNext))
    amounts += std::to_string(Num("AMOUNT{1}")) + " ";
  EXPECT_EQ(amounts, "11 21 31 41 51 ");
  EXPECT_FALSE(host::Exists(ppn));
}

// The parts of the set-up: the key of the first limited field, the fields
// chosen, and a cancel anywhere: 122 with nothing saved or run.
TEST_F(TransMenuTest, SetUpParts) {
  EXPECT_EQ(TransListParms(1, S("'CITY :':'A8':CITY{}==,'CODE :':'A2':CODE{}==")), 3);
  EXPECT_EQ(TransListParms(1, S("'AMOUNT :':'N6':AMOUNT{}==")), 0);  // no key starts there
  EXPECT_EQ(TransListParms(1, S("")), 0);
  EXPECT_EQ(TransFieldFormLines(1).Str(), "'CODE:':'L1'::1,'NAME:':'L1'::1,'CITY:':'L1'::1,'AMOUNT:':'L1'::1");
  EXPECT_EQ(TransFieldsJoin(1, S("'1','0','Y','1'")).Str(), "CODE,CITY,AMOUNT");
  // Limits S on CITY: INDEX$ is key 3, led by CITY.
  Input({"'','','S',''"});
  ASSERT_EQ(TransTargetSetup(1, S("52")), 0);
  EXPECT_EQ(TransParmText(kTrIndex), "3");
  EXPECT_EQ(TransParmText(kTrAcBound), "'CITY :':'A8':CITY{}==");
  // Cancelled at the fields form, at the target form, at the save's name
  // (after the relational type).
  for (int at : {1, 2, 4}) {
    std::vector<std::string> lines = {"''", "'1','1','1','1'", "'x.csv','0'", "''", "'N'"};
    lines.resize(static_cast<size_t>(at));
    lines.push_back("\x1B");
    hl->key(ui::VK_RETURN);
    if (at == 4) hl->answer(ui::IDYES, "Save this Configuration?");
    Input(lines);
    ASSERT_EQ(TransSelect(S("52")), st::USERCANCELED) << at;
    EXPECT_EQ(hl->steps_left(), 0u) << at;
    EXPECT_EQ(TransParmText(kTrStruct), "") << at;
    EXPECT_FALSE(host::Exists(ppn));
    EXPECT_FALSE(host::Exists(dir.File("x.csv")));
  }
}

// Outside batch mode the target form follows the file dialog, whose path
// it offers with append mode on; a cancelled dialog is 122.
TEST_F(TransMenuTest, TargetFormAfterTheFileDialog) {
  std::string name = "offered.csv";
  uint16_t mode = 52;
  hl->dialog("/data/out.csv").wait_top("", "Target File").click("Ok");
  ASSERT_EQ(TransTargetForm(&name, &mode), 0);
  EXPECT_EQ(hl->steps_left(), 0u);
  EXPECT_NE(name.find("out.csv"), std::string::npos);
  EXPECT_EQ(TransParmText(kTrName), name);
  EXPECT_EQ(mode, 52 | tmode::kAppend);
  ASSERT_FALSE(hl->dialogs().empty());
  EXPECT_EQ(hl->dialogs().back().request.kind, ui::DialogKind::Save);
  hl->dialog("");
  EXPECT_EQ(TransTargetForm(&name, &mode), st::USERCANCELED);
}

}  // namespace
