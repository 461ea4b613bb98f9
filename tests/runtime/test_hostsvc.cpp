// Host services: child processes with pipes, viewers, directory listings and
// file information, registry reads, the file dialogs and the yes-answer test.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/headless.h"
#include "runtime/datetime.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/hostdialog.h"
#include "runtime/hostenv.h"
#include "runtime/hostproc.h"
#include "runtime/registry.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const std::string& s) { return StrFromView(s); }

// Sets an environment variable for one test and puts it back afterwards.
class EnvScope {
 public:
  EnvScope(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~EnvScope() {
    if (had_) setenv(name_, old_.c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

class HostTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(DynStrInit(), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, StrFromC("COVCQT24:Orbisquale")), 0);
  }
  // The registry file of this test, under its own configuration directory.
  void Registry(const std::string& lines) {
    std::filesystem::create_directories(dir.path() + "/kx");
    std::ofstream(dir.path() + "/kx/registry.txt", std::ios::binary) << lines;
  }
  void Touch(const std::string& name) { std::ofstream(dir.File(name)) << "x"; }

  TempDir dir;
  EnvScope config{"XDG_CONFIG_HOME", dir.path()};
};

// ---- Child processes --------------------------------------------------------

std::vector<std::string> g_chunks;

Status Collect(HostOutputFn, StrValue chunk) {
  g_chunks.push_back(chunk.Str());
  return 0;
}

Status StopAtOnce(HostOutputFn, StrValue) { return 200; }

const std::string kShell = "%SystemRoot%\\system32\\cmd.exe /C ";

TEST_F(HostTest, PipedOutputComesInOrderedChunksOfAtMost1024Bytes) {
  g_chunks.clear();
  std::string expected;
  for (int i = 0; i < 1000; ++i) expected += std::string(4 - std::to_string(i).size(), '0') + std::to_string(i) + "\n";
  std::string cmd = kShell + "i=0; while [ $i -lt 1000 ]; do printf '%04d\\n' $i; i=$((i+1)); done";
  uint16_t mark = StrAreaMark(-1);
  ASSERT_EQ(HostRunPiped(S(cmd), nullptr, Collect), 0);
  EXPECT_EQ(StrAreaMark(-1), mark + 1);  // only the command text: every chunk was released
  std::string joined;
  for (const std::string& c : g_chunks) {
    EXPECT_LE(c.size(), 1024u);
    joined += c;
  }
  EXPECT_EQ(joined.size(), 5000u);
  EXPECT_EQ(joined, expected);
}

TEST_F(HostTest, PipedRunsReportTheirEnd) {
  struct Case {
    std::string command;
    HostOutputCallback callback;
    Status want;
    const char* detail;
  } cases[] = {
      {kShell + "cat", nullptr, 0, ""},  // reads /dev/null: ends at once
      {kShell + "exit 3", nullptr, st::SYSTEMCMDERROR, "exit 3: exit status 3"},
      {kShell + "kill -9 $$", nullptr, st::SYSTEMCMDERROR, ": signal 9"},
      {kShell + "yes", StopAtOnce, 200, nullptr},  // the callback stops an endless writer
      {"no-such-program-here arg", nullptr, st::FILENOTFOUND, "no-such-program-here arg"},
      {"", nullptr, st::FILENOTFOUND, ""},
  };
  for (const Case& c : cases) {
    ErrClear();
    EXPECT_EQ(HostRunPiped(S(c.command), nullptr, c.callback), c.want) << c.command;
    if (c.detail && c.want >= 128) {  // the callback's own code is its own to record
      EXPECT_EQ(ErrGet(), (uint32_t{MOD_EXECRUNTIME} << 16) | c.want) << c.command;
      EXPECT_NE(ErrDetail().Str().find(c.detail), std::string::npos) << ErrDetail().Str();
    }
  }
}

TEST_F(HostTest, CapturedOutputStopsAt65535Bytes) {
  StrValue out;
  ASSERT_EQ(HostRunCapture(S(kShell + "echo hi; echo there >&2"), &out, nullptr, nullptr), 0);
  EXPECT_EQ(out.Str(), "hi\nthere\n");
  ErrClear();
  EXPECT_EQ(HostRunCapture(S(kShell + "head -c 70000 /dev/zero | tr '\\0' a"), &out, nullptr, nullptr),
            st::STRINGTOOLONG);
  EXPECT_EQ(out.Str(), std::string(65535, 'a'));
  EXPECT_EQ(ErrGet() & 0xffff, st::STRINGTOOLONG);
  // With a callback the output goes to it, not to the string.
  g_chunks.clear();
  out = StrFromC("kept");
  EXPECT_EQ(HostRunCapture(S(kShell + "echo x"), &out, nullptr, Collect), 0);
  EXPECT_EQ(out.Str(), "kept");
  EXPECT_EQ(g_chunks, std::vector<std::string>{"x\n"});
}

// A command that leaves a job in the background ends when its shell does,
// with the output read so far; the job runs on, detached from the pipe, and
// what it writes later fails nothing. A command that closes its output but
// runs on is still waited for.
TEST_F(HostTest, ABackgroundJobDoesNotHoldTheRun) {
  // The best of three runs, so that a busy machine does not decide.
  std::string mark = dir.File("late.txt");
  auto best = std::chrono::steady_clock::duration::max();
  for (int i = 0; i < 3; ++i) {
    StrValue out;
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(HostRunCapture(S(kShell + "echo first; (sleep 2; echo late; echo done >>'" + mark + "') & echo second"),
                             &out, nullptr, nullptr),
              0);
    best = std::min(best, std::chrono::steady_clock::now() - start);
    EXPECT_EQ(out.Str(), "first\nsecond\n");
  }
  EXPECT_LT(best, std::chrono::milliseconds(100));  // the job takes 2 s
  // Each job ran on to its end: three marks.
  auto marks = [&] {
    std::ifstream in(mark);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return all;
  };
  for (int i = 0; i < 800 && marks().size() < 15; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(marks(), "done\ndone\ndone\n");

  ErrClear();
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HostRunPiped(S(kShell + "exec >&- 2>&-; sleep 0.3; exit 3"), nullptr, nullptr), st::SYSTEMCMDERROR);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  ErrClear();
}

std::string g_fnSeen;
void Remember(StrValue chunk) { g_fnSeen += chunk.Str(); }

TEST_F(HostTest, OutputHelpersPassOrCollectChunks) {
  g_fnSeen.clear();
  EXPECT_EQ(HostOutputToFn(nullptr, StrFromC("a")), 0);
  EXPECT_EQ(HostOutputToFn(Remember, StrFromC("b")), 0);
  EXPECT_EQ(g_fnSeen, "b");
  EXPECT_EQ(HostRunPiped(S(kShell + "printf cd"), Remember, HostOutputToFn), 0);
  EXPECT_EQ(g_fnSeen, "bcd");
  std::string text(65530, 'x');
  EXPECT_EQ(HostOutputAppend(text, StrFromC("12345")), 0);
  EXPECT_EQ(HostOutputAppend(text, StrFromC("678")), st::STRINGTOOLONG);
  EXPECT_EQ(text.size(), 65535u);
}

// ---- Viewers ------------------------------------------------------------------

TEST_F(HostTest, ViewersComeFromTheRegistryElseTheDesktopOpener) {
  Registry("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroRd32.exe\\="
           "\"/opt/pdf viewer/run\"\n");
  EXPECT_EQ(HostViewerPath(3).Str(), "\"/opt/pdf viewer/run\"");
  EXPECT_EQ(HostViewerPath(1).Str(), "\"xdg-open\"");
  EXPECT_EQ(HostViewerPath(5).Str(), "\"xdg-open\"");
  EXPECT_EQ(StrError(HostViewerPath(6)), st::BADINPUTDATA);
  EXPECT_EQ(HostViewFile(0, StrFromC("a.txt")), st::BADINPUTDATA);

  // A headless run records the request and starts nothing.
  ui::HeadlessOptions o;
  o.stall = ui::StallPolicy::Cancel;
  ui::init(std::make_unique<ui::Headless>(std::move(o)));
  EXPECT_EQ(HostViewFile(3, StrFromC("my report.pdf")), 0);
  ASSERT_EQ(ui::headless()->viewers().size(), 1u);
  EXPECT_EQ(ui::headless()->viewers()[0], "\"\\\"/opt/pdf viewer/run\\\"\" \"my report.pdf\"");
  ui::shutdown();
}

// A window system that lets viewers start (as a desktop would).
class ViewingBackend : public ui::Headless {
 public:
  ViewingBackend() : ui::Headless(ui::HeadlessOptions{}) {}
  bool viewer_allowed(std::string_view, std::string_view) override { return true; }
};

// A viewer started on a web address gets it as it is; a file name is
// resolved to the file.
TEST_F(HostTest, AViewerGetsAWebAddressUnchanged) {
  std::string viewer = dir.File("viewer.sh"), out = dir.File("args.txt");
  std::ofstream(viewer, std::ios::binary) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >>'" + out + ".part'\nmv '" + out +
                                                 ".part' '" + out + "'\n";
  std::filesystem::permissions(viewer, std::filesystem::perms::owner_all);
  Registry("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Iexplore.exe\\=" +
           viewer + "\n");
  ui::init(std::make_unique<ViewingBackend>());
  EXPECT_EQ(HostViewFile(2, StrFromC("http://www.fenwold.example/Orbisquale")), 0);
  for (int i = 0; i < 400 && !std::filesystem::exists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::ifstream in(out);
  std::string got;
  std::getline(in, got);
  EXPECT_EQ(got, "http://www.fenwold.example/Orbisquale");
  ui::shutdown();
}

// ---- Directories and files ----------------------------------------------------

TEST_F(HostTest, ListingsMatchTheWindowsWayAndComeSorted) {
  for (const char* n : {"B.PAN", "a.pan", "readme"}) Touch(n);
  std::filesystem::create_directory(dir.File("Sub"));
  struct Case {
    std::string pattern;
    Status status;
    std::string names;
  } cases[] = {
      {dir.path() + "/*.PAN", 0, std::string("a.pan\0B.PAN", 11)},
      {dir.path() + "\\*.*", 0, std::string("a.pan\0B.PAN\0readme\0Sub", 22)},
      {dir.path() + "/README", 0, "readme"},  // found directly, in any letter case
      {dir.path() + "/*.DAT", st::FILENOTFOUND, ""},
      {dir.path() + "/none", st::FILENOTFOUND, ""},
  };
  for (const Case& c : cases) {
    uint16_t mark = StrAreaMark(-1);
    EXPECT_EQ(DirList(S(c.pattern)), c.status) << c.pattern;
    uint16_t pushed = c.status == 0 ? 2 : 1;  // the pattern, then the names
    EXPECT_EQ(StrAreaMark(-1), mark + pushed) << c.pattern;
    if (c.status == 0) {
      EXPECT_EQ(StrAreaTop().Str(), c.names) << c.pattern;
    }
    StrAreaMark(mark);
  }
}

TEST_F(HostTest, ALongListingIsCutAtANameBoundary) {
  std::string pattern = dir.path() + "/*";
  for (int i = 0; i < 300; ++i) Touch(std::string(230, 'n') + std::to_string(1000 + i));  // 234 bytes each
  uint16_t mark = StrAreaMark(-1);
  EXPECT_EQ(DirList(S(pattern)), st::STRINGTOOLONG);
  std::string names = StrAreaTop().Str();
  EXPECT_EQ(names.size(), 278u * 235 - 1);  // 278 names fit in 65535 bytes
  EXPECT_EQ(names.substr(names.size() - 4), "1277");
  StrAreaMark(mark);
}

TEST_F(HostTest, FileInformationOfTheFirstMatch) {
  std::ofstream(dir.File("Data.TXT")) << "12345";
  std::filesystem::create_directory(dir.File("Sub"));
  FileStatInfo fi;
  ASSERT_EQ(FileStat(S(dir.path() + "/d*.txt"), &fi), 0);
  EXPECT_EQ(fi.name, "Data.TXT");
  EXPECT_EQ(FileStatSize(S(dir.path() + "/data.txt")), 5);
  EXPECT_EQ(FileStatSize(S(dir.path() + "/none")), 0);
  EXPECT_EQ(FileStatAttr(S(dir.path() + "/DATA.TXT")) & host::kAttrDirectory, 0u);
  EXPECT_EQ(FileStatAttr(S(dir.path() + "/sub")), host::kAttrDirectory);
  EXPECT_EQ(FileStatAttr(S(dir.path() + "/none")), st::FILENOTFOUND);
  EXPECT_EQ(FileStat(S(dir.path() + "/none*"), &fi), st::FILENOTFOUND);
  EXPECT_EQ(FileStatTime(S(dir.path() + "/data.txt"), 2, 1), DateFromTime(std::time(nullptr)));
  EXPECT_EQ(FileStatTime(S(dir.path() + "/none"), 2, 1), 0);
}

TEST_F(HostTest, DirectoriesEnvironmentAndTemporaryNames) {
  std::string here = DirCurrent().Str();
  ASSERT_FALSE(here.empty());
  EXPECT_EQ(here.find('/'), std::string::npos);  // written with backslashes
  EXPECT_EQ(DirMake(S(dir.path() + "\\New")), 0);
  EXPECT_EQ(DirMake(S(dir.path() + "\\New")), st::NOTFOUND);  // exists
  EXPECT_EQ(DirChange(S(dir.path() + "\\NEW")), 0);
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(dir.path()) / "New");
  EXPECT_EQ(DirChange(S(dir.path() + "/none")), st::NOTFOUND);
  EXPECT_EQ(DirChange(S(here)), 0);

  EXPECT_EQ(EnvGet(S("KX_SURELY_UNSET_NAME")).Str(), "");
  EXPECT_EQ(EnvGet(S("")).Str(), "");
  {
    EnvScope v("KX_HOST_TEST", "value");
    EXPECT_EQ(EnvGet(S("KX_HOST_TEST")).Str(), "value");
  }
  std::string name = TempFileName(S("TXT")).Str();
  EXPECT_EQ(name.find('.'), name.size() - 4);
  EXPECT_EQ(name.substr(name.size() - 4), ".TXT");
  EXPECT_EQ(TempName().Str().find('.'), std::string::npos);
}

// ---- Registry -------------------------------------------------------------------

TEST_F(HostTest, RegistryPathsNameARootAKeyAndAValue) {
  const struct {
    const char* path;
    uint32_t root;
  } roots[] = {{"HKEY_CLASSES_ROOT\\x", 1}, {"hkey_users", 5}, {"HKEY_LOCAL_MACHINE\\a\\b", 4}, {"HKLM\\a", 0}, {"", 0}};
  for (const auto& r : roots) EXPECT_EQ(RegRootIndex(StrFromC(r.path)), r.root) << r.path;
  RegPath p;
  ASSERT_EQ(RegSplitPath(StrFromC("HKEY_CURRENT_USER\\Soft\\Kx\\Size"), true, &p), 0);
  EXPECT_EQ(p.root, 3u);
  EXPECT_EQ(p.key, "Soft\\Kx");
  EXPECT_EQ(p.value, "Size");
  ASSERT_EQ(RegSplitPath(StrFromC("HKEY_CURRENT_USER\\Soft\\Kx\\Size"), false, &p), 0);
  EXPECT_EQ(p.key, "Soft\\Kx\\Size");
  EXPECT_EQ(RegSplitPath(StrFromC("NOROOT\\a"), true, &p), st::SINTAXERROR);

  Registry("HKEY_CURRENT_USER\\Soft\\Kx\\Size=12\nHKEY_CURRENT_USER\\Soft\\Kx\\Big=" + std::string(1025, 'b') + "\n");
  struct Case {
    const char* path;
    Status error;
    const char* value;
  } cases[] = {
      {"HKEY_CURRENT_USER\\Soft\\Kx\\Size", 0, "12"},
      {"HKEY_CURRENT_USER\\Soft\\Kx\\Other", st::FILENOTFOUND, ""},
      {"HKEY_CURRENT_USER\\Soft\\None\\Size", st::FILENOTFOUND, ""},
      {"HKEY_CURRENT_USER\\Soft\\Kx\\Big", st::STRINGTOOLONG, ""},
      {"BAD\\Soft\\Kx\\Size", st::SINTAXERROR, ""},
  };
  for (const Case& c : cases) {
    StrValue v = RegReadValue(StrFromC(c.path));
    EXPECT_EQ(StrError(v), c.error) << c.path;
    EXPECT_EQ(v.Str(), c.value) << c.path;
  }
  RegKey key;
  EXPECT_EQ(RegOpenPath(StrFromC("HKEY_CURRENT_USER\\Soft"), false, &key), 0);
  EXPECT_EQ(key.path, "HKEY_CURRENT_USER\\Soft");
  EXPECT_EQ(RegOpenPath(StrFromC("HKEY_USERS\\Soft"), false, &key), st::FILENOTFOUND);
}

// ---- Dialogs and answers --------------------------------------------------------

class DialogTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    ui::HeadlessOptions o;
    o.stall = ui::StallPolicy::Cancel;
    ui::init(std::make_unique<ui::Headless>(std::move(o)));
    hl = ui::headless();
  }
  void TearDown() override {
    ui::shutdown();
    HostTest::TearDown();
  }
  ui::Headless* hl = nullptr;
};

