// Child processes and the registry file of the host layer.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/host/process.h"
#include "platform/host/registry.h"
#include "support/runtime_fixture.h"

namespace {

using Args = std::vector<std::string>;

TEST(HostProcess, CommandLinesSplitTheWindowsWay) {
  struct Case {
    const char* line;
    Args want;
  } cases[] = {
      {"  prog  a   b ", {"prog", "a", "b"}},
      {"\"/opt/my app/run\" \"a b\" c", {"/opt/my app/run", "a b", "c"}},
      {"x 'it''s' \"\"", {"x", "its", ""}},
      {"x \"open to the end", {"x", "open to the end"}},
      {"", {}},
      // The command interpreter: the text goes to /bin/sh unchanged.
      {"/usr\\system32\\cmd.exe /C echo \"a  b\" | wc -c", {"/bin/sh", "-c", "echo \"a  b\" | wc -c"}},
      {"C:\\WINDOWS\\SYSTEM32\\CMD.EXE /c   exit 3", {"/bin/sh", "-c", "exit 3"}},
      {"cmd.exe /Cx", {"cmd.exe", "/Cx"}},
      {"notcmd.exe /C x", {"notcmd.exe", "/C", "x"}},
  };
  for (const Case& c : cases) EXPECT_EQ(host::CommandArgs(c.line), c.want) << c.line;
}

std::string ReadAll(int fd) {
  std::string out;
  char buf[512];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  return out;
}

TEST(HostProcess, APipedChildGetsNoInputAndItsExitIsReported) {
  struct Case {
    const char* script;
    std::string output;
    bool ok;
    int code;
  } cases[] = {
      {"echo out; echo err >&2", "out\nerr\n", true, 0},
      {"cat; echo done", "done\n", true, 0},  // standard input is empty, not a terminal
      {"ls /proc/self/fd | wc -l", "4\n", true, 0},  // 0-2 and the listing's own: nothing leaked
      {"exit 3", "", false, 3},
  };
  for (const Case& c : cases) {
    host::PipedChild child;
    ASSERT_EQ(host::StartPiped({"/bin/sh", "-c", c.script}, &child), 0) << c.script;
    EXPECT_EQ(ReadAll(child.out), c.output) << c.script;
    host::ChildExit e = host::FinishPiped(&child);
    EXPECT_EQ(e.Ok(), c.ok) << c.script;
    EXPECT_EQ(e.code, c.code) << c.script;
  }
  host::PipedChild child;
  EXPECT_EQ(host::StartPiped({"no-such-program-here"}, &child), st::FILENOTFOUND);
  EXPECT_EQ(child.out, -1);
}

TEST(HostProcess, AStartedProgramIsNeverLeftAsAChild) {
  TempDir dir;
  std::string mark = dir.File("ran");
  ASSERT_EQ(host::StartDetached({"/bin/sh", "-c", "touch \"$0\"", mark}), 0);
  // The program runs as a grandchild adopted by init: nothing to reap here.
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  for (int i = 0; i < 200 && !std::ifstream(mark); ++i) ::usleep(10000);
  EXPECT_TRUE(std::ifstream(mark).good());
  EXPECT_EQ(host::StartDetached({"no-such-program-here", "x"}), -1);
  EXPECT_EQ(errno, ENOENT);
}

class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    saved_ = old ? old : "";
    had_ = old != nullptr;
    setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
  }
  void TearDown() override {
    if (had_) setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
  }
  void Write(const std::string& text) {
    std::filesystem::create_directories(dir_.path() + "/kx");
    std::ofstream(dir_.path() + "/kx/registry.txt", std::ios::binary) << text;
  }
  TempDir dir_;
  std::string saved_;
  bool had_ = false;
};

TEST_F(RegistryFileTest, ValuesAreFoundByKeyAndNameInAnyCase) {
  EXPECT_EQ(host::RegistryFile(), dir_.path() + "/kx/registry.txt");
  std::string v;
  EXPECT_EQ(host::RegistryRead("HKEY_CURRENT_USER\\A", "", &v), host::RegistryAnswer::NoKey);  // no file
  Write("# viewers\r\n"
        "HKEY_LOCAL_MACHINE\\Soft\\App Paths\\a.exe\\=/usr/bin/a --x=1\r\n"
        "HKEY_LOCAL_MACHINE\\Soft\\App Paths\\a.exe\\=/second\n"
        "; remark=ignored\n"
        "HKEY_CURRENT_USER\\Env\\Path=/bin\n"
        "no equals sign\n");
  struct Case {
    const char* key;
    const char* name;
    host::RegistryAnswer answer;
    const char* value;
  } cases[] = {
      {"HKEY_LOCAL_MACHINE\\Soft\\App Paths\\a.exe", "", host::RegistryAnswer::Found, "/usr/bin/a --x=1"},
      {"hkey_local_machine\\SOFT\\app paths\\A.EXE", "", host::RegistryAnswer::Found, "/usr/bin/a --x=1"},
      {"HKEY_CURRENT_USER\\Env", "PATH", host::RegistryAnswer::Found, "/bin"},
      {"HKEY_CURRENT_USER\\Env", "Home", host::RegistryAnswer::NoValue, ""},
      {"HKEY_LOCAL_MACHINE\\Soft", "", host::RegistryAnswer::NoValue, ""},  // a key with subkeys only
      {"HKEY_LOCAL_MACHINE\\Sof", "", host::RegistryAnswer::NoKey, ""},
  };
  for (const Case& c : cases) {
    std::string got;
    EXPECT_EQ(host::RegistryRead(c.key, c.name, &got), c.answer) << c.key << " " << c.name;
    EXPECT_EQ(got, c.value) << c.key;
  }
}

}  // namespace
