// The report engine's tests: an application "RP" in a private directory
// (also the current directory, TEMP and the default directory) with one
// data file, open and current,
//   1 CLIENTS  CODE A6, NAME A20, BALANCE 2 (14)   key 1 CODE
// and definitions written from text in which "<17>", "<18>", "<19>" stand
// for the placeholder bytes and "<TAB>" for a TAB.
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "app/hooks.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "devices/device_fixture.h"
#include "devices/report.h"
#include "runtime/errors.h"
#include "script/evaluator.h"
#include "script/statements.h"

inline std::string Pdc(std::string text) {
  const std::pair<const char*, const char*> marks[] = {{"<17>", "\x17"}, {"<18>", "\x18"}, {"<19>", "\x19"},
                                                       {"<TAB>", "\t"}};
  for (const auto& [mark, byte] : marks) {
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) text.replace(at, std::strlen(mark), byte);
  }
  return text;
}

class ReportTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    TaskHooksReset();
    LayerHooksRegister();
    ExecRunUtilsInit();
    for (int n = 1; n <= kMaxDataFiles; ++n) DataFileCtrlInit(n);
    ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S("RP:Reports")), 0);
    WriteFile(Path("RPDICC.DAT"),
              "01 Clients**01CLIENTS\r\n01 CODE  006 ACODE\r\n01 NAME  020 ANAME\r\n"
              "01 BALAN 014 2BALANCE\r\n31 <0001006\r\n");
    ASSERT_EQ(DicLoad(S(dir_.path()), S("RP"), S(dir_.path())), 0) << ErrDetail().Str();
    ASSERT_LT(DataFileOpen(1, dfopen::kMakeCurrent), 128);
  }
  void TearDown() override {
    DataFileCloseAll();
    DeviceTest::TearDown();
  }

  static Status Eval(const std::string& text) { return ExpEvalStatus(S(text)); }
  static std::string Str(const std::string& text) {
    uint16_t m = StrAreaMark(-1);
    std::string out = ExpEvalStr(S(text)).Str();
    StrAreaMark(m);
    return out;
  }
  void Add(const std::string& code, const std::string& name, const std::string& balance) {
    ASSERT_EQ(DataFileMove(1, dfmove::kNew), dfres::kNewRecord);
    const std::string q = code.find('\'') == std::string::npos ? "'" : "\"";
    ASSERT_EQ(Eval("CODE{1}=" + q + code + q + ",NAME{1}='" + name + "',BALANCE{1}=" + balance), 0) << code;
    ASSERT_LT(DataFileInsert(1), 128) << code;
  }
  // Clients C01.. with balances 1, 2, ... (name "Client n").
  void AddClients(int count) {
    for (int i = 1; i <= count; ++i) {
      char code[16];
      std::snprintf(code, sizeof code, "C%02d", i);
      ASSERT_NO_FATAL_FAILURE(Add(code, "Client " + std::to_string(i), std::to_string(i)));
    }
  }
  // Positions the file on its first record, as a launch would.
  void First() { ASSERT_EQ(DataFileMove(1, dfmove::kFirst), 0); }
  void Definition(const std::string& name, const std::string& text) { WriteFile(Path(name), Pdc(text)); }
  // The report on a text file (progress NONE); the file's text.
  Status Run(const std::string& device, const std::string& name, const std::string& limits = "",
             const std::string& cond = "", const std::string& key = "", const std::string& copies = "") {
    return ReportRun(S(device), nullptr, S(name), S(limits), S(cond), S(key), S(""), S("NONE"), S(copies));
  }
  // The lines of a file, CR LF taken off.
  std::vector<std::string> Lines(const std::string& name) {
    std::vector<std::string> out;
    std::string text = Read(name);
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find("\r\n", at);
      if (end == std::string::npos) end = text.size();
      out.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    return out;
  }
  int64_t Label(int n) { return ExpEvalNum(S("_#(" + std::to_string(n) + ")")); }
};
