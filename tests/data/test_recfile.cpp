// The record-file engine: exact bytes on disk, the order structure, the
// checks at open and behaviour under injected faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <tuple>

#include "data/store/keyorder.h"
#include "data/store/recfile.h"
#include "platform/host/files.h"
#include "runtime/errors.h"
#include "store_fixture.h"

namespace {

std::string Hex(const std::string& bytes) {
  static const char* d = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

std::string U32s(std::initializer_list<uint32_t> v) {
  std::string b;
  for (uint32_t x : v)
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((x >> (8 * i)) & 0xff));
  return b;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  int fd = recio::Open(path, false, true);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(recio::Truncate(fd, 0));
  ASSERT_TRUE(recio::WriteAt(fd, bytes.data(), bytes.size(), 0));
  recio::Close(fd);
}

class RecFileTest : public StoreTest {
 protected:
  RecFile rf;
  RecFileSpec FileSpec() const {
    RecFileSpec s;
    s.dataPath = DataPath();
    s.indexPath = IndexPath();
    s.recLen = 16;
    s.keys = CustomerKeys();
    return s;
  }
  uint32_t Insert(const std::string& img) {
    uint32_t rec = 0;
    EXPECT_EQ(rf.Insert(img.data(), &rec), 0);
    return rec;
  }
};

// The worked example of the format: three inserts, a delete, a close; then a
// reopen and an insert that takes the freed number.
TEST_F(RecFileTest, GoldenBytes) {
  ASSERT_EQ(rf.Open(FileSpec()), 0);
  EXPECT_EQ(Insert(Img("C02", "ZED")), 0u);
  EXPECT_EQ(Insert(Img("C01", "ANN")), 1u);
  EXPECT_EQ(Insert(Img("C03", "BOB")), 2u);
  ASSERT_EQ(rf.Delete(1, Img("C01", "ANN").data()), 0);
  ASSERT_EQ(rf.Close(), 0);

  std::string fd1 = "C02   ZED       " "\x1b" "01   ANN       " "C03   BOB       ";
  EXPECT_EQ(ReadBytes(DataPath()), fd1);
  EXPECT_EQ(Hex(ReadBytes(IndexPath())), "01000000" "02000000" "01000000" "00000000" "02000000" "02000000" "00000000");

  ASSERT_EQ(rf.Open(FileSpec()), 0);
  EXPECT_EQ(Insert(Img("C00", "AL")), 1u);
  ASSERT_EQ(rf.Close(), 0);
  EXPECT_EQ(ReadBytes(DataPath()), "C02   ZED       " "C00   AL        " "C03   BOB       ");
  EXPECT_EQ(Hex(ReadBytes(IndexPath())),
            "00000000" "03000000" "01000000" "00000000" "02000000" "01000000" "02000000" "00000000");
  EXPECT_EQ(RecFileCheck(Spec()), "");
}

TEST_F(RecFileTest, MissingFilesOpenEmptyAndAreCreated) {
  ASSERT_EQ(rf.Open(FileSpec()), 0);
  EXPECT_EQ(rf.Live(), 0u);
  EXPECT_TRUE(recio::Exists(DataPath()));
  EXPECT_TRUE(recio::Exists(IndexPath()));
}

// Every damaged pair of files is refused with 130 and a detail that names
// the data file, its record length and its size.
TEST_F(RecFileTest, OpenRefusesDamagedFiles) {
  const std::string a = Img("A", "X"), b = Img("B", "Y"), del = std::string("\x1b") + Img("C", "Z").substr(1);
  struct Case {
    const char* id;
    std::string data, index;
  } cases[] = {
      {"records without index", a + b, ""},
      {"trailing half record", a + b.substr(0, 8), U32s({0, 1, 0, 0})},
      {"counts disagree", a + b, U32s({0, 1, 0, 0})},
      {"key array cut short", a + b, U32s({0, 2, 0, 1, 1})},
      {"absurd count", a, U32s({0, 0xffffffffu, 0, 0})},
      {"header cut short", a, std::string("\0\0\0", 3)},
      {"free record not marked", a + b, U32s({1, 1, 1, 0, 0})},
      {"live record marked deleted", a + del, U32s({0, 2, 0, 1, 0, 1})},
      {"record listed twice", a + b, U32s({0, 2, 0, 0, 0, 1})},
      {"record number out of range", a + b, U32s({0, 2, 0, 7, 0, 1})},
      {"key out of order", a + b, U32s({0, 2, 1, 0, 1, 0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    WriteFile(DataPath(), c.data);
    WriteFile(IndexPath(), c.index);
    ErrClear();
    EXPECT_EQ(rf.Open(FileSpec()), st::DISKIO);
    EXPECT_FALSE(rf.IsOpen());
    EXPECT_EQ(ErrGet(), st::DISKIO | (uint32_t(MOD_DATAFILE) << 16));
    std::string detail = ErrDetail().Str();
    EXPECT_NE(detail.find("CUSTOMER.FD"), std::string::npos) << detail;
    EXPECT_NE(detail.find("record length 16, size " + std::to_string(c.data.size())), std::string::npos) << detail;
  }
}

TEST_F(RecFileTest, FailedWriteLeavesIndexAndFilesConsistent) {
  ASSERT_EQ(rf.Open(FileSpec()), 0);
  Insert(Img("A", "X"));
  uint32_t rec = 0;
  recio::FaultArm(recio::Fault::Write, 1);
  EXPECT_EQ(rf.Insert(Img("B", "Y").data(), &rec), st::DISKWRITERROR);
  EXPECT_EQ(rf.Live(), 1u);
  recio::FaultArm(recio::Fault::Write, 1);
  EXPECT_EQ(rf.Delete(0, Img("A", "X").data()), st::DISKWRITERROR);
  EXPECT_EQ(rf.Live(), 1u);
  recio::FaultArm(recio::Fault::Write, 1);
  EXPECT_EQ(rf.Update(0, Img("A", "X").data(), Img("Q", "X").data()), st::DISKWRITERROR);
  EXPECT_EQ(rf.LowerBound(0, "A"), 0u);
  EXPECT_EQ(rf.Close(), 0);
  EXPECT_EQ(ReadBytes(DataPath()), Img("A", "X"));
  EXPECT_EQ(RecFileCheck(Spec()), "");
}

// A save that fails at its rename or fsync keeps the previous index whole;
// the data then outruns it and the next open refuses rather than guesses.
TEST_F(RecFileTest, FailedIndexSaveKeepsPreviousIndex) {
  for (recio::Fault fault : {recio::Fault::Rename, recio::Fault::Sync}) {
    recio::Remove(DataPath());
    recio::Remove(IndexPath());
    ASSERT_EQ(rf.Open(FileSpec()), 0);
    Insert(Img("A", "X"));
    ASSERT_EQ(rf.Close(), 0);
    std::string before = ReadBytes(IndexPath());
    ASSERT_EQ(rf.Open(FileSpec()), 0);
    Insert(Img("B", "Y"));
    recio::FaultArm(fault, fault == recio::Fault::Sync ? 2 : 1);  // the data sync passes
    EXPECT_EQ(rf.Close(), st::DISKIO);
    EXPECT_EQ(ReadBytes(IndexPath()), before);
    std::vector<std::string> left;
    host::List(dir.File("*"), &left);
    EXPECT_EQ(left, (std::vector<std::string>{"CUSTOMER.DIR", "CUSTOMER.FD"}));
    EXPECT_EQ(rf.Open(FileSpec()), st::DISKIO);
  }
}

TEST_F(RecFileTest, ReadOnlyOpenRefusesWrites) {
  ASSERT_EQ(rf.Open(FileSpec()), 0);
  Insert(Img("A", "X"));
  rf.Close();
  RecFileSpec s = FileSpec();
  s.readOnly = true;
  ASSERT_EQ(rf.Open(s), 0);
  uint32_t rec = 0;
  EXPECT_EQ(rf.Insert(Img("B", "Y").data(), &rec), st::PERMISSIONDENIED);
  EXPECT_EQ(rf.Delete(0, Img("A", "X").data()), st::PERMISSIONDENIED);
  EXPECT_EQ(rf.Close(), 0);
  EXPECT_EQ(ReadBytes(DataPath()), Img("A", "X"));
}

// The order structure against a sorted vector, with keys long enough that a
// leaf holds only a few entries, so splits, merges and deep trees happen.
TEST(KeyOrderTest, MatchesSortedModel) {
  const uint32_t keyLen = 600;
  KeyOrder order(keyLen);
  using Item = std::tuple<std::string, uint32_t, uint32_t>;  // key, seq, rec
  std::vector<Item> model;
  std::mt19937 rng(7);
  uint32_t seq = 0;
  auto key = [&](int v) {
    std::string k(keyLen, ' ');
    k[0] = static_cast<char>('A' + v / 10);
    k[1] = static_cast<char>(v % 10 < 5 ? '0' + v % 10 : 0x80 + v % 10);  // bytes above 127 sort high
    return k;
  };
  for (int step = 0; step < 6000; ++step) {
    bool grow = model.size() < 50 || rng() % 100 < (step < 3000 ? 70 : 30);
    if (grow) {
      Item it{key(rng() % 60), seq++, rng() % 100000};
      uint32_t r = order.Insert(std::get<0>(it).data(), std::get<2>(it), std::get<1>(it));
      auto at = std::upper_bound(model.begin(), model.end(), it);
      ASSERT_EQ(r, uint32_t(at - model.begin()));
      model.insert(at, it);
    } else {
      size_t i = rng() % model.size();
      ASSERT_EQ(order.Erase(std::get<0>(model[i]).data(), std::get<1>(model[i])), i);
      model.erase(model.begin() + i);
    }
    ASSERT_EQ(order.Size(), model.size());
    if (step % 97 == 0) {
      for (size_t i = 0; i < model.size(); ++i) {
        KeyOrder::Entry e = order.At(static_cast<uint32_t>(i));
        ASSERT_EQ(e.rec, std::get<2>(model[i]));
        ASSERT_EQ(order.RankOf(e.key, e.seq), i);
      }
      std::string probe = key(rng() % 60).substr(0, 1 + rng() % 2);
      auto pre = [&](const Item& it) { return std::get<0>(it).compare(0, probe.size(), probe); };
      size_t lo = 0, hi = 0;
      while (lo < model.size() && pre(model[lo]) < 0) ++lo;
      hi = lo;
      while (hi < model.size() && pre(model[hi]) == 0) ++hi;
      ASSERT_EQ(order.LowerBound(probe.data(), uint32_t(probe.size())), lo);
      ASSERT_EQ(order.UpperBound(probe.data(), uint32_t(probe.size())), hi);
    }
  }
  EXPECT_EQ(order.RankOf(key(0).data(), seq + 1), KeyOrder::kNone);
}

}  // namespace
