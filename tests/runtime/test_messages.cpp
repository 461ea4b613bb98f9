// Message references, the language catalogue and the language settings.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/msgtable.h"
#include "support/runtime_fixture.h"

namespace {

class MessagesTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(DynStrInit(), 0);
    MsgCatalogReset();
    SetItem(SetDefaultDirItem, dir_.path());
    ErrClear();
  }
  void TearDown() override {
    MsgCatalogReset();
    RuntimeTest::TearDown();
  }
  static void SetItem(uint16_t item, const std::string& text) {
    ASSERT_EQ(DynStrSet(SettingsList, item, StrMake(text.data(), static_cast<uint32_t>(text.size()))), 0);
  }
  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_.File(name), std::ios::binary) << bytes;
  }
  static std::string M(const char* ref) { return Msg(ref).Str(); }
  TempDir dir_;
};

TEST_F(MessagesTest, WithoutCatalogueDefaultsThenBuiltIns) {
  SetItem(SetIdentityItem, "COVCQT24:Orbisquale");
  const struct {
    const char* ref;
    std::string text;
  } cases[] = {
      {"0050 Text", "Text"},           {"0005", "Process Completed Succesfully"},
      {"0005 Own", "Own"},             {"0009 ", ""},
      {"0002", ""},                    {"abcd", ""},
      {"00", ""},                      {"1001", "Delete Full Entry?"},
      {"1020 x", "x"},                 {"0117", "'January,February,March,April,May,June,July,August,September,October,November,December','[M] [D],[Y]'"},
  };
  for (const auto& c : cases) EXPECT_EQ(M(c.ref), c.text) << c.ref;
  EXPECT_EQ(MsgCatalogState(), kCatalogTried);
  EXPECT_EQ(StrError(MsgRef(StrErr(145))), 145);  // error strings pass through

  SetItem(SetIdentityItem, "GAVGQT24:Orbisquale");  // block 4 follows the program
  EXPECT_EQ(M("1002"), "VAT Registry data not found");
  EXPECT_EQ(ErrGet(), 0u);
}

