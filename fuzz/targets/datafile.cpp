// The data-file open checks and the record store over what they accept: the
// input is a data file "CLIENTS.FD", a line "@@@@", and its index
// "CLIENTS.DIR", of the fixed dictionary below (records of 10 bytes, key 1
// the code, key 2 the name and the code). The pair is opened (read-only when
// the data file's first byte is odd), stepped through by both keys in both
// directions, searched, written to (a new record, an update, a delete) and
// closed, which saves the index.
#include "fuzz/harness.h"
#include "data/store/datafile.h"
#include "data/store/datastore.h"
#include "data/dictionary/dictionary.h"
#include "script/evaluator.h"

namespace {

constexpr int kMaxSteps = 64;

void Walk(int key, uint16_t first, uint16_t next) {
  DataFileKeySet(1, key);
  Status s = DataFileMove(1, first);
  for (int i = 0; i < kMaxSteps && s < 2; ++i) s = DataFileMove(1, next);
}

}  // namespace

KX_FUZZ_TARGET(datafile) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 2);
  FuzzWriteFile("FZDICC.DAT",
                "01 Clients**01CLIENTS\r\n01 CODE  004 ACODE\r\n01 NAME  006 ANAME\r\n"
                "31 <0001004\r\n31 <00050060001004\r\n");
  FuzzWriteFile("CLIENTS.FD", part[0]);
  FuzzWriteFile("CLIENTS.DIR", part[1]);
  const StrAreaScope scope;
  FuzzAppSettings();
  if (DicLoad(StrFromC("."), StrFromC("FZ"), StrFromC(".")) != 0) return 0;
  const bool readOnly = !part[0].empty() && (part[0][0] & 1);
  if (DataFileOpen(1, dfopen::kMakeCurrent | (readOnly ? dfopen::kReadOnly : 0)) >= 128) return 0;
  Walk(1, dfmove::kFirst, dfmove::kNext);
  Walk(2, dfmove::kLast, dfmove::kPrev);
  DataFileReadKey(1, 1, StrFromC("C"), 0);
  DataFileReadKey(1, 2, StrFromC("N"), dfmove::kAlsoOn1);
  if (!readOnly) {
    DataFileKeySet(1, 1);
    if (DataFileMove(1, dfmove::kNew) < 128) {
      ExpExecText(StrFromC("CODE{1}='ZZ99',NAME{1}='fuzz'"));
      DataFileInsert(1);
    }
    if (DataFileMove(1, dfmove::kFirst) == 0) {
      ExpExecText(StrFromC("NAME{1}='upd'"));
      DataFileUpdate(1);
    }
    if (DataFileMove(1, dfmove::kLast) == 0) DataFileDelete(1, 0);
    Walk(1, dfmove::kFirst, dfmove::kNext);
  }
  DataFileClose(1);
  return 0;
}
