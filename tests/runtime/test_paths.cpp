#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/host/env.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/options.h"
#include "runtime/paths.h"
#include "support/runtime_fixture.h"

namespace fs = std::filesystem;

namespace {

StrValue S(const char* s) { return StrFromC(s); }
StrValue S(const std::string& s) { return StrFromView(s); }

// "/a/b" as the framework writes it: "\a\b".
std::string Win(std::string p) {
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

class PathsTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(DynStrInit(), 0);
  }
  void Set(uint16_t item, const std::string& text) { ASSERT_EQ(DynStrSet(SettingsList, item, S(text)), 0); }
  // A settings fixture: program in "/opt/my kx", default directory
  // /apps/co, documents /docs/co, no help directory, a database text.
  void Settings() {
    ASSERT_EQ(OptNormalise(S("\"/opt/my kx/accounting\" /TRACE:1")), 0);
    Set(SetIdentityItem, "COVCQT24:Orbisquale");
    Set(SetTitleItem, "Accounting");
    Set(SetLanguageItem, "EN");
    Set(SetDefaultDirItem, "/apps/co");
    Set(SetDocsDirItem, "/docs/co");
    Set(SetHelpDirItem, "");
    Set(SetDatabaseItem, " host1 ,'MyDb',user,pw");
  }
};

TEST_F(PathsTest, JoinSplitResolveAndExtensions) {
  const struct {
    const char* a;
    const char* b;
    const char* want;
  } joins[] = {{"C:\\A\\", "B", "C:\\A\\B"}, {"C:\\A", "\\B", "C:\\A\\B"}, {"", "B", "B"},
               {"C:\\A", "", "C:\\A"},       {"C:\\A\\", "\\B", "C:\\A\\B"}, {"/a/b", "c/d", "\\a\\b\\c\\d"},
               {"'x/y'", "z", "'x/y'\\z"}};
  for (const auto& c : joins) EXPECT_EQ(PathJoin(S(c.a), S(c.b)).Str(), c.want) << c.a << " + " << c.b;

  const struct {
    const char* path;
    int flags;
    const char* want;
  } splits[] = {{"C:\\A\\B\\N.E", 1, "C:"},        {"C:\\A\\B\\N.E", 2, "\\A\\B"},
                {"C:\\A\\B\\N.E", 4, "N"},         {"C:\\A\\B\\N.E", 8, "E"},
                {"C:\\A\\B\\N.E", 3, "C:\\A\\B"},  {"C:\\A\\B\\N.E", 6, "\\A\\B\\N"},
                {"C:\\A\\B\\N.E", 12, "N.E"},      {"C:\\A.D\\N", 8, ""},
                {"/opt/kx/prog", 3, "\\opt\\kx"},  {"/prog", 3, "\\"},
                {"/prog", 6, "\\prog"},            {"N.E", 3, ""}};
  for (const auto& c : splits) EXPECT_EQ(PathSplit(S(c.path), c.flags).Str(), c.want) << c.path << " " << c.flags;

  const struct {
    const char* base;
    const char* rel;
    const char* want;
  } resolves[] = {{"C:\\X\\Y", "..\\data", "C:\\X\\data"}, {"C:\\X\\Y\\", "..\\data", "C:\\X\\data"},
                  {"C:\\X", "..\\..\\..\\d", "C:\\d"},      {"/home", "../../../d", "\\d"},
                  {"C:\\X", ".\\a\\.\\b", "C:\\X\\a\\b"},    {"C:\\X\\Y", "..", "C:\\X"},
                  {"a\\b", "..\\..\\..\\c", "..\\c"},       {"", "..\\APPS", "..\\APPS"},
                  {"C:\\X", "Help", "C:\\X\\Help"}};
  for (const auto& c : resolves) EXPECT_EQ(PathResolve(S(c.base), S(c.rel)).Str(), c.want) << c.base << " " << c.rel;

  EXPECT_EQ(PathSlashes(S("/a/'b/c'/d")).Str(), "\\a\\'b/c'\\d");
  EXPECT_EQ(PathAddExt(S("N"), S("E")).Str(), "N.E");
  EXPECT_EQ(PathAddExt(S("N"), S("")).Str(), "N");
  EXPECT_EQ(PathExtKind(1).Str(), "");
  EXPECT_EQ(PathExtKind(4).Str(), "NDX");
  EXPECT_EQ(PathExtKind(0x86).Str(), "txt");
  EXPECT_EQ(PathExtKind(7).Str(), "");
  EXPECT_EQ(StrError(PathJoin(StrErr(st::STRINGTOOLONG), S("b"))), st::STRINGTOOLONG);
}

