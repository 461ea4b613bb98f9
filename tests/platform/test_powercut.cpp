// The file layer's simulated power cut: what was synced always stays; what
// was not may stay, vanish or (a write over several sectors) tear.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include "platform/host/files.h"
#include "support/runtime_fixture.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes the bytes at an offset through the layer, synced or not.
void Put(const std::string& path, const std::string& bytes, int64_t at, bool sync) {
  int fd = host::Open(path, host::kOpenRead | host::kOpenWrite | host::kOpenCreate);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(host::WriteAt(fd, bytes.data(), bytes.size(), at), static_cast<int64_t>(bytes.size()));
  if (sync) {
    ASSERT_EQ(host::Sync(fd), 0);
  }
  host::Close(fd);
}

// Each 512-byte sector of what a cut left: 'o' old bytes, 'n' new ones.
std::string Sectors(const std::string& got, char oldByte, char newByte) {
  std::string out;
  for (size_t at = 0; at < got.size(); at += 512) {
    std::string s = got.substr(at, 512);
    if (s == std::string(s.size(), oldByte)) out += 'o';
    else if (s == std::string(s.size(), newByte)) out += 'n';
    else out += '?';
  }
  return out;
}

TEST(PowerCut, AnUnsyncedWriteStaysVanishesOrTearsAtSectorsASyncedOneStays) {
  TempDir dir;
  std::string loose = dir.File("loose"), synced = dir.File("synced"), grown = dir.File("grown");
  std::set<std::string> seen;
  host::PowerCutFigures sum;
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    Put(loose, std::string(2048, 'o'), 0, true);
    Put(synced, std::string(2048, 'o'), 0, true);
    Put(grown, std::string(100, 'o'), 0, true);
    host::PowerRecord(seed);
    Put(loose, std::string(2048, 'n'), 0, false);
    Put(synced, std::string(2048, 'n'), 0, true);
    Put(grown, std::string(1000, 'n'), 100, false);
    host::PowerCutFigures f = host::PowerCut();
    sum.writesKept += f.writesKept, sum.writesDropped += f.writesDropped, sum.writesTorn += f.writesTorn;

    std::string sectors = Sectors(Slurp(loose), 'o', 'n');
    ASSERT_EQ(sectors.size(), 4u);
    EXPECT_EQ(sectors.find('?'), std::string::npos) << "a sector written in part, seed " << seed;
    seen.insert(sectors == "oooo" ? "vanished" : sectors == "nnnn" ? "stayed" : "torn");
    EXPECT_EQ(Slurp(synced), std::string(2048, 'n')) << seed;
    // Grown past its synced end: the synced bytes stay, the rest is the
    // new bytes or a hole of zeros.
    std::string g = Slurp(grown);
    ASSERT_GE(g.size(), 100u);
    EXPECT_EQ(g.substr(0, 100), std::string(100, 'o'));
    for (size_t i = 100; i < g.size(); ++i) ASSERT_TRUE(g[i] == 'n' || g[i] == 0) << seed << " at " << i;
  }
  EXPECT_EQ(seen, (std::set<std::string>{"vanished", "stayed", "torn"}));
  EXPECT_GT(sum.writesTorn, 0u);
  EXPECT_EQ(sum.writesKept + sum.writesDropped + sum.writesTorn, 80u);  // the two unsynced writes per cut
}

// A change of a name: made after recording starts, then the directory
// synced or not; `done` tells from the files whether it took effect.
struct NameCase {
  const char* what;
  std::function<void(const TempDir&)> prepare, change;
  std::function<bool(const TempDir&)> done, undone;
};

