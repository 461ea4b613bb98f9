// Document actions on the VAT registry, invoices and payments: what a
// document window asks of task 12 for the document just checked, saved or
// deleted.
//
// An action list is a comma list of items, each a word ("Registry",
// "Invoice" or "Payments", matched byte for byte like menu verbs) and, after
// a blank, an argument. The set in force is `_AUX` (1-5), so one list serves
// every moment of a document's life:
//
//   | `_AUX` | Registry            | Invoice             | Payments                 |
//   |--------|---------------------|---------------------|--------------------------|
//   | 2      | 163                 | AdmInvoiceNumCheck  | 163                      |
//   | 3      | 163                 | 163                 | AdmDocPayments           |
//   | 4      | AdmDocRegistryWrite | AdmDocInvoiceUpdate | 163                      |
//   | 5      | delete the registry | AdmDocInvoiceDelete | delete from the named    |
//   |        | entries (none: 1002 |                     | file (no such file: 163  |
//   |        | shown, 121)         |                     | naming it)               |
//   | other  | 163                 | 163                 | 163                      |
//
// Items run in order while each answers 0; the first other answer is the
// list's. The payments walk answers 1 when done, so it ends the list: an
// item after it never runs (definitions put it last).
//
// The document is the current data file's current record; the registry is
// data file 6, the invoices file 14. Parameters of the current definition:
// SET$, INDEX%, WR_EXP$, RD_COND$, WRITECAB0$, WRITELINS$.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

struct GridBuffer;

constexpr int kAdmRegistryFile = 6;
constexpr int kAdmInvoiceFile = 14;

// Runs the action list (above).
Status AdmDocActions(StrValue list);
// Task 12: the action list is the first item of the current definition's
// WINDOWS$ (one pair of quotes removed), as the other tasks of a window take
// their argument; a document window's event runs it with the window's
// definition current (MovsEventRun).
Status AdmTaskDocActions(int event);

// SET$ as a condition: true warns with 1001 and answers 163; else 0.
Status AdmInvoiceNumCheck();
// SET$ as a condition: false warns with 1001 and answers 163; true runs
// WRITECAB0$ and (with SET$ given) the invoice file's action 0x100, then the
// same with WRITELINS$. Errors of 128 and above stop.
Status AdmDocInvoiceUpdate();
// SET$ as an integer c; WR_EXP$ runs; with SET$ given the registry record is
// inserted (c non-zero) or updated (c 0).
Status AdmDocRegistryWrite();
// Deletes the invoice document of the current invoice record (its key 1 up
// to the line number), puts that record back, then deletes its registry
// entries (AdmDocFileAction).
Status AdmDocInvoiceDelete();
// Deletes the records of `file` related to the current record: the key text
// is the relation key of that file (relation 1) evaluated, the key number the
// one written with it. No key: 144. Answers below 122 count as 0; *deleted,
// when given, receives the number of records deleted.
Status AdmDocFileAction(int file, int* deleted = nullptr);
// The records of `file` with the current record's key 1 that meet the
// condition: none shows the 127 box and answers 0; two or more ask 1003
// with their count (No: nothing deleted, 122); one, or Yes, deletes them.
Status AdmRedundantConfirm(int file, StrValue condition);
// The payment rows of the current window's lines grid as payment records of
// the current data file (AdmDocPaymentRows).
Status AdmDocPayments();
// The rows of the buffer: after the last stored N_LINE of the key SET$ (on
// key INDEX%), each row's cells go into the record, `_LNUM` = base + the
// row's place among the rows walked, and RD_COND$ says what to do: 1 insert
// (WR_EXP$ item 1 first), 2 AdmRedundantConfirm with WR_EXP$ item 4, 3-5
// 148, 0 nothing, another value ends the walk with it. Done: 1. `_LNUM` is
// put back afterwards. When a column shows the file's N_LINE, a row showing
// a number is on file already and is not walked, and an inserted row shows
// the number it was stored with: a document saved again, or loaded with its
// payments, writes none of them twice. When every row then shows a number
// the document counts as saved (its lines unchanged, its record's saved
// copy the current one).
Status AdmDocPaymentRows(GridBuffer& rows);
