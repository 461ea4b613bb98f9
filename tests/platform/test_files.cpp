#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/host/files.h"
#include "support/runtime_fixture.h"

namespace {

using Names = std::vector<std::string>;

void Touch(const std::string& path, const std::string& bytes = "") { std::ofstream(path, std::ios::binary) << bytes; }

class FilesTest : public ::testing::Test {
 protected:
  void TearDown() override { host::FaultClear(); }
  std::string P(const std::string& rel) const { return dir.File(rel); }
  TempDir dir;
};

TEST(HostNames, NormalizeTakesBothSeparatorsAndDropsTheDrive) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"C:\\APPS\\Data\\x.fd", "/APPS/Data/x.fd"}, {"c:rel\\x", "rel/x"}, {"a\\b/c", "a/b/c"},
      {"..\\APPS", "../APPS"},                       {"", ""},                {"\\\\srv\\share", "//srv/share"},
      {"1:x", "1:x"},
  };
  for (const Case& c : cases) EXPECT_EQ(host::NormalizePath(c.in), c.out) << c.in;
}

TEST(HostNames, WildcardsMatchTheWindowsWay) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*.*", "README", true},          {"*.*", "a.b", true},
      {"*.PAN", "screen.pan", true},    {"*.PAN", "screen.pank", false},
      {"KX_LANG_*.MSJ", "kx_lang_es.msj", true}, {"KX_LANG_*.MSJ", "KX_LANG_.MSJ", true},
      {"?.txt", "ab.txt", false},       {"??.txt", "ab.txt", true},
      {"a*b*c", "aXXbYYc", true},       {"a*b*c", "aXXbYY", false},
      {"*.", "noext", true},            {"*.", "has.ext", false},
      {"name.*", "name", true},         {"*.txt", "a.txt.bak", false},
      {"*", "", true},                  {"abc", "ABC", true},
  };
  for (const Case& c : cases) EXPECT_EQ(host::WildMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST_F(FilesTest, AnExistingFileIsFoundWhateverTheCaseOfItsComponents) {
  ASSERT_EQ(host::MakeDirs(P("Data/Sub")), 0);
  Touch(P("Data/Sub/File.TXT"));
  Touch(P("Data/both.txt"));
  Touch(P("Data/BOTH.TXT"));
  Touch(P("Data/Twin.txt"));
  Touch(P("Data/twin.TXT"));
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {P("data/SUB/file.txt"), P("Data/Sub/File.TXT")},
      {"C:" + dir.path() + "\\DATA\\sub\\FILE.txt", P("Data/Sub/File.TXT")},
      {P("Data/both.txt"), P("Data/both.txt")},      // the exact name wins
      {P("data/Both.Txt"), P("Data/BOTH.TXT")},      // first in byte order
      {P("data/TWIN.txt"), P("Data/Twin.txt")},
      {P("DATA/new/Name.txt"), P("Data/new/Name.txt")},  // missing tail kept as written
      {P("data/./sub/../Sub/file.txt"), P("Data/./Sub/../Sub/File.TXT")},
  };
  for (const Case& c : cases) EXPECT_EQ(host::ResolvePath(c.in), c.out) << c.in;
}

