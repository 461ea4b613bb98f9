// A runtime with the system variables, a fixed "today" (2023-12-31) and the
// built-in locale; helpers switch to English or to a Spanish catalogue.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "platform/host/clock.h"
#include "runtime/dynstrings.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

// Views: the text must outlive the use (a C string literal always does).
inline StrValue S(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }
inline StrValue S(const char* s) { return StrFromC(s); }

// Decimal comma, point separator, S/N letters, Spanish months and template.
inline const std::string kSpanish0019 = ",.'0123456789,-D',' NS','  ,NO,SI'";
inline const std::string kSpanish0117 =
    "'Enero,Febrero,Marzo,Abril,Mayo,Junio,Julio,Agosto,Septiembre,Octubre,Noviembre,Diciembre',"
    "'[D] de [M] de [Y]'";

// The locale text as start-up stores it: 0019 NUL 0117 NUL blank.
inline std::string LocaleText(const std::string& a, const std::string& b) {
  return a + std::string(1, '\0') + b + std::string(1, '\0') + " ";
}

class FormatTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    TaskHooksReset();
    ASSERT_EQ(VarSysInit(), 0);
    LocaleReset();
    clock_.SetLocal({2023, 12, 31, 10, 0, 0});
  }
  void TearDown() override {
    LocaleReset();
    TaskHooksReset();
    RuntimeTest::TearDown();
  }
  void Use(const char* lang, const std::string& locale) {
    ASSERT_EQ(DynStrSet(SettingsList, SetLanguageItem, S(lang)), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetLocaleItem, S(locale)), 0);
    ASSERT_EQ(LocaleLoad(), 0);
  }
  void English() { Use("EN", BuiltinLocaleText()); }
  // The texts of the built-in message table.
  static std::string BuiltinLocaleText() {
    return LocaleText(MsgCatalogFind(S("0019")).Str(), MsgCatalogFind(S("0117")).Str());
  }
  void Spanish() { Use("ES", LocaleText(kSpanish0019, kSpanish0117)); }

  ManualClock clock_;
  ClockScope scope_{&clock_};
};
