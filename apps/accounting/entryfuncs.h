// The accounting built-ins on accounts, entry lines, accumulations by month,
// level templates and imports (the balance built-ins live with the balance
// engine, AcFitEntry with the entry-line ordering).
//
// AcGetEntry and AcGetPerAcum walk a set of rows gathered when they are
// called with their arguments; `_CURROW` is the current row. The rows are
// held by this module, one set for the entry lines and one for the balances
// by month, so a walk that is abandoned holds no shared selection slot, and a
// new starting call simply replaces the previous set.
//
// AcGetEntry gathers the entry lines through keys 2 and 3 (which lead with
// the debited and the credited account), so its cost follows the lines of
// the accounts asked for; the rows are then put in key-1 order, a line whose
// two accounts both match taken once.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/status.h"
#include "runtime/strvalue.h"

Status AcBiGetAccount(const uint16_t* kinds, uint16_t count);
Status AcBiGetEntry(const uint16_t* kinds, uint16_t count);
Status AcBiGetEntryNum(const uint16_t* kinds, uint16_t count);
Status AcBiGetPerAcum(const uint16_t* kinds, uint16_t count);
Status AcBiGetPAccount(const uint16_t* kinds, uint16_t count);
Status AcBiImport(const uint16_t* kinds, uint16_t count);

// The entry lines from key-1 text `from` to `to` (a key counts while its
// first to.size() bytes are not above `to`) with either account in the range
// the account gives (a shorter account is padded with "0" and "9"): the
// first row is read into the entries file's record. 0 a row read, 2 none.
Status AcEntryOpen(const std::string& from, const std::string& to, const std::string& account);
// Reads row `_CURROW` + n: 0, or 2 at the end (the rows are then let go).
Status AcEntrySeek(int n);
// The entry-number engine of AcGetEntryNum: *number receives the number.
Status AcEntryNumber(std::string date, const std::string& entryText, bool force, int64_t* number);

// Rows of the current entry walk (0 when none).
size_t AcEntryRows();

// The level's account code for an account (empty when the account is not
// under the level's root).
std::string AcLevelAccount(int level, const std::string& account, Status* status);