TEST_F(FilesTest, ListingsMatchAndComeBackSorted) {
  ASSERT_EQ(host::MakeDir(P("Screens")), 0);
  for (const char* n : {"b.PAN", "A.pan", "c.txt", "NOEXT", ".hidden.pan"}) Touch(P(std::string("Screens/") + n));
  ASSERT_EQ(host::MakeDir(P("Screens/sub.pan")), 0);
  struct Case {
    std::string pattern;
    Names names;
  } cases[] = {
      {P("SCREENS\\*.pan"), {".hidden.pan", "A.pan", "b.PAN", "sub.pan"}},
      {P("screens/*.*"), {".hidden.pan", "A.pan", "b.PAN", "c.txt", "NOEXT", "sub.pan"}},
      {P("Screens/*."), {"NOEXT"}},
      {P("Screens/c.TXT"), {"c.txt"}},
  };
  for (const Case& c : cases) {
    Names got;
    EXPECT_EQ(host::List(c.pattern, &got), 0) << c.pattern;
    EXPECT_EQ(got, c.names) << c.pattern;
  }
  Names none{"stale"};
  EXPECT_EQ(host::List(P("Screens/*.xyz"), &none), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(host::List(P("Nowhere/*"), &none), -1);
}

TEST_F(FilesTest, StatusOfFilesAndDirectories) {
  Touch(P("f.dat"), "12345");
  Touch(P(".dot"));
  host::FileInfo fi;
  ASSERT_TRUE(host::Stat(P("F.DAT"), &fi));
  EXPECT_FALSE(fi.isDir);
  EXPECT_EQ(fi.size, 5);
  EXPECT_EQ(fi.attributes & (host::kAttrDirectory | host::kAttrHidden), 0u);
  EXPECT_GT(fi.written, 0);
  EXPECT_GE(fi.written, fi.created);
  ASSERT_TRUE(host::Stat(dir.path(), &fi));
  EXPECT_TRUE(fi.isDir);
  EXPECT_NE(fi.attributes & host::kAttrDirectory, 0u);
  ASSERT_TRUE(host::Stat(P(".dot"), &fi));
  EXPECT_NE(fi.attributes & host::kAttrHidden, 0u);
  EXPECT_FALSE(host::Stat(P("missing"), &fi));
  EXPECT_FALSE(host::Exists(std::string("a\0b", 3)));
}

TEST_F(FilesTest, MakeDirsCreatesTheChainAndReusesExistingCase) {
  ASSERT_EQ(host::MakeDirs(P("a/b/c")), 0);
  EXPECT_TRUE(host::Exists(P("a/b/c")));
  EXPECT_EQ(host::MakeDirs(P("A\\B\\c\\")), 0);  // exists already, in other case
  ASSERT_EQ(host::MakeDirs(P("A/B/new")), 0);
  EXPECT_TRUE(host::Exists(P("a/b/new")));
  Touch(P("file"));
  EXPECT_EQ(host::MakeDirs(P("file/sub")), -1);
  EXPECT_EQ(host::MakeDir(P("a")), -1);
  EXPECT_EQ(errno, EEXIST);
}

TEST_F(FilesTest, OpenRefusesDirectoriesAndKeepsDescriptorsFromChildren) {
  errno = 0;
  EXPECT_EQ(host::Open(dir.path(), host::kOpenRead), -1);
  EXPECT_EQ(errno, EISDIR);
  int fd = host::Open(P("x"), host::kOpenRead | host::kOpenWrite | host::kOpenCreate | host::kOpenExclusive);
  ASSERT_GE(fd, 0);
  EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
  EXPECT_EQ(host::WriteAt(fd, "abc", 3, 5), 3);
  EXPECT_EQ(host::Size(fd), 8);
  char buf[8];
  EXPECT_EQ(host::ReadAt(fd, buf, 8, 4), 4);
  EXPECT_EQ(host::Sync(fd), 0);
  host::Close(fd);
  EXPECT_EQ(host::Open(P("X"), host::kOpenWrite | host::kOpenCreate | host::kOpenExclusive), -1);
  EXPECT_EQ(errno, EEXIST);  // the case-insensitive name finds the existing file
}

TEST_F(FilesTest, TemporaryNamesLiveInTemp) {
  const char* old = std::getenv("TEMP");
  std::string saved = old ? old : "";
  setenv("TEMP", dir.path().c_str(), 1);
  EXPECT_EQ(host::TempDirectory(), dir.path());
  std::string a = host::TempName(), b = host::TempName();
  EXPECT_NE(a, b);
  for (const std::string& n : {a, b}) {
    EXPECT_EQ(n.find_first_of("./\\"), std::string::npos) << n;
    EXPECT_FALSE(host::Exists(P(n))) << n;
  }
  setenv("TEMP", "", 1);
  setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(host::TempDirectory(), "/var/tmp");
  unsetenv("TMPDIR");
  EXPECT_EQ(host::TempDirectory(), "/tmp");
  if (old) setenv("TEMP", saved.c_str(), 1);
  else unsetenv("TEMP");
}

TEST_F(FilesTest, AnArmedFaultFailsExactlyTheNthCall) {
  host::FaultClear();
  int fd = host::Open(P("f"), host::kOpenWrite | host::kOpenCreate);
  ASSERT_GE(fd, 0);
  host::FaultArm(host::FaultOp::Write, 2, ENOSPC);
  EXPECT_EQ(host::Write(fd, "a", 1), 1);
  errno = 0;
  EXPECT_EQ(host::WriteAt(fd, "b", 1, 1), -1);
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_EQ(host::Write(fd, "c", 1), 1);
  EXPECT_EQ(host::FaultCalls(host::FaultOp::Write), 3u);
  host::Close(fd);
  host::FaultArm(host::FaultOp::Rename, 1, EIO);
  EXPECT_EQ(host::Rename(P("f"), P("g")), -1);
  EXPECT_EQ(host::Rename(P("f"), P("g")), 0);
  host::FaultArm(host::FaultOp::Remove, 1, EACCES);
  EXPECT_EQ(host::Remove(P("g")), -1);
  EXPECT_EQ(host::StatusFromErrno(errno), st::PERMISSIONDENIED);
  EXPECT_TRUE(host::Exists(P("g")));
}

TEST_F(FilesTest, TruncateCutsTheFileAndAnArmedFaultLeavesItWhole) {
  Touch(P("t"), "abcdef");
  int fd = host::Open(P("t"), host::kOpenRead | host::kOpenWrite);
  ASSERT_GE(fd, 0);
  host::FaultArm(host::FaultOp::Truncate, 1);
  EXPECT_EQ(host::Truncate(fd, 2), -1);
  EXPECT_EQ(host::LastStatus(), st::DISKIO);
  EXPECT_EQ(host::Size(fd), 6);
  EXPECT_EQ(host::Truncate(fd, 2), 0);
  EXPECT_EQ(host::Size(fd), 2);
  host::Close(fd);
  EXPECT_EQ(host::Open(P("missing"), host::kOpenRead), -1);
  EXPECT_EQ(host::LastStatus(), st::FILENOTFOUND);
}

TEST_F(FilesTest, ReplaceFileSwapsContentsAndKeepsPermissions) {
  Touch(P("r.txt"), "old");
  ASSERT_EQ(chmod(P("r.txt").c_str(), 0640), 0);
  ASSERT_EQ(host::ReplaceFile(P("R.TXT"), "brand new", 9), 0);
  host::FileInfo fi;
  ASSERT_TRUE(host::Stat(P("r.txt"), &fi));
  EXPECT_EQ(fi.size, 9);
  struct stat st;
  ASSERT_EQ(stat(P("r.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  Names names;
  host::List(P("*"), &names);
  EXPECT_EQ(names, Names{"r.txt"});
  ASSERT_EQ(host::ReplaceFile(P("fresh.txt"), "", 0), 0);
  EXPECT_TRUE(host::Stat(P("fresh.txt"), &fi));
  EXPECT_EQ(fi.size, 0);
}

}  // namespace

namespace {

// A number closed twice: the second close hits the pipe that took the
// number in between, and is counted; a number opened again in between is
// a fresh descriptor, closed once.
TEST_F(FilesTest, ASecondCloseOfANumberIsCountedAndAFreshOpenIsNot) {
  Touch(P("a"));
  host::StaleClosesClear();
  int fd = host::Open(P("a"), host::kOpenRead);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(host::Close(fd), 0);
  int again = host::Open(P("a"), host::kOpenRead);
  ASSERT_EQ(again, fd);
  ASSERT_EQ(host::Close(again), 0);
  EXPECT_EQ(host::StaleClosesGet().count, 0u);

  int p[2];
  ASSERT_EQ(pipe(p), 0);
  int pipeEnd = p[0] == fd ? p[0] : p[1];
  ASSERT_EQ(pipeEnd, fd) << "the pipe took the lowest free number";
  host::Close(fd);  // the module's stale close
  EXPECT_EQ(host::StaleClosesGet().count, 1u);
  EXPECT_EQ(host::StaleClosesGet().lastFd, fd);
  close(p[0] == fd ? p[1] : p[0]);
  host::StaleClosesClear();
}

}  // namespace
