// Shared set-up of the dictionary and record-buffer tests: a runtime with the
// system variables and value tables, a private directory to write
// dictionaries into, and the fixture dictionaries of tests/fixtures.
#pragma once
#include <fstream>
#include <string>
#include <vector>

#include "data/dictionary/dictionary.h"
#include "runtime/errors.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

inline StrValue S(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

inline const std::string kDicFixtures = std::string(KX_FIXTURES_DIR) + "/dictionary";

class DicTest : public RuntimeTest {
 protected:
  TempDir dir;

  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(VarSysInit(), 0);
  }

  // Writes the lines, each ended by CR LF, as a file of the private directory.
  void Write(const std::string& name, const std::vector<std::string>& lines) {
    std::ofstream out(dir.File(name), std::ios::binary);
    for (const std::string& l : lines) out << l << "\r\n";
  }

  Status Load(const std::string& prefix, const std::string& dirs) {
    return DicLoad(S(dirs), S(prefix), S("DEFLOC"));
  }
  Status Load(const std::string& prefix) { return Load(prefix, dir.path()); }

  std::string Keys(int file) {  // "offset+length,..." per key, keys joined by " "
    std::string out;
    for (int k = 1; k <= DicKeyCount(file); ++k) {
      KeyPart p;
      uint16_t n = KeyPartsDesc(file, k, &p);
      out += k > 1 ? " " : "";
      for (int i = 0; i < n; ++i)
        out += (i ? "," : "") + std::to_string(p.part[i].offset) + "+" + std::to_string(p.part[i].length);
    }
    return out;
  }
};
