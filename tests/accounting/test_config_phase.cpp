#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "apps/accounting/layer.h"
#include "runtime/dynstrings.h"
#include "runtime/fixednum.h"
#include "runtime/strvalue.h"
#include "script/evaluator.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

namespace {

class ConfigPhaseTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    TaskHooksReset();
    ASSERT_EQ(VarSysInit(), 0);
    Set(SetIdentityItem, "COVCQT24:Orbisquale");
    Set(SetDefaultDirItem, dir.path());
  }
  static void Set(uint16_t item, const std::string& v) {
    ASSERT_EQ(DynStrSet(SettingsList, item, StrMake(v.data(), static_cast<uint32_t>(v.size()))), 0);
  }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir.File(name)) << text; }
  static int64_t Num(const char* text) { return ExpEvalNum(StrFromC(text)); }
  TempDir dir;
};

// Phase 2 runs the configuration files (the fixed one must exist, later files
// override earlier ones) and sets RLV; phases 1 and 3 do nothing yet.
TEST_F(ConfigPhaseTest, PhaseTwoRunsTheConfigurationFiles) {
  EXPECT_EQ(AcAppCallback(2 * 16 + 2), 164);
  Write("COCLCFIX.DAT", "a=1\r\nb=1\r\n");
  Write("KXCLCUSR.DAT", "b=2\r\n");
  EXPECT_EQ(AcAppCallback(2 * 16 + 1), 0);
  EXPECT_EQ(Num("RLV"), 0);
  EXPECT_EQ(AcAppCallback(2 * 16 + 2), 0);
  EXPECT_EQ(Num("a*100+b*10+RLV"), 12100);
}

}  // namespace
