// Message boxes on the headless window system: each kind's buttons, icon and
// default caption, the answers as the language's letters (a catalogue's and
// the built-in ones), the error display and the queue of a program without
// windows.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "screens/forms/msgbox.h"
#include "screens/window/winlist.h"
#include "support/headless_fixture.h"
#include "support/runtime_fixture.h"

namespace {

class MsgBoxTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(DynStrInit(), 0);
    MsgCatalogReset();
    hl = HeadlessInstall(&reports);
    WinListReset();
  }
  void TearDown() override {
    EXPECT_TRUE(reports.empty()) << reports.front();
    ui::shutdown();
    WinListReset();
    MsgCatalogReset();
    RuntimeTest::TearDown();
  }
  // A Spanish catalogue of the given lines in a private directory.
  void Catalogue(const std::vector<std::string>& lines) {
    std::ofstream out(dir.File("KX_LANG_ES.MSJ"), std::ios::binary);
    for (const std::string& l : lines) out << l << "\r\n";
    out.close();
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, StrFromC(dir.path().c_str())), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetLanguageItem, StrFromC("ES")), 0);
    MsgCatalogReset();
  }
  const ui::BoxRecord& Last() { return hl->boxes().back(); }

  TempDir dir;
  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
};

TEST_F(MsgBoxTest, KindsButtonsCaptionsAndTheLanguagesLetters) {
  Catalogue({"0010 No definido", "0011 Ss,Nn", "0012 Mensaje", "0013 Error grave", "0014 Pregunta"});
  struct Row {
    int kind;
    int button;
    uint32_t type;
    const char* caption;
    int answer;
  } rows[] = {
      {0, ui::IDOK, 0x40, "Pregunta", 'S'},      {1, ui::IDOK, 0x30, "Mensaje", 'S'},
      {2, ui::IDOK, 0x41, "Pregunta", 'S'},      {2, ui::IDCANCEL, 0x41, "Pregunta", 3},
      {3, ui::IDOK, 0x10, "Error grave", 'S'},   {4, ui::IDRETRY, 0x15, "Mensaje", 'S'},
      {4, ui::IDCANCEL, 0x15, "Mensaje", 3},     {5, ui::IDYES, 0x44, "Pregunta", 'S'},
      {5, ui::IDNO, 0x44, "Pregunta", 'N'},      {6, ui::IDYES, 0x43, "Pregunta", 'S'},
      {6, ui::IDNO, 0x43, "Pregunta", 'N'},      {6, ui::IDCANCEL, 0x43, "Pregunta", 3},
      {9, ui::IDOK, 0x00, "Pregunta", 'S'},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.kind) + "/" + std::to_string(r.button));
    hl->answer(r.button);
    EXPECT_EQ(AreaBalanced([&] { return MsgBox(StrFromC("Text"), StrMake("", 0), r.kind); }), r.answer);
    ASSERT_FALSE(hl->boxes().empty());
    EXPECT_EQ(Last().type, r.type);
    EXPECT_EQ(Last().caption, r.caption);
    EXPECT_EQ(Last().text, "Text");
  }
  hl->answer(ui::IDOK);
  InfoBox(StrFromC("Own caption"), StrFromC("Saved"));
  EXPECT_EQ(Last().caption, "Own caption");
  EXPECT_EQ(Last().type, 0x40u);
  hl->answer(ui::IDYES).answer(ui::IDNO);
  EXPECT_EQ(MsgAsk(StrFromC("Delete Record(s)?")), 1);
  EXPECT_EQ(MsgAsk(StrFromC("Delete Record(s)?")), 0);
}