TEST_F(PathsTest, ProgramPathAndDirectoryKinds) {
  Settings();
  std::string cwd = Win(HostCurrentDir());
  EXPECT_EQ(AppProgramPath(0).Str(), "/opt/my kx/accounting");
  EXPECT_EQ(AppProgramPath(2).Str(), "\\opt\\my kx");
  EXPECT_EQ(AppProgramPath(1).Str(), "");  // field 2 is an option
  const struct {
    int kind;
    std::string want;
  } kinds[] = {{APPPATH_RUNPATH, "\\opt\\my kx"},  {APPPATH_DEFAULT, "\\apps\\co"},
               {APPPATH_DATA, "\\docs\\data"},     {APPPATH_DOCS, "\\docs\\co"},
               {APPPATH_HELP, "\\apps\\co\\Help"}, {APPPATH_BACKUP, "\\docs\\co\\Backups"},
               {APPPATH_BACKREL, cwd + "\\Backups\\HOST1\\MyDb"},
               {0, ""}, {8, ""}};
  for (const auto& c : kinds) EXPECT_EQ(AppPath(c.kind).Str(), c.want) << c.kind;
  EXPECT_EQ(AppPathJoin(S("F.DAT"), APPPATH_DEFAULT).Str(), "\\apps\\co\\F.DAT");
  EXPECT_FALSE(AppOnLateDrive());

  // Without documents and help directories the current directory stands in.
  Set(SetDocsDirItem, "");
  Set(SetHelpDirItem, "/h");
  EXPECT_EQ(AppPath(APPPATH_DOCS).Str(), cwd);
  EXPECT_EQ(AppPath(APPPATH_DATA).Str(), Win(fs::path(HostCurrentDir()).parent_path().string()) + "\\data");
  EXPECT_EQ(AppPath(APPPATH_HELP).Str(), "\\h");
}

TEST_F(PathsTest, TheProgramsDriveLetterChoosesTheDataDirectoryBase) {
  Settings();
  const struct {
    const char* line;
    bool late;
    const char* data;
  } cases[] = {{"D:\\APPS\\CO\\CO.EXE", false, "\\docs\\data"},
               {"F:\\APPS\\CO\\CO.EXE", true, "\\apps\\data"},
               {"g:\\APPS\\CO\\CO.EXE", true, "\\apps\\data"},
               {"C:\\CO.EXE", false, "\\docs\\data"}};
  for (const auto& c : cases) {
    ASSERT_EQ(OptNormalise(S(c.line)), 0);
    EXPECT_EQ(AppOnLateDrive(), c.late) << c.line;
    EXPECT_EQ(AppPath(APPPATH_DATA).Str(), c.data) << c.line;
  }
}

TEST_F(PathsTest, NamesBetweenPercentSignsExpand) {
  Settings();
  const char* oldTemp = std::getenv("TEMP");
  std::string saved = oldTemp ? oldTemp : "";
  setenv("TEMP", "/tmp/kxt", 1);
  const struct {
    const char* id;
    const char* text;
    const char* want;
  } cases[] = {
      {"prefix", "%APNAME%CLCUSR.DAT", "COCLCUSR.DAT"},
      {"env-upper", "%TEMP%\\x", "/tmp/kxt\\x"},
      {"env-lower", "%temp%\\x", "/tmp/kxt\\x"},
      {"unknown", "%NOPE%X", "X"},
      {"directory", "%APPPATH_DEFAULT%\\F.DAT", "\\apps\\co\\F.DAT"},
      {"every-occurrence", "%APNAME%-%APNAME%", "CO-CO"},
      {"app-var-before-env", "%APNAME%_%TEMP%", "CO_/tmp/kxt"},
      {"database", "%APNAME%CLCUSR.%DATABASE_HOST%.%DATABASE_DBNAME%.DAT", "COCLCUSR.HOST1.MyDb.DAT"},
      {"settings-by-list-order", "%LANGMODULE.DOCPATH%;%DATAPATH%;%HELPPATH%", "EN;/apps/co;/docs/co"},
      {"title", "%APDESCRIP%", "Accounting"},
      {"quoted-app-var-stays", "'%APNAME%' %APNAME%", "'%APNAME%' CO"},
      {"quoted-env-replaced", "'%TEMP%'", "'/tmp/kxt'"},
      {"single-percent", "100%", "100%"},
      {"empty-name", "a%%b", "ab"},
  };
  for (const auto& c : cases) EXPECT_EQ(PathExpand(S(c.text)).Str(), c.want) << c.id;

  // Values that name themselves end after a bounded number of passes.
  setenv("TEMP", "%TEMP%", 1);
  EXPECT_EQ(PathExpand(S("%TEMP%\\x")).Str(), "%TEMP%\\x");
  setenv("TEMP", "a%TEMP%", 1);
  EXPECT_EQ(PathExpand(S("%TEMP%")).Str(), "aaaaaaaa%TEMP%");
  Set(SetTitleItem, "%APDESCRIP%");
  EXPECT_EQ(AppVarValue(S("%APDESCRIP%")).Str(), "%APDESCRIP%");
  if (oldTemp) setenv("TEMP", saved.c_str(), 1);
  else unsetenv("TEMP");

  // Application variables alone: every other name is empty.
  EXPECT_EQ(AppVarValue(S("%APNAME%%TEMP%%APPPATH_DEFAULT%x")).Str(), "COx");
  EXPECT_EQ(AppVarValue(S("\"%APNAME%\"")).Str(), "\"%APNAME%\"");
}

