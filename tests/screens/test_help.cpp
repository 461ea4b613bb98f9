// Help pages, help texts, the help directory and the About box, headless:
// boxes and viewer requests are read from the window system's records.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/forms/forms.h"
#include "screens/menus/help.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "screen_fixture.h"

namespace {

// A path as the framework writes it (backslashes).
std::string Win(std::string p) {
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

// A viewer request as the transcript writes it: the browser and the quoted
// target, backslashes doubled.
std::string Viewed(const std::string& target) {
  std::string quoted;
  for (char c : target) quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return "\"\\\"xdg-open\\\"\" \"" + quoted + "\"";
}

class HelpTest : public ScreenUiTest {
 protected:
  void SetUp() override {
    ScreenUiTest::SetUp();
    Identity("COVCQT24:Orbisquale");
    ASSERT_EQ(DynStrSet(SettingsList, SetTitleItem, S("Accounts")), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetLanguageItem, S("EN")), 0);
    helpDir = dir.File("Help");
    std::filesystem::create_directory(helpDir);
    ASSERT_EQ(DynStrSet(SettingsList, SetHelpDirItem, S(helpDir)), 0);
    old = std::filesystem::current_path();
  }
  void TearDown() override {
    std::filesystem::current_path(old);
    ScreenUiTest::TearDown();
  }
  void Identity(const std::string& id) { ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S(id)), 0); }
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  // The next box is answered OK and must show this caption and text.
  void ExpectBox(const std::string& caption, const std::string& text) {
    hl->answer(ui::IDOK);
    expected.push_back({caption, text});
  }
  void CheckBoxes() {
    ASSERT_EQ(hl->boxes().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(hl->boxes()[i].caption, expected[i].first) << i;
      EXPECT_EQ(hl->boxes()[i].text, expected[i].second) << i;
    }
  }
  std::string helpDir, old;
  std::vector<std::pair<std::string, std::string>> expected;
};

TEST_F(HelpTest, HelpPagePathLooksInTheDirectoriesThenForTheLanguageVariant) {
  Write(dir.File("COHELP.HLP"), "01 x\r\n");
  Write(helpDir + "/GAindex.html", "<p>");
  Write(helpDir + "/COHELP_es.HLP", "01 x\r\n");
  std::string cwd = dir.File("cwd");
  std::filesystem::create_directory(cwd);
  Write(cwd + "/HERE.HLP", "01 x\r\n");
  std::filesystem::current_path(cwd);
  struct Case {
    const char* id;
    const char* language;
    std::string name, want;
  } cases[] = {
      {"default directory", "EN", "COHELP.HLP", Win(dir.File("COHELP.HLP"))},
      {"empty name: the default file", "EN", "", Win(dir.File("COHELP.HLP"))},
      {"help directory", "EN", "GAindex.html", Win(helpDir + "/GAindex.html")},
      {"nowhere", "EN", "NONE.HLP", ""},
      {"current directory, joined to it", "EN", "HERE.HLP", Win(cwd + "/HERE.HLP")},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(DynStrSet(SettingsList, SetLanguageItem, S(c.language)), 0);
    EXPECT_EQ(HelpPagePath(S(c.name)).Str(), c.want) << c.id;
  }
  std::filesystem::remove(dir.File("COHELP.HLP"));
  ASSERT_EQ(DynStrSet(SettingsList, SetLanguageItem, S("ES")), 0);
  EXPECT_EQ(HelpPagePath(S("")).Str(), Win(helpDir + "/COHELP_es.HLP"));
  ASSERT_EQ(DynStrSet(SettingsList, SetLanguageItem, S("EN")), 0);
  EXPECT_EQ(HelpPagePath(S("")).Str(), "");
}

TEST_F(HelpTest, HelpShowsAboutTheMakersPagesOrTheLocalOnes) {
  // A text: the About box, with the value of _PRECIS.
  ExpectBox("Accounts", "COVCQT24:Orbisquale (framework build 1.0)\r\n2");
  EXPECT_EQ(HelpShow(S("x")), 0);
  ExpectBox("Accounts", "COVCQT24:Orbisquale (framework build 1.0)");
  EXPECT_EQ(AboutShow(S("")), 0);
  // No text: the maker's location and the family word.
  EXPECT_EQ(HelpShow(S("")), 0);
  // Without a family word, or with one that is not letters and digits
  // alone: the local page; with none, a box names the last name looked for.
  Write(helpDir + "/COindex.html", "<p>");
  Identity("COVCQT24");
  EXPECT_EQ(HelpShow(S("")), 0);
  Identity("COVCQT24:Orbis/../x?y");
  EXPECT_EQ(HelpShow(S("")), 0);
  Identity("GA:");
  ExpectBox("Help Pages", "Help Page not defined\r\nindex.html");
  EXPECT_EQ(HelpShow(S("")), 0);
  Write(dir.File("index.html"), "<p>");
  EXPECT_EQ(HelpPageOpen(S("GA")), 0);
  std::string local = Win(helpDir + "/COindex.html");
  EXPECT_EQ(hl->viewers(), (std::vector<std::string>{Viewed("http://www.fenwold.example/Orbisquale"), Viewed(local),
                                                     Viewed(local), Viewed(Win(dir.File("index.html")))}));
  CheckBoxes();
}

// A terminal without a desktop: no viewer could show the page, so its
// address is shown in a box.
class NoDisplay : public ui::Headless {
 public:
  using ui::Headless::Headless;
  bool display_available() const override { return false; }
};

