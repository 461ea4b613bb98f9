#include "data/transactions/transsetup.h"

#include "data/store/datafile.h"
#include "data/bridges/dataui.h"
#include "runtime/messages.h"

StrValue TransTableList() { return DataFileNames(); }

int TransTableChoose(Status* status) {
  StrAreaScope scope;
  int n = DataChoose(Msg("0085 Table Selection"), TransTableList(), status);
  if (*status == 0 && n > 0) DataFileSetCurrent(n);
  return *status == 0 ? n : 0;
}
