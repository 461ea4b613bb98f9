// The forms of the transactions (data/transactions/trans.h), shown for the data layer
// through its hooks (data/bridges/dataui.h, registered at start-up): the bounds form
// and the file name and confirmation forms. Under BATCHMODE (mode bit
// 0x100) neither asks anything and both answer 0.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// The form titled message 0057 "Transaction Bounds" over ACBOUND$ (nothing
// when it is empty): its search condition (field, operator and value of
// each answered spec, quoted safely, "==" with "*" a pattern) is joined to
// COND$ with "&&". A form without operators (the default "1{}": field 1
// from) gives the bounds instead: its answers become LIMITS$, the first
// the lower bound of the key range, the second the upper one. The form's
// status: 0, 122 cancelled, or its error.
Status TransBounds(uint16_t mode);
// Stage 0: the form titled message 0055 "Transaction Data Needed" with the
// field of message 0056 asks the external file's name, which becomes
// parameter item 0; stages 3 (error) and 4 (done) show the ACCONFIRM$ form
// titled message 0051 "Transaction Confirmation" when ACCONFIRM$ is set.
// Other stages ask nothing. The form's status.
Status TransConfirm(int stage, uint16_t mode);
// An information box with the default caption (the data layer's DataInfo).
Status TransInfoBox(StrValue text);
