// The payments schedule window: the instalments of one record (due date and
// amount) typed in the rows of a grid pad, loaded from the payments file or
// proposed by a generator form, and written back as records on Ok.
//
// A schedule is described by a definition file read under three events:
// CREATE (`_AUX` 1, the generator), EDIT (2, loading and the window) and the
// data file's name in upper case (3, the save). Parameters:
//   WINNAME$   the window's title (EDIT) and the form's title (CREATE)
//   ACBOUND$   the grid's columns (EDIT; default "'Pay Date':'D8','Amount':'29'")
//              and the form's fields (CREATE; default below)
//   RD_EXP$    EDIT: the row assignment that fills a grid row from a stored
//              record
//   ALARM$     CREATE: true asks the form again (default "VNE>36")
//   SET$, WR_EXP$, EOT_EXP$   CREATE: the start, the row assignment, the end
//              condition of the proposal; on save (event 3) with RD_COND$ the
//              append loop that writes the rows as records
//   MAXLIN%    the grid's maximum rows (default 100)
//
// The generator's defaults split the total IMP# into VNE equal instalments
// from the date IDATE$, every VCD days or VCM months; the last takes the
// remainder, so they sum to the total. A number of payments below 1 is asked
// again as ALARM$ does.
//
// The save loses nothing: the stored instalments of the key are kept in
// memory before they are deleted; when a write fails, what was written under
// the key is removed again and the kept records go back. The error is shown
// in the error box and the schedule answers it.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// The window spec: item 1 the definition file (and the payments data file
// of that name, when the dictionary has one), item 2 the definition's tag,
// item 4 the rows shown, item 8 the name of a value of the caller's
// definition run (macro-expanded) after a schedule saved without error,
// item 9 the expression of the record's key. An empty key opens nothing
// (0); a key that fails to evaluate answers its error. PayDate$ must be
// registered (else the assertion "PayDate$ Not Defined").
Status PaymentsSchedule(StrValue spec);
// The schedule of the key: file the payments data file (0: none, nothing
// loaded or saved), rows shown (0: 4), max rows (0: 36). 122 when the window
// was cancelled, the save's error when it failed.
Status PaymentsMaintenance(int file, StrValue key, int32_t rows, int32_t maxRows);
// The generator over the pad's grid: 122 when the form is cancelled.
Status PaymentsGenerate(int grid);
// The grid pad's exit handler: writes the rows (above); answers 8.
Status PaymentsGridSave(uint8_t kind);
// Task 11 of the administration program: on event 25, PaymentsSchedule over
// the first ";" item of the current definition's WINDOWS$ item 1,
// normalised (a spec holding commas is written quoted), as the accounting
// program opens it; other events answer 0.
Status PaymentsTask(int event);
