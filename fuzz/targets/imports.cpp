// Import files: the input is the transaction's settings, a line "@@@@", and
// the external file "IN.TXT". The settings' first line is the mode (a
// number; only the bits an import may carry are kept, and IMPORT,
// EXTERNFILE and BATCHMODE are always set, so no form is asked), the
// following lines STRUCT$, FLDELIM$, BUFFSIZE and HEADER$. The file is
// imported into a data file of the fixed dictionary below that holds two
// records, and the data file is stepped through afterwards.
#include <cstdlib>

#include "fuzz/harness.h"
#include "data/store/datafile.h"
#include "data/store/datastore.h"
#include "data/dictionary/dictionary.h"
#include "data/transactions/trans.h"
#include "script/evaluator.h"

namespace {

constexpr uint16_t kModeBitsKept = tmode::kUpdate | tmode::kDeleting | tmode::kStream | tmode::kDelimited |
                                   tmode::kAppend | tmode::kIndexChk | tmode::kOverwrite | tmode::kHumanRead;
constexpr uint16_t kModeBitsSet = tmode::kImport | tmode::kExternFile | tmode::kBatchMode;

}  // namespace

KX_FUZZ_TARGET(imports) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 2);
  FuzzWriteFile("FZDICC.DAT",
                "01 Clients**01CLIENTS\r\n01 CODE  004 ACODE\r\n01 NAME  006 ANAME\r\n01 BAL   010 2BAL\r\n"
                "01 SINCE 008 DSINCE\r\n31 <0001004\r\n31 <00050060001004\r\n");
  FuzzWriteFile("CLIENTS.FD", "");
  FuzzWriteFile("CLIENTS.DIR", "");
  FuzzWriteFile("IN.TXT", part[1]);
  const StrAreaScope scope;
  FuzzAppSettings();
  if (DicLoad(StrFromC("."), StrFromC("FZ"), StrFromC(".")) != 0) return 0;
  if (DataFileOpen(1, dfopen::kMakeCurrent) >= 128) return 0;
  for (const char* rec : {"CODE{1}='C01',NAME{1}='Anna',BAL{1}=12.5,SINCE{1}='20240131'",
                          "CODE{1}='C02',NAME{1}='Bob',BAL{1}=0-3,SINCE{1}='19991231'"}) {
    if (DataFileMove(1, dfmove::kNew) < 128) {
      ExpExecText(StrFromC(rec));
      DataFileInsert(1);
    }
  }
  DataFileClose(1);

  std::vector<std::string> line;
  std::string_view settings = part[0];
  while (line.size() < 5) {
    size_t end = settings.find('\n');
    std::string one(settings.substr(0, end));
    if (!one.empty() && one.back() == '\r') one.pop_back();
    line.push_back(one);
    settings = end == std::string_view::npos ? std::string_view() : settings.substr(end + 1);
  }
  const auto mode = static_cast<uint16_t>((std::strtoul(line[0].c_str(), nullptr, 0) & kModeBitsKept) | kModeBitsSet);
  const TransItem items[] = {kTrStruct, kTrFlDelim, kTrBuffSize, kTrHeader};
  for (size_t i = 0; i < 4; ++i) TransParmSet(items[i], FuzzStr(line[i + 1]));
  DataFileSetCurrent(1);
  TransRun(StrFromC("IN.TXT"), mode, nullptr);
  DataFileCloseAll();
  if (DataFileOpen(1, dfopen::kReadOnly | dfopen::kMakeCurrent) < 128) {
    Status s = DataFileMove(1, dfmove::kFirst);
    for (int i = 0; i < 64 && s < 2; ++i) s = DataFileMove(1, dfmove::kNext);
    DataFileClose(1);
  }
  return 0;
}
