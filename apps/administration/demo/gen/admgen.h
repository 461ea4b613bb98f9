// The records of the demo administration application, written through the
// data layer so that every data file comes with a sound index.
//
// The demo set (AdmDemoSpec::demo): six customers whose codes have mixed
// lengths (two with their bank accounts as IBANs), two payment modes ("01"
// one payment, "02" two instalments), VAT rates 21 and 10 (folders bear
// 10), twenty delivery notes (one row each) entered out of customer order,
// in both payment modes, two of them without a customer and one already
// invoiced, and invoices 5 and 6 of series "A25" (series A, 2025; with their
// VAT registry entries and payments). The counters file "GACOUNT.DAT",
// beside the data files, holds 4 for the invoices of "A25" (5 and 6 were
// typed in without the counter), so the first invoice of a run must skip
// both numbers.
//
// The generated set (for benchmarks): `notes` delivery notes, a customer per
// `perCustomer` notes (codes of mixed length), payment modes alternating,
// every article at VAT 21, entered in a shuffled order; no counters file,
// so numbering starts at 1.
//
// The dictionary must be loaded and the files writable where it places
// them; every file the set uses is opened and emptied first. Answers 0 or
// the first data-file or evaluation error.
#pragma once
#include <cstdint>

#include "runtime/status.h"

struct AdmDemoSpec {
  bool demo = true;
  uint32_t notes = 0;
  uint32_t perCustomer = 10;
};

Status AdmDemoDataWrite(const AdmDemoSpec& spec);
