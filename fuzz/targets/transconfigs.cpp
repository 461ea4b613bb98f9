// Saved transaction configurations: the input is a configurations file
// "FZTRANS.PPN", a line "@@@@", a name, a line "@@@@", and a file "in.txt"
// a saved import may read. The names of tag 0 are read and
// split, the set-ups of the first tags run (on a data file of the fixed
// dictionary below, holding one record), and the current parameter set is
// saved under the name, which rewrites the file around its other lines.
#include "fuzz/harness.h"
#include "data/store/datafile.h"
#include "data/store/datastore.h"
#include "data/dictionary/dictionary.h"
#include "data/transactions/trans.h"
#include "screens/transactions/transmenu.h"
#include "screens/transactions/transsave.h"
#include "script/evaluator.h"

KX_FUZZ_TARGET(transconfigs) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 3);
  FuzzWriteFile("FZDICC.DAT",
                "01 Clients**01CLIENTS\r\n01 CODE  004 ACODE\r\n01 NAME  006 ANAME\r\n01 BAL   010 2BAL\r\n"
                "31 <0001004\r\n");
  FuzzWriteFile("CLIENTS.FD", "");
  FuzzWriteFile("CLIENTS.DIR", "");
  FuzzWriteFile("FZTRANS.PPN", part[0]);
  FuzzWriteFile("in.txt", part[2]);
  const StrAreaScope scope;
  FuzzAppSettings();
  if (DicLoad(StrFromC("."), StrFromC("FZ"), StrFromC(".")) != 0) return 0;
  if (DataFileOpen(1, dfopen::kMakeCurrent) >= 128) return 0;
  if (DataFileMove(1, dfmove::kNew) < 128) {
    ExpExecText(StrFromC("CODE{1}='C01',NAME{1}='Anna',BAL{1}=12.5"));
    DataFileInsert(1);
  }
  DataFileClose(1);
  const StrValue file = StrFromC("FZTRANS.PPN");
  std::vector<std::string> names = TransNamesSplit(TransConfigNames(file).View());
  for (size_t tag = 1; tag <= names.size() && tag <= 3; ++tag) {
    const StrAreaScope one;
    TransRunTag(file, static_cast<int>(tag), names[tag - 1]);
    DataFileCloseAll();
  }
  std::string name(part[1].substr(0, part[1].find('\n')));
  TransParmSet(kTrFile, StrFromC("CLIENTS"));
  TransParmSet(kTrStruct, FuzzStr(name));
  TransConfigStore(file, name, tmode::kExport);
  TransConfigNames(file);
  return 0;
}