TEST_F(HelpTest, WithoutADisplayTheAddressIsShownInABox) {
  ui::HeadlessOptions o;
  o.stall = ui::StallPolicy::Fail;
  o.onFailure = [this](const std::string& r) { reports.push_back(r); };
  ui::init(std::make_unique<NoDisplay>(std::move(o)));
  hl = ui::headless();
  ExpectBox("Help Pages", "http://www.fenwold.example/Orbisquale");
  EXPECT_EQ(HelpShow(S("")), 0);
  EXPECT_TRUE(hl->viewers().empty());
  CheckBoxes();
}

TEST_F(HelpTest, HelpTopicSetFillsOnePlaceholderWithTheLanguage) {
  ASSERT_EQ(DynStrSet(SettingsList, SetLanguageItem, S("ES")), 0);
  struct Case {
    std::string pattern, want;
  } cases[] = {
      {"/srv/Help/%s", "/srv/Help/es"},
      {"/srv/Help", "/srv/Help"},
      {"/srv/%s/%s", "/srv/es/"},       // one placeholder filled, the next one empty
      {"/srv/%n%x%%/%s", "/srv/%n%x%/es"},  // never a printf format
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HelpTopicSet(S(c.pattern)), 0) << c.pattern;
    EXPECT_EQ(DynStrGet(SettingsList, SetHelpDirItem).Str(), c.want) << c.pattern;
  }
  EXPECT_EQ(HelpTopicSet(S("/" + std::string(400, 'a') + "%s")), st::STRINGTOOLONG);
  EXPECT_EQ(DynStrGet(SettingsList, SetHelpDirItem).Str(), "/srv/%n%x%/es");
}

TEST_F(HelpTest, HelpTextShowsASectionWithItsFirstLineAsCaption) {
  Write(dir.File("COHELP.HLP"),
        "01 Account code\r\n01 Up to eight digits.\r\n"
        "0101 The accounts\r\n0101 One record per account.\r\n0101 Codes are unique.\r\n"
        "02 Name\r\n02 Free text.\r\n");
  ExpectBox("The accounts", "One record per account.\r\nCodes are unique.");
  EXPECT_EQ(HelpTextShow(S("COHELP.HLP,101")), 0);
  ExpectBox("Account code", "Up to eight digits.");  // not the lines of section 101
  EXPECT_EQ(HelpTextShow(S(" COHELP.HLP , 1 ")), 0);
  ExpectBox("Name", "Free text.");
  EXPECT_EQ(HelpTextShow(S(",2")), 0);  // the default file
  CheckBoxes();
  struct Case {
    const char* spec;
    const char* detail;
  } missing[] = {
      {"COHELP.HLP,7", "COHELP.HLP,7"},   {"COHELP.HLP,102", "COHELP.HLP,102"},
      {"COHELP.HLP", "COHELP.HLP"},       {"COHELP.HLP,x", "COHELP.HLP,x"},
      {"COHELP.HLP,0", "COHELP.HLP,0"},   {"COHELP.HLP,65536", "COHELP.HLP,65536"},
      {"NONE.HLP,1", "NONE.HLP,1"},       {",", "COHELP.HLP,"},
  };
  for (const Case& c : missing) {
    ErrClear();
    EXPECT_EQ(HelpTextShow(S(c.spec)), st::FILENOTFOUND) << c.spec;
    EXPECT_EQ(ErrDetail().Str(), c.detail) << c.spec;
  }
  EXPECT_EQ(hl->boxes().size(), 3u);
}

// F1 in a field of a form without HELP$ and without the application's help
// task shows the field's section of the default help file; a section that
// is missing is an error shown once.
TEST_F(HelpTest, F1ShowsTheSectionOfTheField) {
  Write(dir.File("COHELP.HLP"), "02 Name\r\n02 The customer's name.\r\n");
  CtlSubclassHookSet(CtlSubclass);
  WinProcReset();
  WriteTagged("HF.PPN", {"FD$:A,B,C"});
  WriteTagged("HF.PAN", {"10105000006A", "10205000006A", "10305000006A"});
  WinClassCreate(S("TstHelp"), S("help"), ui::WS_VISIBLE, 0, 0, 600, 400, 0, ScreenWndProc);
  ASSERT_EQ(ScreenCreate(S("HF"), S("HF"), 1, 0, S("")), 0);
  ASSERT_EQ(ScreenSetWin(0), 0);
  ScreenActionSet(AcceptKeyDefault, nullptr, nullptr);  // an input form's keys
  ASSERT_EQ(FieldSetCurrent(2), 0);  // as the form's first field
  hl->key(ui::VK_F1).answer(ui::IDOK);
  hl->click(FieldCtlId(3)).key(ui::VK_F1).answer(ui::IDOK);
  for (int i = 0; i < 100 && hl->steps_left(); ++i) PumpMessages(0);
  std::string all;
  for (const std::string& l : hl->transcript()) all += l + "\n";
  ASSERT_EQ(hl->steps_left(), 0u) << all;
  CtlSubclassHookSet(nullptr);
  ASSERT_EQ(hl->boxes().size(), 2u);
  EXPECT_EQ(hl->boxes()[0].caption, "Name");
  EXPECT_EQ(hl->boxes()[0].text, "The customer's name.");
  EXPECT_NE(hl->boxes()[1].text.find("File Not Found"), std::string::npos) << hl->boxes()[1].text;
  EXPECT_NE(hl->boxes()[1].text.find("COHELP.HLP,3"), std::string::npos) << hl->boxes()[1].text;
}

}  // namespace
