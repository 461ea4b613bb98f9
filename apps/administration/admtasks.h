// Tasks and built-ins of the administration program whose Parts come later:
// each answers 148 with its name until then.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Verb 8: the "File Maintenance" navigation window over a window spec.
Status MantFileWinRun(StrValue spec);
// Task 8: the key-limited selection of a screen's records.
Status MovsKeySelectAction(int event);
// Task 12: the document actions on the VAT registry, invoices and payments.
Status AdmTaskDocActions(int event);
// Registers VATv, VAT$, AUTONUM, DocSer$ and FN$TXTN; then, after PayDate$,
// Iban$ and Mod (AdmBankBuiltinsRegister).
Status AdmBuiltinsRegister();
Status AdmBankBuiltinsRegister();