TEST_F(MsgBoxTest, ACatalogueWithoutTheLettersCannotTurnNoIntoYes) {
  Catalogue({"0010 No definido", "0012 Mensaje"});  // 0011 lies in the range and reads empty
  ASSERT_EQ(Msg("0011 Yy,Nn").len, 0);
  hl->answer(ui::IDNO).answer(ui::IDNO).answer(ui::IDYES);
  EXPECT_EQ(MsgAsk(StrFromC("Delete Record(s)?")), 0);
  EXPECT_EQ(MsgBox(StrFromC("Go on?"), StrMake("", 0), kBoxYesNo), 'N');
  EXPECT_EQ(MsgBox(StrFromC("Go on?"), StrMake("", 0), kBoxYesNo), 'Y');
  Catalogue({"0011 Jj,Jj"});  // the same letter twice
  hl->answer(ui::IDNO);
  EXPECT_EQ(MsgBox(StrFromC("Go on?"), StrMake("", 0), kBoxYesNoCancel), 'N');
}

TEST_F(MsgBoxTest, ErrorDisplayNamesOnlyItsOwnModuleAndClearsTheError) {
  struct Row {
    const char* id;
    Status recorded;
    uint16_t module;
    const char* detail;
    Status shown;
    const char* text;
    uint32_t type;
    const char* caption;
  } rows[] = {
      {"cancel", 0, 0, "", st::USERCANCELED, "User Canceled", 0x30, "Information Message"},
      {"completion", 0, 0, "", 0, "Process Completed Succesfully", 0x30, "Information Message"},
      {"own-module", st::FILENOTFOUND, MOD_DATAFILE, "CUST.FD", st::FILENOTFOUND,
       "Error File Not Found(DataFile): CUST.FD", 0x10, "Fatal Error Ocurred"},
      {"other-module", 131, MOD_EXPEXEC, "", st::FILENOTFOUND, "Error File Not Found", 0x10,
       "Fatal Error Ocurred"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    if (r.recorded) ErrSet(1, r.module, r.recorded, r.recorded);
    ErrDetailSet(r.recorded, StrFromC(r.detail), false);
    hl->answer(ui::IDOK);
    EXPECT_EQ(AreaBalanced([&] { return ErrShow(r.shown); }), 0);
    EXPECT_EQ(Last().text, r.text);
    EXPECT_EQ(Last().type, r.type);
    EXPECT_EQ(Last().caption, r.caption);
    EXPECT_EQ(ErrGet(), 0u);
    EXPECT_EQ(ErrDetail().len, 0);
  }
  // The detail is emptied in place: the log file's name after it stays.
  ASSERT_EQ(DynStrSet(SystemTextList, SysLogNameItem, StrFromC("kx.log")), 0);
  ErrDetailSet(st::FILENOTFOUND, StrFromC("CUST.FD"), false);
  hl->answer(ui::IDOK);
  ErrShow(st::FILENOTFOUND);
  EXPECT_EQ(DynStrGet(SystemTextList, SysLogNameItem).Str(), "kx.log");
  hl->answer(ui::IDOK);
  AssertBox(StrFromC("StrAreaRelease"), StrFromC("Assertion Fail"));
  EXPECT_EQ(Last().type, 0x10u);
  EXPECT_EQ(Last().caption, "Assertion Fail");
}

TEST_F(MsgBoxTest, WithoutAWindowPendingMessagesAreDropped) {
  ASSERT_TRUE(ui::post(0, ui::WM_USER + 7));
  hl->answer(ui::IDOK);
  MsgBox(StrFromC("Starting"), StrMake("", 0), kBoxInfo);
  EXPECT_EQ(ui::pending_count(), 0u);
  ui::Hwnd w = WinClassCreate(StrFromC("TstOwner"), StrFromC("owner"), 0, 0, 0, 400, 300, 0, nullptr);
  ASSERT_NE(w, 0u);
  ASSERT_TRUE(ui::post(w, ui::WM_USER + 7));
  hl->answer(ui::IDOK);
  MsgBox(StrFromC("Running"), StrMake("", 0), kBoxInfo);
  EXPECT_EQ(ui::pending_count(), 1u);  // a window owns it: it waits for the box to close
  EXPECT_TRUE(ui::is_enabled(w));
}

}  // namespace
