// Report definitions: the input is a definition "FZREP.PDC", a line "@@@@",
// and a file "INC.PDC" it may :INCLUDE or read as :DYNAMIC_LINE. The report
// runs over a data file of three records on a text file of 20 lines of 60
// columns.
#include <cstring>

#include "fuzz/harness.h"
#include "data/store/datafile.h"
#include "data/store/datastore.h"
#include "data/dictionary/dictionary.h"
#include "devices/report.h"

namespace {

// Three live records in key order, no free number: F = 0, N = 3, key 1 [0 1 2].
std::string Index() {
  const uint32_t words[] = {0, 3, 0, 1, 2};
  std::string out(sizeof words, '\0');
  std::memcpy(out.data(), words, sizeof words);  // little-endian hosts only, as the store
  return out;
}

}  // namespace

KX_FUZZ_TARGET(reports) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 2);
  FuzzWriteFile("FZDICC.DAT",
                "01 Clients**01CLIENTS\r\n01 CODE  004 ACODE\r\n01 NAME  006 ANAME\r\n31 <0001004\r\n");
  FuzzWriteFile("CLIENTS.FD", "C01 Anna  C02 Bob   C03 Carl  ");
  FuzzWriteFile("CLIENTS.DIR", Index());
  FuzzWriteFile("FZREP.PDC", part[0]);
  FuzzWriteFile("INC.PDC", part[1]);
  const StrAreaScope scope;
  FuzzAppSettings();
  if (DicLoad(StrFromC("."), StrFromC("FZ"), StrFromC(".")) != 0) return 0;
  if (DataFileOpen(1, dfopen::kMakeCurrent | dfopen::kReadOnly) >= 128) return 0;
  DataFileMove(1, dfmove::kFirst);
  ReportRun(StrFromC("out.txt /LP:20 /WD:60"), nullptr, StrFromC("FZREP.PDC"), StrFromC(""), StrFromC(""),
            StrFromC("C"), StrFromC(""), StrFromC("NONE"), StrFromC(""));
  return 0;
}