TEST_F(DialogTest, FileDialogsOfferTheKindsFiltersAndGiveTheChosenPath) {
  hl->dialog("C:\\apps\\screens\\cust.pan").dialog("");
  EXPECT_EQ(FileSelectDialog(false, 2).Str(), "C:\\apps\\screens\\cust.pan");
  EXPECT_EQ(FileSelectDialog(true, 8).Str(), "");  // an empty answer cancels
  EXPECT_EQ(FileSelectDialog(false, 1 | kDialogAppPrefix | kDialogKeepDir).Str(), "");  // unscripted: cancelled
  EXPECT_EQ(FileSelectDialog(false, 6).Str(), "");
  EXPECT_EQ(FileSelectDialog(false, 9).Str(), "");
  const auto& d = hl->dialogs();
  ASSERT_EQ(d.size(), 5u);
  struct Want {
    ui::DialogKind kind;
    std::vector<ui::DialogFilter> filters;
    const char* initial;
    const char* ext;
  } want[] = {
      {ui::DialogKind::Open, {{"Screen Files (*.PAN)", "*.PAN"}, {"All Files (*.*)", "*.*"}}, "*.PAN", ""},
      {ui::DialogKind::Save, {{"Text Files (*.TXT)", "*.TXT"}, {"All Files (*.*)", "*.*"}}, "*.TXT", "TXT"},
      {ui::DialogKind::Open, {{"FileStruct Files (*.DAT)", "*.DAT"}, {"All Files (*.*)", "*.*"}}, "CODICC.DAT", ""},
      {ui::DialogKind::Open, {{"Menu Files (*.PPN)", "*.PPN"}, {"All Files (*.*)", "*.*"}}, "??MENU.PPN", ""},
      {ui::DialogKind::Open, {{"All Files (*.*)", "*.*"}}, "*.*", ""},
  };
  for (size_t i = 0; i < d.size(); ++i) {
    EXPECT_EQ(d[i].request.kind, want[i].kind) << i;
    ASSERT_EQ(d[i].request.filters.size(), want[i].filters.size()) << i;
    for (size_t f = 0; f < want[i].filters.size(); ++f) {
      EXPECT_EQ(d[i].request.filters[f].caption, want[i].filters[f].caption) << i;
      EXPECT_EQ(d[i].request.filters[f].pattern, want[i].filters[f].pattern) << i;
    }
    EXPECT_EQ(d[i].request.initial, want[i].initial) << i;
    EXPECT_EQ(d[i].request.defaultExt, want[i].ext) << i;
  }
  bool recorded = false;
  for (const std::string& line : hl->transcript())
    recorded |= line == "dialog open title=\"\" filter=\"Screen Files (*.PAN)|*.PAN|All Files (*.*)|*.*\" "
                        "initial=\"*.PAN\" -> \"C:\\\\apps\\\\screens\\\\cust.pan\"";
  EXPECT_TRUE(recorded);
}

