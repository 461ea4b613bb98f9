// Balance-sheet labels: balance models, label amounts in the label array
// "_#(", the full balance with its log and its output template.
//
// A balance model n is the pair of definition files "COBAL<n>1.DAT" and
// "COBAL<n>2.DAT" (found along the default directory list), read as
// object-parameter strings and joined by ":". Each ":"-item
//   NAME=caption,"account;kind,account;kind,..."
// names a label; the account list is quoted when it holds more than one item
// (its quotes are stripped when it is read); an account is a code or a code
// prefix, the kind a balance kind 1-6 (balance.h). Items without "=" are
// skipped. A ":" inside a caption would end the item: captions must not hold
// one.
//
// Models loaded by AcBalanceModelFiles live in a store of their own, never
// on the parameter-string stack (string list 31), so the caller's object
// parameters stay current. The full balance takes its labels from the
// parameter string that is current when it runs (list 31 top), which is how
// reports and procedures hand it their model.
//
// Labels are hierarchical: "_" separates levels, and an amount stored under
// A_B_C is added to A_B_C, A_B and A. The label-name list (_ACUMX$) holds
// every name and prefix stored since the last clear; label k of the list
// (1-based) is element base + k - 1 of "_#(", base 0 for the current period
// and 128 for the previous year. A 129th name would reach the previous
// year's elements: it answers 141 with the name in the detail.
//
// Logs: the full balance switches the log file to "BALANCE_LOG.TXT"; every
// account item with movements writes message 1011 (item, debit, credit,
// running label total) and every element changed writes message 1012 (name,
// element, new value), with log flag 1.
#pragma once
#include <cstdint>
#include <string>

#include "apps/accounting/balance.h"
#include "runtime/fixednum.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kAcLabelMax = 128;  // names of the list; also the previous year's base
constexpr int kAcPrevYearBase = 128;
extern const char kAcModelFiles[];     // "COBAL%s1.DAT,COBAL%s2.DAT"
extern const char kAcBalanceLog[];     // "BALANCE_LOG.TXT"

// Loads model n into the model store: 0, or 164 with both names in the
// detail when neither file exists, or the reader's error.
Status AcBalanceModelFiles(int n);
// Loads model n and answers its label names as a comma list.
StrValue AcBalanceModelLabels(int n);
// The account lists of the labels of the comma list (in the loaded model),
// joined by ",".
StrValue AcLabelAccounts(StrValue labels);

// Sums the accounts of the list into *total (folded by their kinds); 163
// without a total; a kind outside 1-6 answers 163 with the item in the
// detail; a cancel of the progress poll answers its status.
Status AcLabelAmount(const std::string& accounts, DateYmd from, DateYmd to, const std::string& keySuffix,
                     uint16_t idSelect, FixedNum* total);
Status AcLabelStore(const std::string& label, int base, FixedNum amount);
// The amount of a label at a column base; 0 for a name not in the list.
FixedNum AcLabelValue(const std::string& label, int column);
// Every label of the model text: its amount over the range stored at base
// (base 0 first clears the array and the list).
Status AcCalcFullBalance(DateYmd from, DateYmd to, const std::string& keySuffix, uint16_t idSelect, int base,
                         const std::string& model);
// Runs the post-calculation text POSTCLC<n>$ (n not 0): quoted label names
// become their element numbers, then the text is executed.
Status AcPostCalc(int n);
// Merges the template (the file of the target's name, found as named or
// along the default directory list) into the target: lines holding the marker are expanded with
// the text macros, the others keep the target's line at the same position
// (the template's when there is none). The target is replaced whole, so a
// failure leaves the old one; 131 when the template or the target cannot be
// written or read.
Status AcFullBalanceOut(StrValue target, StrValue marker);

// The built-ins (registered by the layer at start phase 2). AcGetBalance
// leaves the debit and credit of its account in elements 1 and 2 of "_#(",
// the elements of labels 2 and 3 of a full balance computed before it.
Status AcBiFullBalance(const uint16_t* kinds, uint16_t count);
Status AcBiGetBalance(const uint16_t* kinds, uint16_t count);
Status AcBiBLabel(const uint16_t* kinds, uint16_t count);