TEST_F(PathsTest, FileSearchFindsTheFirstExistingCandidateInAnyLetterCase) {
  TempDir tmp;
  fs::create_directories(tmp.File("dirA"));
  fs::create_directories(tmp.File("dirB"));
  std::ofstream(tmp.File("dirB/Target.TXT")) << "x";
  std::ofstream(tmp.File("dirA/both.txt")) << "a";
  std::ofstream(tmp.File("dirB/both.txt")) << "b";
  std::string dirs = tmp.File("dirA") + "," + tmp.File("dirB");
  std::string found = FileSearch(S(dirs), S("target.txt")).Str();
  EXPECT_EQ(found, Win(tmp.File("dirB")) + "\\target.txt");
  EXPECT_EQ(FileSearch(S(dirs), S("both.txt")).Str(), Win(tmp.File("dirA")) + "\\both.txt");
  EXPECT_EQ(FileSearch(S(dirs), S(tmp.File("dirB/target.txt"))).Str(), Win(tmp.File("dirB/target.txt")));
  EXPECT_EQ(FileSearch(S(dirs), S("missing.txt")).Str(), "");
  EXPECT_EQ(FileSearch(S(""), S("")).Str(), "");
}

TEST_F(PathsTest, MakingDirectories) {
  TempDir tmp;
  std::string deep = tmp.path() + "\\a\\b\\c";
  EXPECT_EQ(PathMakeDirs(S(deep)), 0);
  EXPECT_TRUE(fs::is_directory(tmp.File("a/b/c")));
  EXPECT_EQ(PathMakeDirs(S(deep)), 0);  // exists: nothing to do

  std::ofstream(tmp.File("plain")) << "x";
  Status s = PathMakeDirs(S(tmp.File("plain")));
  EXPECT_GE(s, 128);
  EXPECT_EQ(ErrDetail().Str(), tmp.File("plain"));

  ErrClear();
  EXPECT_EQ(PathMakeDirs(S("")), st::BADINPUTDATA);
  EXPECT_EQ(ErrGet() & 0xffff, st::BADINPUTDATA);
  EXPECT_EQ(PathMakeDirs(S("C:")), st::BADINPUTDATA);
  EXPECT_EQ(ErrDetail().Str(), "C:");
}

TEST_F(PathsTest, TemporaryFilePathsLieInTempAndDiffer) {
  TempDir tmp;
  const char* oldTemp = std::getenv("TEMP");
  std::string saved = oldTemp ? oldTemp : "";
  setenv("TEMP", tmp.path().c_str(), 1);
  std::string a = TempFilePath(S("TMP")).Str();
  std::string b = TempFilePath(S("TMP")).Str();
  // Without TEMP (usual on Linux) the temporary directory still comes first.
  const char* oldTmpdir = std::getenv("TMPDIR");
  std::string savedTmpdir = oldTmpdir ? oldTmpdir : "";
  unsetenv("TEMP");
  unsetenv("TMPDIR");
  std::string c = TempFilePath(S("")).Str();
  if (oldTmpdir) setenv("TMPDIR", savedTmpdir.c_str(), 1);
  if (oldTemp) setenv("TEMP", saved.c_str(), 1);
  EXPECT_EQ(a.rfind(Win(tmp.path()) + "\\", 0), 0u) << a;
  EXPECT_TRUE(a.ends_with(".TMP")) << a;
  EXPECT_NE(a, b);
  EXPECT_EQ(c.rfind("\\tmp\\", 0), 0u) << c;
  EXPECT_EQ(c.find('.'), std::string::npos) << c;
}

}  // namespace
