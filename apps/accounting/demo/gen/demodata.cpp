// Writes the accounting demo's data files into OUT, with the demo's
// dictionary and relation files of APP:
//
//   accounting_demodata APP OUT
//
// The entry lines go in through the relation statements, so the balances by
// month and the accounts' totals are the ones the program itself keeps.
#include <cstdio>

#include "apps/accounting/demo/gen/acgen.h"
#include "runtime/errors.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: accounting_demodata APP OUT\n");
    return 2;
  }
  Status s = AcGenRuntime();
  if (s == 0) s = AcGenOpen(argv[1], argv[2]);
  if (s == 0) s = AcGenAccounts(AcDemoAccounts());
  if (s == 0) s = AcGenLines(AcDemoLines(), true);
  if (s == 0) s = AcGenRegistry(AcDemoLines());
  Status c = AcGenClose();
  if (s == 0) s = c;
  if (s != 0) {
    std::fprintf(stderr, "accounting_demodata: %s\n", ErrText(s).Str().c_str());
    return 1;
  }
  return 0;
}