TEST(PowerCut, AChangeOfANameIsUndoneOnlyWithoutASyncOfItsDirectory) {
  auto file = [](const TempDir& d, const char* name, const char* text) { Put(d.File(name), text, 0, true); };
  auto is = [](const TempDir& d, const char* name, const char* text) {
    return fs::exists(d.File(name)) && Slurp(d.File(name)) == text;
  };
  const NameCase cases[] = {
      {"create", [](const TempDir&) {}, [&](const TempDir& d) { file(d, "a", "A"); },
       [&](const TempDir& d) { return is(d, "a", "A"); }, [](const TempDir& d) { return !fs::exists(d.File("a")); }},
      {"rename over", [&](const TempDir& d) { file(d, "a", "A"), file(d, "b", "B"); },
       [](const TempDir& d) { ASSERT_EQ(host::Rename(d.File("b"), d.File("a")), 0); },
       [&](const TempDir& d) { return is(d, "a", "B") && !fs::exists(d.File("b")); },
       [&](const TempDir& d) { return is(d, "a", "A") && is(d, "b", "B"); }},
      {"link", [&](const TempDir& d) { file(d, "a", "A"); },
       [](const TempDir& d) { ASSERT_EQ(host::Link(d.File("a"), d.File("b")), 0); },
       [&](const TempDir& d) { return is(d, "a", "A") && is(d, "b", "A"); },
       [&](const TempDir& d) { return is(d, "a", "A") && !fs::exists(d.File("b")); }},
      {"remove", [&](const TempDir& d) { file(d, "a", "A"); },
       [](const TempDir& d) { ASSERT_EQ(host::Remove(d.File("a")), 0); },
       [](const TempDir& d) { return !fs::exists(d.File("a")); }, [&](const TempDir& d) { return is(d, "a", "A"); }},
      {"replace", [&](const TempDir& d) { file(d, "a", "A"); },
       [](const TempDir& d) { ASSERT_EQ(host::ReplaceFile(d.File("a"), "N", 1), 0); },
       [&](const TempDir& d) { return is(d, "a", "N"); }, [&](const TempDir& d) { return is(d, "a", "A"); }},
  };
  for (const NameCase& c : cases) {
    for (bool sync : {false, true}) {
      int done = 0, undone = 0;
      for (uint64_t seed = 1; seed <= 10; ++seed) {
        TempDir d;
        c.prepare(d);
        ASSERT_EQ(host::SyncDir(d.path()), 0);
        host::PowerRecord(seed);
        c.change(d);
        if (sync) {
          ASSERT_EQ(host::SyncDir(d.path()), 0);
        }
        host::PowerCut();
        bool isDone = c.done(d), isUndone = c.undone(d);
        EXPECT_TRUE(isDone || isUndone) << c.what << " seed " << seed << (sync ? " synced" : "");
        done += isDone, undone += isUndone;
        for (const auto& e : fs::directory_iterator(d.path()))
          EXPECT_EQ(e.path().filename().string().rfind(".kx", 0), std::string::npos) << c.what << ": " << e.path();
      }
      EXPECT_GT(done, 0) << c.what << (sync ? " synced" : "");
      if (sync) {
        EXPECT_EQ(undone, 0) << c.what << ": undone after a sync of its directory";
      } else if (std::string(c.what) != "replace") {  // ReplaceFile syncs the directory itself
        EXPECT_GT(undone, 0) << c.what << ": never undone";
      }
    }
  }
}

TEST(PowerCut, ACutAtTheNthOperationEndsTheProcessBeforeIt) {
  TempDir dir;
  std::string path = dir.File("f");
  Put(path, "0000", 0, true);
  pid_t pid = fork();
  if (pid == 0) {
    host::PowerRecord(7);
    host::PowerCutAt(3);  // open-and-write "1" synced is 2 operations; the cut comes before "2"
    int fd = host::Open(path, host::kOpenRead | host::kOpenWrite);
    if (host::WriteAt(fd, "1", 1, 0) != 1 || host::Sync(fd) != 0) _exit(1);
    host::WriteAt(fd, "2", 1, 1);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), host::kPowerCutExit);
  EXPECT_EQ(Slurp(path), "1000");
}

}  // namespace
