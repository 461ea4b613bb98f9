// Shared parts of the report benchmarks. The accounts: a fresh runtime on a
// folder with n generated accounts in a data file of the demo accounting layout (CODE
// A10, NAME A40, CUR_PASSIVE and CUR_ASSETS 14 characters with 2
// decimals; key 1 on CODE) and the demo's trial balance COTRIAL.PDC on
// file 1 beside it.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <vector>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/hooks.h"
#include "data/bridges/dataui.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "runtime/dynstrings.h"
#include "runtime/memory.h"
#include "script/evaluator.h"
#include "script/taskhooks.h"
#include "script/variables.h"

inline StrValue Sv(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The demo's trial balance on file 1, its markers made bytes.
inline std::string Definition() {
  std::string text = ReadAll(std::string(KX_SOURCE_DIR) + "/apps/accounting/demo/pdc/COTRIAL.PDC");
  const std::pair<std::string, std::string> swaps[] = {
      {"{8}", "{1}"}, {"<17>", "\x17"}, {"<18>", "\x18"}, {"<19>", "\x19"}, {"<TAB>", "\t"}};
  for (const auto& [from, to] : swaps)
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
  return text;
}

inline std::string Amount(int64_t cents) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld.%02lld", static_cast<long long>(cents / 100), static_cast<long long>(cents % 100));
  return buf;
}

inline std::string Money(int64_t cents) {  // as the mask "##,###,##0.00" shows it
  std::string digits = std::to_string(cents / 100), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out + "." + (cents % 100 < 10 ? "0" : "") + std::to_string(cents % 100);
}

// A fresh runtime on dir with n accounts; the sums of the amounts.
inline bool Generate(const std::string& dir, int n, int64_t* debit, int64_t* credit) {
  MemShutdown(true);
  MemConfigure(512, 64);
  LayerHooksRegister();
  DataUiSet(DataUi());  // no windows here: no questions, boxes or progress
  TaskHooksReset();
  if (VarSysInit() != 0) return false;
  for (int f = 1; f <= kMaxDataFiles; ++f) DataFileCtrlInit(f);
  DynStrSet(SettingsList, SetIdentityItem, Sv("RBVCQT24:Bench"));
  DynStrSet(SettingsList, SetDefaultDirItem, Sv(dir));
  std::ofstream(dir + "/RBDICC.DAT", std::ios::binary)
      << "01 Accounts**01ACCOUNTS\r\n01 CODE  010 ACODE\r\n01 NAME  040 ANAME\r\n"
         "01 CURPA 014 2CUR_PASSIVE\r\n01 CURAS 014 2CUR_ASSETS\r\n31 <0001010\r\n";
  if (DicLoad(Sv(dir), Sv("RB"), Sv(dir)) != 0) return false;
  if (DataFileOpen(1, dfopen::kMakeCurrent) >= 128) return false;
  *debit = *credit = 0;
  for (int i = 0; i < n; ++i) {
    StrAreaScope scope;
    char code[16];
    std::snprintf(code, sizeof code, "%010d", 1000000000 + i);
    int64_t d = (i * 7919LL) % 100000, c = (i * 104729LL) % 90000;
    *debit += d;
    *credit += c;
    if (DataFileMove(1, dfmove::kNew) >= 128) return false;
    std::string name = "Account " + std::to_string(i);
    if (RecFieldSet(1, 1, Sv(code)) || RecFieldSet(1, 2, Sv(name)) || RecFieldSet(1, 3, Sv(Amount(d))) ||
        RecFieldSet(1, 4, Sv(Amount(c))))
      return false;
    if (DataFileInsert(1) >= 128) return false;
  }
  std::ofstream(dir + "/COTRIAL.PDC", std::ios::binary) << Definition();
  return ExpEvalStatus(Sv("COMPANY$='Bench company'")) == 0;
}

// The physical limit of an output: bytes written sequentially in 1 MiB
// blocks to a new file, closed, no sync; the seconds taken, -1 on failure.
inline double Limit(const std::string& path, uintmax_t bytes) {
  std::filesystem::remove(path);
  constexpr size_t kBlock = 1 << 20;
  std::vector<char> block(kBlock, 'x');
  auto t0 = std::chrono::steady_clock::now();
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return -1;
  for (uintmax_t left = bytes; left > 0;) {
    size_t n = static_cast<size_t>(std::min<uintmax_t>(left, kBlock));
    if (write(fd, block.data(), n) != static_cast<ssize_t>(n)) return -1;
    left -= n;
  }
  close(fd);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Makes dir afresh and the current folder; the folder before in *old.
inline bool EnterFreshFolder(const std::string& dir, std::string* old) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  char cwd[4096] = {};
  if (!getcwd(cwd, sizeof cwd) || chdir(dir.c_str()) != 0) return false;
  *old = cwd;
  return true;
}
