// Shared set-up of the tests of grouped lines: the NAVS file of the
// document fixture (GRP A2 + N_LINE N3 as key 1) shown by the screen ENT,
// whose lines block holds the whole key with the order number last (GRP,
// ITEM, LINE), in a navigation grid at level 0; order column 3.
#pragma once
#include <string>
#include <vector>

#include "runtime/sysvars.h"
#include "screens/documents/docengine.h"
#include "screens/documents/docgrid.h"
#include "screens/documents/navorder.h"
#include "doc_fixture.h"

class NavOrderTest : public DocTest {
 protected:
  void SetUp() override {
    DocTest::SetUp();
    // ENT: the lines of NAVS with their whole key in the block, the order
    // number last: GRP, ITEM, LINE.
    WriteFile("ENT.PPN",
              "01 FD$:GRP,ITEM,LINE,TAIL\n01 BOUNDS$:GRP,LINE\n01 FILEDEF$:,,,,3\n01 MODE$:NAVIGATION\n"
              "01 MAXLIN%:100\n" + Tagged(Definitions()));
    WriteFile("ENT.PAN", "01 00405Grp\n01 00410Item\n01 00422Line\n01 10605030102A\n01 10610030310A\n"
                         "01 10622030203N\n01 11005000004A\n");
    Open("ENT");
    VarSysIntSet(kSysLMax, 20);
    ASSERT_EQ(MovsLinsSetControls(S("ENT"), 0, nullptr), 0) << ErrDetail().Str();
    ASSERT_EQ(MovsWinGrid(), 0);
    ASSERT_EQ(NavsOrderSetKey(3), 0);
  }
  // More definition lines of ENT, "\n" between them.
  virtual std::string Definitions() { return ""; }
  static GridBuffer& Buf() { return LinsGridGet(0)->buffer; }

  static std::string Line(const std::string& grp, int n, const std::string& item) {
    std::string num = n ? std::to_string(n) : "";
    std::string g = grp + std::string(2 - grp.size(), ' ');
    return g + std::string(3 - num.size(), ' ') + num + item + std::string(10 - item.size(), ' ') + "    1";
  }
  static std::string Key(const std::string& grp, int n) { return Line(grp, n, "").substr(0, 5); }
  // Stores the group's lines (item i numbered orders[i]) and shows them in
  // the grid from row 1.
  void Group(const std::string& grp, const std::vector<int>& orders, bool show = true) {
    for (size_t i = 0; i < orders.size(); ++i) {
      std::string item(1, static_cast<char>('a' + i));
      Add(kNavs, Line(grp, orders[i], item));
      if (show) Row(static_cast<int>(i) + 1, grp, item, orders[i]);
    }
  }
  void Row(int row, const std::string& grp, const std::string& item, int n) {
    ASSERT_EQ(GridCellSet(Buf(), row, 1, S(grp)), 0);
    ASSERT_EQ(GridCellSet(Buf(), row, 2, S(item)), 0);
    ASSERT_EQ(GridCellSet(Buf(), row, 3, S(n ? std::to_string(n) : "")), 0);
  }
  // The group's lines in key order as "order:item".
  std::vector<std::string> Lines(const std::string& grp) {
    std::vector<std::string> out;
    for (const std::string& r : Records(kNavs)) {
      if (r.substr(0, 2) != grp + std::string(2 - grp.size(), ' ')) continue;
      out.push_back(std::to_string(std::stoi(r.substr(2, 3))) + ":" + r.substr(5, r.find(' ', 5) - 5));
    }
    return out;
  }
  // The order column of the grid's rows, trimmed.
  std::vector<std::string> Column() {
    std::vector<std::string> out;
    for (const std::string& row : Rows(Buf())) out.push_back(row.substr(row.rfind('|') + 1));
    return out;
  }
  static WinRecord& Rec() { return *WinGet(kCurrentIndex); }
  // The texts of the boxes shown since the last call.
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (size_t i = seen; i < hl->boxes().size(); ++i) out.push_back(hl->boxes()[i].text);
    seen = hl->boxes().size();
    return out;
  }
  size_t seen = 0;
  void ReadKey(const std::string& key) { ASSERT_EQ(DataFileReadKey(kNavs, 1, S(key), 0), 0) << key; }
};
