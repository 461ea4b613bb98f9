// A runtime with the system variables, run inside a fresh directory that is
// also TEMP and the default directory, plus helpers for the printer table.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "devices/device.h"
#include "devices/prntable.h"
#include "runtime/dynstrings.h"
#include "runtime/streams.h"
#include "runtime/strvalue.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

inline StrValue S(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The printer table file: the caption head, then one record per given port.
struct PortRecord {
  std::string fields[10];
  unsigned char width = 80;
  unsigned char lines = 72;
};

inline std::string PrnTableBytes(std::initializer_list<PortRecord> ports) {
  std::string head = "Cond On,Cond Off,Wide On,Wide Off,Und On,Und Off,Bold On,Bold Off,Ital On,Ital Off,Width,Lines\r";
  head.resize(kPrnHeadSize, '\0');
  std::string out = head;
  for (const PortRecord& p : ports) {
    std::string rec(kPrnRecordSize, '\0');
    for (int f = 0; f < 10; ++f) rec.replace(f * kPrnFieldSize, p.fields[f].size(), p.fields[f]);
    rec[kPrnFieldWidth * kPrnFieldSize] = static_cast<char>(p.width);
    rec[kPrnFieldLines * kPrnFieldSize] = static_cast<char>(p.lines);
    out += rec;
  }
  return out;
}

// LPT1 of the tests: markers for each attribute, bold as ESC E / ESC F, an
// italic-on sequence with a NUL inside and an 8-byte italic-off sequence.
inline PortRecord TestPort() {
  PortRecord p;
  const char* f[10] = {"<C+>", "<C->", "<W+>", "<W->", "<U+>", "<U->", "\x1B" "E", "\x1B" "F", "", "ABCDEFGH"};
  for (int i = 0; i < 10; ++i) p.fields[i] = f[i];
  p.fields[8] = std::string("\x1B\0\x34", 3);
  p.width = 132;
  p.lines = 66;
  return p;
}
// What opening or closing LPT1 sends: fields 1, 3, 5, 7, 9.
inline std::string TestPortOff() { return std::string("<C-><W-><U->\x1B" "FABCDEFGH"); }

class DeviceTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    TaskHooksReset();
    ASSERT_EQ(VarSysInit(), 0);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    const char* temp = std::getenv("TEMP");
    hadTemp_ = temp != nullptr;
    if (temp) oldTemp_ = temp;
    setenv("TEMP", dir_.path().c_str(), 1);
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(dir_.path())), 0);
  }
  void TearDown() override {
    StreamCloseAll();
    std::filesystem::current_path(old_);
    if (hadTemp_) setenv("TEMP", oldTemp_.c_str(), 1);
    else unsetenv("TEMP");
    TaskHooksReset();
    RuntimeTest::TearDown();
  }
  std::string Path(const std::string& name) const { return dir_.File(name); }
  std::string Read(const std::string& name) const { return ReadFile(Path(name)); }
  // The ports' targets LPT1-LPT6, set up beside the program as empty
  // files: a port with none (no queue, no LPTn$, no such file) has no
  // printer behind it.
  void PortFiles() {
    for (int p = 1; p <= 6; ++p) WriteFile(Path("LPT" + std::to_string(p)), "");
  }
  void Table(std::initializer_list<PortRecord> ports) {
    WriteFile(Path(kPrnTableFile), PrnTableBytes(ports));
    PrnTableForget();
  }

  TempDir dir_;

 private:
  std::filesystem::path old_;
  std::string oldTemp_;
  bool hadTemp_ = false;
};
