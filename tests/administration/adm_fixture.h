// The demo administration application in a private directory: its
// dictionary, relation files and the invoicing run's definition copied from
// apps/administration/demo, its records written by the demo generator, the
// run's definition pushed as the current parameter string and the invoices
// made the current file, as the run's window would leave them; the
// program's built-ins registered as start phase 2 registers them, unless
// the test runs phase 2 itself.
#pragma once
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/hooks.h"
#include "apps/administration/admbuiltins.h"
#include "apps/administration/demo/gen/admgen.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/reccheck.h"
#include "data/store/runstatus.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "script/evaluator.h"
#include "script/objparams.h"
#include "script/payments.h"
#include "script/procedures.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

inline StrValue Sv(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

inline const std::string kDemoDir = std::string(KX_SOURCE_DIR) + "/apps/administration/demo";

// File numbers of the demo dictionary.
enum : int { kFCustomers = 1, kFSeries = 3, kFRegistry = 6, kFNotes = 7, kFPayments = 8, kFInvoices = 14 };

class AdmApp {
 public:
  // Starts a fresh runtime on the directory: the demo files copied (the
  // dictionary text replaced when given), the built-ins registered (unless
  // builtins is false), the records written.
  void Start(const std::string& dir, const AdmDemoSpec& spec, const std::string& dictionary = "",
             bool builtins = true) {
    dir_ = dir;
    // The run status file and other relative names land in the directory.
    if (!getcwd(oldDir_, sizeof oldDir_)) oldDir_[0] = 0;
    ASSERT_EQ(chdir(dir.c_str()), 0);
    RuntimeReset();
    TaskHooksReset();
    LayerHooksRegister();
    ASSERT_EQ(VarSysInit(), 0);
    TaskHookSet(&PrcCall, kHookPrcCall);  // as start-up does
    if (builtins) {
      ASSERT_EQ(AdmBuiltinsRegister(), 0);
      ASSERT_EQ(PayDateRegister(), 0);
      ASSERT_EQ(AdmBankBuiltinsRegister(), 0);
    }
    for (int n = 1; n <= kMaxDataFiles; ++n) DataFileCtrlInit(n);
    for (const char* f : {"GADICC.DAT", "GAREL.DAT", "GARELUP.DAT", "INVRUN.PPN", "INVRUN.PAN"}) {
      std::filesystem::copy_file(kDemoDir + "/" + f, dir + "/" + f, std::filesystem::copy_options::overwrite_existing);
    }
    if (!dictionary.empty()) std::ofstream(dir + "/GADICC.DAT", std::ios::binary) << dictionary;
    ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, Sv("GAVGQT24:Orbisquale")), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, Sv(dir)), 0);
    ASSERT_EQ(LogSetName(Sv(dir + "/GAlog.txt")), 0);
    ASSERT_EQ(DicLoad(Sv(dir), Sv("GA"), Sv(dir)), 0) << ErrDetail().Str();
    ASSERT_EQ(AdmDemoDataWrite(spec), 0) << ErrDetail().Str();
    ASSERT_EQ(ParmStrPush(Sv("INVRUN.PPN"), 1, 1), 0);
    DataFileSetCurrent(kFInvoices);
  }
  // Closes every file (indexes saved) and frees the runtime.
  void Stop() {
    EXPECT_EQ(DataFileCloseAll(), 0);
    RunStatusReset();
    TaskHooksReset();
    RuntimeTearDown();
    if (oldDir_[0]) {
      EXPECT_EQ(chdir(oldDir_), 0);
    }
    oldDir_[0] = 0;
  }

  static Status Eval(const std::string& text) { return ExpEvalStatus(Sv(text)); }
  static std::string Str(const std::string& text) {
    uint16_t m = StrAreaMark(-1);
    std::string out = ExpEvalStr(Sv(text)).Str();
    StrAreaMark(m);
    return out;
  }
  static int64_t Cents(const std::string& text) { return ExpEvalNum(Sv(text)); }

  // Every live record of file n in key order of key k, as "field=value"
  // texts of the named fields, trimmed, joined by " ".
  static std::vector<std::string> Rows(int n, int k, const std::vector<std::string>& fields) {
    std::vector<std::string> out;
    DataStoreState state;
    EXPECT_EQ(DataFileCtrlSave(&state, n, nullptr), 0);
    for (Status s = DataFileReadKey(n, k, Sv(""), 2); s < 2; s = DataFileMove(n, 0x10)) {
      std::string row;
      for (const std::string& f : fields) {
        std::string v = Str("FN$TRIM(" + f + "{" + std::to_string(n) + "})");
        row += (row.empty() ? "" : " ") + f + "=" + v;
      }
      out.push_back(row);
    }
    EXPECT_EQ(DataFileCtrlSave(nullptr, n, &state), 0);
    return out;
  }

  // The checker over every file of the dictionary that exists on disk; one
  // line per problem.
  std::string CheckAll() const {
    std::string problems;
    for (int n = 1; n <= DataFileCount(); ++n) {
      RecCheckSpec spec;
      std::string name = DicFileName(n).Str();
      spec.dataPath = dir_ + "/" + name + ".FD";
      spec.indexPath = dir_ + "/" + name + ".DIR";
      if (!std::filesystem::exists(spec.dataPath)) continue;
      spec.recLen = DicRecLen(n);
      for (int k = 1; k <= DicKeyCount(n); ++k) {
        KeyPart parts;
        uint16_t count = KeyPartsDesc(n, k, &parts);
        RecKey key;
        for (int i = 0; i < count; ++i) key.segs.push_back(KeySeg{parts.part[i].offset, parts.part[i].length});
        spec.keys.push_back(key);
      }
      problems += RecFileCheck(spec);
    }
    return problems;
  }

  // The bytes of every file of a directory, by name.
  static std::map<std::string, std::string> Files(const std::string& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::stringstream ss;
      ss << in.rdbuf();
      out[e.path().filename().string()] = ss.str();
    }
    return out;
  }

  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
  char oldDir_[4096] = {};
};

// A test with the demo application started in its own directory.
class AdmDemoTest : public ::testing::Test {
 protected:
  // False for a test that registers the built-ins through start phase 2.
  virtual bool Builtins() const { return true; }
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(app.Start(dir.path(), AdmDemoSpec{}, "", Builtins())); }
  void TearDown() override { app.Stop(); }
  TempDir dir;
  AdmApp app;
};
