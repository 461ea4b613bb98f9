// Shared set-up of the document tests: the headless window system of
// ScreenUiTest and an application "DC" in the test's directory:
//   1 DOCS   DOCNO A6, N_LINE N3, ITEM A10, QTY N5, PRICE 2-decimal 10,
//            CUST A8; key 1 DOCNO + N_LINE (a document: header with N_LINE
//            blank, lines numbered 1..n)
//   2 DOCS2  DOCNO A6, ITEM A10, QTY N5; key 1 DOCNO (no N_LINE)
//   3 NAVS   GRP A2, N_LINE N3, ITEM A10, QTY N5; key 1 GRP + N_LINE
//   4 LOOPS  DOCNO A6, ITEM A10; key 1 DOCNO; its relation 0 writes a
//            deleted record back (a delete that never ends)
// Relation 0 of DOCS keeps the quantity of all stored lines in T# and fails
// (168, _# past its end) for a line whose ITEM is BAD.
// Screens (tag 1 files DOC.PPN/.PAN, DOC2, NAV): DOCNO and CUST above a
// lines block ITEM, QTY, PRICE (titled by labels two rows above it) and an
// unbound TAIL after it; NAV shows GRP above a block LINE, ITEM, QTY.
#pragma once
#include <string>
#include <vector>

#include "data/store/datafile.h"
#include "data/store/fileaction.h"
#include "data/store/reccheck.h"
#include "data/store/recbuf.h"
#include "runtime/dynstrings.h"
#include "screen_fixture.h"
#include "screens/window/fieldvalues.h"
#include "screens/grids/gridview.h"
#include "screens/grids/linsgrid.h"
#include "screens/window/winrecord.h"
#include "script/evaluator.h"

class DocTest : public ScreenUiTest {
 protected:
  static constexpr int kDocs = 1, kDocs2 = 2, kNavs = 3, kLoops = 4;