// Gaps inside the catalogue's range are empty; numbers outside it, below or
// above, fall through to the inline default and then the built-in table.
TEST_F(MessagesTest, CatalogueRangesGapsAndFallThrough) {
  WriteFile("KX_LANG_EN.MSJ",
            "0002 Two\\nlines\r\n"
            "0005 Five\r\n"
            "0004 out of order\r\n"
            "0005 duplicate\n"
            "0000 zero is skipped\r\n"
            "abcd not a number\r"
            "0008 Catalogue warning\r\n"
            "0012\r\n");
  const struct {
    const char* ref;
    std::string text;
  } cases[] = {
      {"0002", "Two\r\nlines"},
      {"0003 default", ""},  // a gap inside the range: empty, not the default
      {"0004", ""},          // the out-of-order line took nothing
      {"0005 default", "Five"},
      {"0008", "Catalogue warning"},
      {"0011", ""},
      {"0012 default", ""},  // a line without a text
      {"0001 below", "below"},
      {"0013 above", "above"},
      {"0013", "Fatal Error Ocurred"},
      {"0009", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(M(c.ref), c.text) << c.ref;
  EXPECT_EQ(MsgCatalogState(), kCatalogLoaded);
  EXPECT_EQ(DynStrCount(FileLinesQueue), 0u);
  EXPECT_EQ(StrError(MsgCatalogText(1)), st::NOTFOUND);
}

// A catalogue holding application numbers too reaches the 256-entry table
// limit: those numbers are not covered and keep their built-in texts.
TEST_F(MessagesTest, NumbersBeyondTheEntryTableFallThrough) {
  SetItem(SetIdentityItem, "COVCQT24:Orbisquale");
  std::string lines;
  for (int n = 1; n <= 130; ++n) lines += (n < 10 ? "000" : n < 100 ? "00" : "0") + std::to_string(n) + " c" + std::to_string(n) + "\r\n";
  for (int n = 1001; n <= 1050; ++n) lines += std::to_string(n) + " app" + std::to_string(n) + "\r\n";
  WriteFile("KX_LANG_EN.MSJ", lines);
  EXPECT_EQ(M("0130"), "c130");
  EXPECT_EQ(M("0001"), "c1");
  EXPECT_EQ(M("1020"), std::string(MsgTableLookup("1020", "CO")));
  EXPECT_EQ(M("1049 default"), "default");
}

TEST_F(MessagesTest, CatalogueOfTooManyLinesIsDrained) {
  for (int count : {255, 256, 300}) {
    MsgCatalogReset();
    std::string lines;
    for (int n = 1; n <= count; ++n) lines += (n < 10 ? "000" : n < 100 ? "00" : "0") + std::to_string(n) + " x\r\n";
    WriteFile("KX_LANG_EN.MSJ", lines);
    std::string five = M("0005");
    EXPECT_EQ(DynStrCount(FileLinesQueue), 0u) << count;
    if (count < 256) {
      EXPECT_EQ(five, "x");
      EXPECT_EQ(MsgCatalogState(), kCatalogLoaded);
    } else {
      EXPECT_EQ(five, "Process Completed Succesfully") << count;
      EXPECT_EQ(MsgCatalogState(), kCatalogTried) << count;
    }
  }
  // Larger than the whole string-list store: not used, nothing left queued.
  MsgCatalogReset();
  std::string lines;
  for (int n = 10; n < 210; ++n) lines += "0" + std::to_string(n) + " " + std::string(400, 'y') + "\r\n";
  WriteFile("KX_LANG_EN.MSJ", lines);
  EXPECT_EQ(M("0005"), "Process Completed Succesfully");
  EXPECT_EQ(DynStrCount(FileLinesQueue), 0u);
  EXPECT_NE(MsgCatalogState(), kCatalogLoaded);
}

// With no language set the first file of a sorted, case-insensitive listing
// wins on every run; a set language names its own file.
TEST_F(MessagesTest, CatalogueChoiceIsStable) {
  WriteFile("KX_LANG_ES.MSJ", "0005 es\r\n");
  WriteFile("kx_lang_en.msj", "0005 en\r\n");
  EXPECT_EQ(M("0005"), "en");
  MsgCatalogReset();
  SetItem(SetLanguageItem, "ES");
  EXPECT_EQ(M("0005"), "es");
  MsgCatalogReset();
  SetItem(SetLanguageItem, "FR");  // no such file: built-in texts
  EXPECT_EQ(M("0005"), "Process Completed Succesfully");
  EXPECT_EQ(MsgCatalogState(), kCatalogTried);
}

// The demo catalogues: English repeats the built-in texts of blocks 1-3
// (line breaks written as backslash n), Spanish has a text for each.
TEST_F(MessagesTest, DemoCataloguesCoverTheBuiltInTexts) {
  for (const char* app : {"accounting", "administration"}) {
    for (const char* lang : {"EN", "ES"}) {
      MsgCatalogReset();
      SetItem(SetDefaultDirItem, std::string(KX_SOURCE_DIR) + "/apps/" + app + "/demo");
      SetItem(SetLanguageItem, lang);
      ASSERT_EQ(MsgCatalogLoad(), 0);
      ASSERT_EQ(MsgCatalogState(), kCatalogLoaded) << app << lang;
      for (int block = 1; block <= 3; ++block) {
        std::string entries(MsgTableBlock(block, ""));
        for (size_t start = 0; start < entries.size();) {
          size_t end = std::min(entries.find('\t', start), entries.size());
          std::string number = entries.substr(start, 4);
          std::string builtIn = entries.substr(start + 5, end - start - 5);
          StrValue text = MsgCatalogText(static_cast<uint32_t>(std::stoi(number)));
          ASSERT_FALSE(text.IsError()) << app << lang << number;
          if (std::string(lang) == "EN") {
            for (const char* br : {"\r\n", "\n\r"})
              if (size_t p = builtIn.find(br); p != std::string::npos) builtIn.replace(p, 2, "\r\n");
            EXPECT_EQ(text.Str(), builtIn) << app << number;
          } else {
            EXPECT_GT(text.len, 0) << app << number;
          }
          start = end + 1;
        }
      }
    }
  }
  EXPECT_EQ(M("0011"), "Ss,Nn");  // the last one loaded is Spanish
}

TEST_F(MessagesTest, LanguagesAndFileNames) {
  EXPECT_EQ(LangIndex(), 0);
  ASSERT_EQ(LangDefault(), 0);
  EXPECT_EQ(LangIndex(), 1);
  SetItem(SetLanguageItem, "ES");
  EXPECT_EQ(LangIndex(), 2);
  const struct {
    const char* name;
    int lang;
    const char* expected;
  } cases[] = {
      {"CUST.FD", 2, "CUST_es.FD"},        {"HELP.HTM.BAK", 1, "HELP_en.HTM.BAK"},
      {"dir.x/NAME", 3, "dir.x/NAME_fr"},   {"C:\\dir.x\\N.E", 4, "C:\\dir.x\\N_de.E"},
      {"N.E", 5, "N_it.E"},                {"N.E", 0, "N.E"},
      {"N.E", 6, "N.E"},                   {"N.E", -1, "N_es.E"},
  };
  for (const auto& c : cases) EXPECT_EQ(LangFileName(StrFromC(c.name), c.lang).Str(), c.expected) << c.name << c.lang;
  SetItem(SetLanguageItem, "XX");
  EXPECT_EQ(LangIndex(), 0);
}

// The language-variables file is found along the default directories; the
// assignments it makes are tested with the evaluator (test_evaluator.cpp).
TEST_F(MessagesTest, LanguageVariablesFile) {
  SetItem(SetIdentityItem, "COVCQT24:Orbisquale");
  EXPECT_EQ(LangVarsLoad(), 0);  // no file: nothing to do
}

}  // namespace