TEST_F(DialogTest, ADialogAnswerTooLongForItsBufferIsRefused) {
  hl->dialog(std::string(384, 'p')).dialog(std::string(383, 'q'));
  ErrClear();
  EXPECT_EQ(StrError(FileSelectDialog(false, 8)), st::STRINGTOOLONG);
  EXPECT_EQ(ErrGet() & 0xffff, st::STRINGTOOLONG);
  EXPECT_EQ(FileSelectDialog(false, 8).Str(), std::string(383, 'q'));
}

TEST_F(DialogTest, TheFolderChooserStartsWhereItIsToldOrInTheCurrentDirectory) {
  hl->dialog("/data/books").dialog("");
  EXPECT_EQ(ChooseFolder(StrFromC("/data"), StrFromC("")).Str(), "/data/books");
  EXPECT_EQ(ChooseFolder(StrFromC(""), StrFromC("Backups")).Str(), "");
  const auto& d = hl->dialogs();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].request.kind, ui::DialogKind::Folder);
  EXPECT_EQ(d[0].request.initial, "/data");
  EXPECT_EQ(d[0].request.title, "Choose Selection");
  EXPECT_EQ(d[1].request.initial, DirCurrent().Str());
  EXPECT_EQ(d[1].request.title, "Backups");
}

TEST_F(HostTest, YesAnswersStartWithTheYesLetters) {
  const struct {
    const char* answer;
    bool yes;
  } cases[] = {{"y", true}, {"Yes", true}, {" Y", true}, {"\tyes ", true}, {"n", false},
               {"No", false}, {"", false}, {"   ", false}, {"x", false}};
  for (const auto& c : cases) EXPECT_EQ(AnswerIsYes(StrFromC(c.answer)), c.yes) << "'" << c.answer << "'";
}

}  // namespace