  void SetUp() override {
    ScreenUiTest::SetUp();
    GridViewReset();
    LinsGridReset();
    for (int n = 1; n <= kMaxDataFiles; ++n) DataFileCtrlInit(n);
    ASSERT_EQ(DicTruncate(0), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S("DC:Test")), 0);
    WriteFile("DCDICC.DAT",
              "01 Docs**01DOCS\n01 DOCNO 006 ADOCNO\n01 NLINE 003 NN_LINE\n01 ITEM  010 AITEM\n"
              "01 QTY   005 NQTY\n01 PRICE 010 2PRICE\n01 CUST  008 ACUST\n31 <00010060007003\n"
              "02 Docs2**01DOCS2\n02 DOCNO 006 ADOCNO\n02 ITEM  010 AITEM\n02 QTY   005 NQTY\n32 <0001006\n"
              "03 Navs**01NAVS\n03 GRP   002 AGRP\n03 NLINE 003 NN_LINE\n03 ITEM  010 AITEM\n"
              "03 QTY   005 NQTY\n33 <00010020003003\n"
              "04 Loops**01LOOPS\n04 DOCNO 006 ADOCNO\n04 ITEM  010 AITEM\n34 <0001006\n");
    WriteFile("DCRELUP.DAT",
              "0100 T#=T#+_SGN*QTY{1}\n0100 X#=_#(1+300*(FN$TRIM(ITEM{1})=='BAD'))\n"
              "0400 X#=FILEFIND(DOCNO{4};4;1;4)\n");
    ASSERT_EQ(DicLoad(S(dir.path()), S("DC"), S(dir.path())), 0) << ErrDetail().Str();
    TaskHookSet(&ScreenFieldHook, kHookValue);  // as start-up does
    ASSERT_EQ(Eval("T#=0,SAVES#=0,UPD#=0,_#(1)=0"), 0) << ErrDetail().Str();
    WriteScreen("DOC", "FILEDEF$:,,,,,,1\nWRITECAB0$:HDR$='H'\nSAVED$:SAVES#=SAVES#+1", kDocLayout);
    WriteScreen("DOC2", "FILEDEF$:,,,,,,2", kDoc2Layout);
    WriteScreen("NAV", "FILEDEF$:,,,,,3\nMODE$:NAVIGATION\nMAXLIN%:100\nWRITELINS$:\"UPD#=UPD#+1,OK#\"",
                kNavLayout);
    for (int f = 1; f <= 4; ++f) ASSERT_LT(DataFileOpen(f, 0), 128) << f;
  }
  void TearDown() override {
    WinRecordClose(-1);
    LinsGridClose(0);
    LinsGridReset();
    GridViewReset();
    DataFileCloseAll();
    ScreenUiTest::TearDown();
  }

  void WriteFile(const std::string& name, const std::string& text) {
    std::ofstream(dir.File(name), std::ios::binary) << text;
  }
  // A screen file pair: the field names and the given definition lines
  // (tag 1), the layout lines.
  void WriteScreen(const std::string& name, const std::string& lines, const std::vector<std::string>& layout) {
    std::string def = std::string("01 FD$:") + (name == "NAV" ? "GRP,LINE,ITEM,QTY,TAIL" : "DOCNO,CUST,ITEM,QTY,PRICE,TAIL") +
                      "\n01 BOUNDS$:" + (name == "NAV" ? "LINE,QTY" : "ITEM,PRICE") + "\n";
    WriteFile(name + ".PPN", def + Tagged(lines));
    std::string pan;
    for (const std::string& l : layout) pan += "01 " + l + "\n";
    WriteFile(name + ".PAN", pan);
  }
  // Adds definition lines to a screen (before it is opened).
  void Define(const std::string& name, const std::string& lines) {
    std::ifstream in(dir.File(name + ".PPN"), std::ios::binary);
    std::string def((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WriteFile(name + ".PPN", def + Tagged(lines));
  }
  // Lines separated by "\n" as tag-1 lines.
  static std::string Tagged(const std::string& lines) {
    std::string out;
    for (size_t at = 0; at < lines.size();) {
      size_t end = lines.find('\n', at);
      if (end == std::string::npos) end = lines.size();
      out += "01 " + lines.substr(at, end - at) + "\n";
      at = end + 1;
    }
    return out;
  }

  // Opens the screen on a new top window and makes its window record current.
  ui::Hwnd Open(const std::string& name) {
    ui::Hwnd w = Window(0, 0, 800, 600, LinsGridWndProc);
    ui::show_window(w, ui::Show::Show);
    EXPECT_EQ(ScreenCreate(S(name), S(name), 1, 0, S("")), 0) << ErrDetail().Str();
    return w;
  }

  // Inserts a record of the file from its image (blank-filled to the length).
  void Add(int file, std::string image) {
    image.resize(DicRecLen(file), ' ');
    ASSERT_EQ(DataFileMove(file, dfmove::kNew), dfres::kNewRecord);
    ASSERT_EQ(RecBufSet(file, kRecCurrent, S(image)), 0);
    Status s = DataFileAction(dfact::kInsert, file, S(""), S(""));
    ASSERT_TRUE(s == 0 || s == dfres::kRepeatedKey) << s << " " << image;
  }
  // A DOCS record: document, line (0 = header), item, quantity, customer.
  static std::string Doc(const std::string& no, int line, const std::string& item, int qty,
                         const std::string& cust = "") {
    auto pad = [](std::string s, size_t n) { return s.append(n > s.size() ? n - s.size() : 0, ' ').substr(0, n); };
    auto num = [](int v, size_t n) { std::string s = v ? std::to_string(v) : ""; return std::string(n - s.size(), ' ') + s; };
    return pad(no, 6) + (line ? num(line, 3) : "   ") + pad(item, 10) + num(qty, 5) + std::string(10, ' ') +
           pad(cust, 8);
  }
  // The live records of the file in key-1 order.
  std::vector<std::string> Records(int file) {
    DataStoreState state;
    EXPECT_EQ(DataFileCtrlSave(&state, file, nullptr), 0);
    uint16_t key = DataFileKeyGet(file);
    DataFileKeySet(file, 1);
    std::vector<std::string> out;
    for (Status s = DataFileMove(file, dfmove::kFirst); s == 0; s = DataFileMove(file, dfmove::kNext)) {
      out.push_back(RecBuf(file, kRecCurrent).Str());
    }
    DataFileKeySet(file, key);
    EXPECT_EQ(DataFileCtrlSave(nullptr, file, &state), 0);
    return out;
  }
  // The record-file checker over a file (its index written out first).
  std::string Check(int file) {
    DataStore* store = DataFileStore(file);
    RecCheckSpec spec{store->File().Spec().dataPath, store->File().Spec().indexPath, store->File().RecLen(),
                      store->File().Spec().keys};
    EXPECT_EQ(store->Save(), 0);
    return RecFileCheck(spec);
  }
  // Puts a key into the current record of the file.
  void Key(int file, const std::string& text) { ASSERT_EQ(KeyFieldsFromText(file, S(text), 1), 0); }

  Status Eval(const std::string& text) { return ExpEvalStatus(S(text)); }
  int64_t Num(const std::string& name) { return ExpEvalNum(S(name)) / 100; }
  static int16_t Sys(int slot) { return VarSysIntGet(slot); }

  // The buffer's rows as their cells joined by "|", each trimmed.
  static std::vector<std::string> Rows(const GridBuffer& g) {
    std::vector<std::string> out;
    for (int32_t r = 1; r <= g.rowCount; ++r) {
      std::string row;
      for (int32_t c = 1; c <= g.cols; ++c) {
        std::string cell = GridCellGet(g, r, c).Str();
        size_t from = cell.find_first_not_of(' ');
        cell = from == std::string::npos ? "" : cell.substr(from, cell.find_last_not_of(' ') + 1 - from);
        row += (c > 1 ? "|" : "") + cell;
      }
      out.push_back(row);
    }
    return out;
  }

  // DOC: DOCNO (row 2) and CUST (row 3), the block ITEM, QTY, PRICE on row
  // 6 titled on row 4, TAIL on row 11.
  const std::vector<std::string> kDocLayout = {"10210010106A", "10310010608A", "00405Item", "00416Qty",
                                               "00422Price", "10605010310A", "10616010405N", "10622010510A",
                                               "11105000004A"};
  const std::vector<std::string> kDoc2Layout = {"10210020106A", "10310000008A", "00405Item", "00416Qty",
                                                "00422Price", "10605020210A", "10616020305N", "10622000010A",
                                                "11105000004A"};
  // NAV: GRP (row 2), the block LINE, ITEM, QTY on row 6 (four rows to the
  // TAIL on row 10).
  const std::vector<std::string> kNavLayout = {"10210030102A", "00405Line", "00410Item", "00421Qty",
                                               "10605030203N", "10610030310A", "10621030405N", "11005000004A"};
};
