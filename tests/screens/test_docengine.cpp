// The document engine: line keys, loading a document into its line buffer,
// saving (lossless on failure) and deleting it, the header passes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/store/recfile.h"
#include "data/store/recio.h"
#include "data/scans/selection.h"
#include "runtime/sysvars.h"
#include "screens/documents/docengine.h"
#include "doc_fixture.h"

namespace {

class DocLinesTest : public DocTest {
 protected:
  // Stores document no with lines of the items (quantities 1, 2, ...).
  void Store(const std::string& no, const std::vector<std::string>& items, const std::string& cust = "C1") {
    Add(kDocs, Doc(no, 0, "", 0, cust));
    for (size_t i = 0; i < items.size(); ++i) Add(kDocs, Doc(no, static_cast<int>(i + 1), items[i], int(i + 1)));
  }
  // The DOC screen on document no: its key in the record (header read).
  void OpenDoc(const std::string& no) {
    Open("DOC");
    Key(kDocs, no);
  }
  // A buffer over the screen's lines block with room for rows.
  void Build(int32_t rows) {
    const ScreenDesc* s = ScreenGet(kCurrentIndex);
    ASSERT_EQ(GridBuild(buf, s->linesFirst, s->linesLast, S(""), S(""), rows, 0, nullptr), 0) << ErrDetail().Str();
  }
  // Loads the lines; the record goes back to the header, as document
  // windows keep it.
  Status Load(GridBuffer& g) {
    std::string header = RecBuf(kDocs, kRecCurrent).Str();
    Status s = MovsLinesLoad(g, S(""), S(""));
    RecBufSet(kDocs, kRecBoth, S(header + header));
    return s;
  }
  void TearDown() override {
    GridFree(buf);
    DocTest::TearDown();
  }
  GridBuffer buf;
};

TEST_F(DocLinesTest, LineKeyTable) {
  OpenDoc("AB");
  struct Case {
    int n;
    const char* key;
  } cases[] = {{7, "AB      7"}, {123, "AB    123"}, {0, "AB    "}, {kMovsPrefix, "AB    "}};
  for (const Case& c : cases) EXPECT_EQ(MovsLineKey(c.n).Str(), c.key) << c.n;
  WinRecordClose(-1);
  Open("DOC2");
  Key(kDocs2, "XY");
  EXPECT_EQ(MovsLineKey(7).Str(), "XY");  // no N_LINE: the key right-trimmed
  EXPECT_EQ(MovsLineKey(kMovsPrefix).Str(), "XY");
}

TEST_F(DocLinesTest, LoadAndSaveRoundTrip) {
  Store("AB X", {"OTHER"});
  Store("AB", {"PEN", "INK", "PAD"});
  Store("ABC", {"X"});
  OpenDoc("AB");
  Build(10);
  ASSERT_EQ(MovsHeaderRead(kDocs, 0, MovsLineKey(kMovsPrefix)), 0);
  EXPECT_EQ(RecFieldGet(kDocs, 6).Str(), "C1      ");
  ASSERT_EQ(Load(buf), 0) << ErrDetail().Str();
  EXPECT_EQ(Rows(buf), (std::vector<std::string>{"PEN|1|", "INK|2|", "PAD|3|"}));
  EXPECT_EQ(buf.curRow, 1);
  EXPECT_EQ(Sys(kSysLNum), 1);
  EXPECT_FALSE(buf.flags & kGridLinesChanged);
  EXPECT_EQ(SelSlotsBusy(), 0);

  // Line 2 goes, line 3 becomes "PAPER"; saved and read again.
  buf.curRow = 2;
  ASSERT_EQ(GridShiftRows(buf, -1), 0);
  ASSERT_EQ(GridCellSet(buf, 2, 1, S("PAPER")), 0);
  int64_t totalBefore = Num("T#");
  // The lines take the header's fields (CUST) besides their columns.
  ASSERT_EQ(MovsDocSave(buf), 0) << ErrDetail().Str();
  EXPECT_FALSE(buf.flags & kGridLinesChanged);
  EXPECT_EQ(Records(kDocs), (std::vector<std::string>{
                                Doc("AB", 0, "", 0, "C1"), Doc("AB", 1, "PEN", 1, "C1"), Doc("AB", 2, "PAPER", 3, "C1"),
                                Doc("AB X", 0, "", 0, "C1"), Doc("AB X", 1, "OTHER", 1), Doc("ABC", 0, "", 0, "C1"),
                                Doc("ABC", 1, "X", 1)}));
  EXPECT_EQ(Check(kDocs), "");
  EXPECT_EQ(Num("T#") - totalBefore, 4 - 6);  // the relation followed the lines: 1+3 stored, 1+2+3 deleted

  GridBuffer again;
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  ASSERT_EQ(GridBuild(again, s->linesFirst, s->linesLast, S(""), S(""), 10, 0, nullptr), 0);
  ASSERT_EQ(Load(again), 0);
  EXPECT_EQ(Rows(again), Rows(buf));
  GridFree(again);

  // No rows: the headers alone.
  GridReset(buf);
  Key(kDocs, "AB");
  ASSERT_EQ(MovsDocSave(buf), 0);
  EXPECT_EQ(Records(kDocs)[0], Doc("AB", 0, "", 0, ""));
  EXPECT_EQ(Records(kDocs)[1], Doc("AB X", 0, "", 0, "C1"));
}

TEST_F(DocLinesTest, HeaderPasses) {
  struct Case {
    const char* id;
    const char* params;
    size_t headers;
    Status result;
  } cases[] = {
      // Neither WRITECAB1$ nor WRITECAB2$: the false pre-statement is the
      // condition of both passes; the last counted one writes.
      {"two passes, none holds", "NUMCAB$:2\nWRITECAB0$:\"CNT#=CNT#+1,0\"", 1, 0},
      {"pass 1 holds", "NUMCAB$:2\nWRITECAB0$:\"CNT#=CNT#+1,0\"\nWRITECAB1$:1", 1, 0},
      {"passes 1 and 2 hold", "NUMCAB$:3\nWRITECAB0$:\"CNT#=CNT#+1,0\"\nWRITECAB1$:1\nWRITECAB2$:1", 2, 0},
      {"past the count while it holds", "NUMCAB$:1\nWRITECAB0$:\"CNT#=CNT#+1,0\"\nWRITECAB2$:1\nWRITECAB3$:1", 3, 0},
      {"always true", "NUMCAB$:1\nWRITECAB0$:\"CNT#=CNT#+1,1\"", 3, st::LOOPFAILURE},
      {"WRITECABS$: the pre-statement decides", "WRITECABS$:\"HDR$='H',0,AFT#=AFT#+1\"", 1, 0},
      {"WRITECABS$ with a key condition", "WRITECABS$:\"HDR$='H',_HNUM<3,AFT#=AFT#+1,1\"", 2, 0},
  };
  Store("AB", {"PEN"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    WinRecordClose(-1);
    WriteScreen("DOC", std::string("FILEDEF$:,,,,,,1\n") + c.params, kDocLayout);
    OpenDoc("AB");
    ASSERT_EQ(Eval("CNT#=0,AFT#=0"), 0);
    Build(5);
    EXPECT_EQ(MovsDocSave(buf), c.result) << ErrDetail().Str();
    size_t headers = 0;
    for (const std::string& rec : Records(kDocs)) headers += rec.substr(0, 9) == "AB       ";
    EXPECT_EQ(headers, c.headers);  // a failed save leaves the three stored before
    if (std::string(c.id).find("WRITECABS$") == 0) {
      EXPECT_EQ(Num("AFT#"), static_cast<int64_t>(c.headers));
    }
    GridFree(buf);
    ErrClear();
  }
  EXPECT_EQ(Check(kDocs), "");
}

TEST_F(DocLinesTest, FailedSavesLoseNothing) {
  Store("AB", {"PEN", "INK", "PAD"});
  Store("ABC", {"X"});
  const std::vector<std::string> before = Records(kDocs);
  int64_t total = Num("T#");
  // The save of 3 lines, failing in each of the ways below; with a write
  // fault, at every write it makes in turn until it gets through.
  struct Case {
    const char* id;
    int rows;
    const char* third;  // the item of row 3
    bool writeFaults;
    Status result;
  } cases[] = {
      {"N_LINE cannot number 1,000 lines", 1000, "PAD", false, st::DATAOUTBOUND},
      {"a relation fails at the third line", 3, "BAD", false, st::DATAOUTBOUND},
      {"the n-th write fails", 3, "PAD", true, 0},
  };
  for (const Case& c : cases) {
    int nth = 1;
    for (; nth < 100; ++nth) {
      SCOPED_TRACE(std::string(c.id) + " " + std::to_string(nth));
      WinRecordClose(-1);
      OpenDoc("AB");
      Build(1000);
      for (int r = 1; r <= c.rows; ++r) ASSERT_EQ(GridCellSet(buf, r, 1, S(r == 3 ? c.third : "NEW")), 0);
      buf.flags |= kGridChanged | kGridLinesChanged;
      if (c.writeFaults) recio::FaultArm(recio::Fault::Write, nth);
      Status r = MovsDocSave(buf);
      recio::FaultReset();
      bool changed = buf.flags & kGridLinesChanged;
      GridFree(buf);
      if (c.writeFaults && r == 0) break;  // every write before this one was tried
      if (!c.writeFaults) {
        EXPECT_EQ(r, c.result);
      }
      EXPECT_GE(r, 128);
      EXPECT_NE(ErrDetail().Str(), "");
      EXPECT_EQ(Records(kDocs), before);
      EXPECT_EQ(Check(kDocs), "");
      EXPECT_EQ(Num("T#"), total);  // the relations undone with the records
      EXPECT_TRUE(changed);
      EXPECT_EQ(Num("SAVES#"), 0);
      ErrClear();
      if (!c.writeFaults) break;
    }
    if (c.writeFaults) {
      EXPECT_GT(nth, 8) << "faults tried";  // 4 deletes, 5 inserts, index saves
      EXPECT_LT(nth, 100) << "the save never got through";
    }
  }
}

TEST_F(DocLinesTest, DeletesReachOneDocumentOnly) {
  for (const char* no : {"AB", "ABC", "AB1", "AB X"}) Add(kDocs2, std::string(no) + std::string(6 - std::string(no).size(), ' ') + "ITEM");
  Open("DOC2");
  Key(kDocs2, "AB");
  EXPECT_EQ(MovsDocDeleteCurrent(), dfres::kNotFound);
  std::vector<std::string> left;
  for (const std::string& r : Records(kDocs2)) left.push_back(r.substr(0, 6));
  EXPECT_EQ(left, (std::vector<std::string>{"AB X  ", "AB1   ", "ABC   "}));
  // A blank document prefix deletes nothing.
  Key(kDocs2, "");
  EXPECT_EQ(MovsDocDeleteCurrent(), dfres::kEnd);
  EXPECT_EQ(Records(kDocs2).size(), 3u);
  // A relation that writes each deleted record back: the loop ends.
  Add(kLoops, "L1    A");
  EXPECT_EQ(MovsDocDelete(kLoops, 1, S("L1    "), S(""), S("")), st::LOOPFAILURE);
  EXPECT_EQ(Check(kLoops), "");
}

TEST_F(DocLinesTest, LoadsWhatFits) {
  Store("AB", {"L1", "L2", "L3", "L4", "L5", "L6", "L7"});
  OpenDoc("AB");
  Build(5);
  EXPECT_EQ(MovsLinesLoad(buf, S(""), S("")), st::DATAOUTBOUND);
  EXPECT_EQ(Rows(buf).size(), 5u);
  EXPECT_EQ(Rows(buf)[4], "L5|5|");
  EXPECT_EQ(SelSlotsBusy(), 0);
  // From row 4 of a buffer holding three rows: the rows go in before row 4.
  GridReset(buf);
  for (int r = 1; r <= 3; ++r) ASSERT_EQ(GridCellSet(buf, r, 1, S("OLD")), 0);
  buf.curRow = 4;
  EXPECT_EQ(MovsLinesLoad(buf, S(""), S("")), st::DATAOUTBOUND);
  EXPECT_EQ(Rows(buf), (std::vector<std::string>{"OLD||", "OLD||", "OLD||", "L1|1|", "L2|2|"}));
  EXPECT_EQ(buf.curRow, 4);
}

TEST_F(DocLinesTest, HeaderReadWithReadCabs) {
  Add(kDocs, Doc("AB", 0, "", 0, "FIRST"));
  Add(kDocs, Doc("AB", 0, "", 0, "SECOND"));
  Add(kDocs, Doc("AB", 1, "PEN", 1));
  WinRecordClose(-1);
  Define("DOC", "READCABS$:\"N#=N#+1,AFTER#=1\"");
  OpenDoc("AB");
  ASSERT_EQ(Eval("N#=0,AFTER#=0"), 0);
  EXPECT_EQ(MovsHeaderRead(kDocs, 0, S("AB    ")), 0);
  EXPECT_EQ(Num("N#"), 1);  // run for the second header only
  EXPECT_EQ(Num("AFTER#"), 1);
  EXPECT_EQ(RecFieldGet(kDocs, 6).Str(), "FIRST   ");
  EXPECT_EQ(RecBuf(kDocs, kRecSaved).Str(), RecBuf(kDocs, kRecCurrent).Str());
  EXPECT_EQ(SelSlotsBusy(), 0);
  EXPECT_EQ(MovsHeaderRead(kDocs, 0, S("ZZ    ")), dfres::kEnd);
  EXPECT_EQ(Sys(kSysIer), dfres::kEnd);
}

}  // namespace
