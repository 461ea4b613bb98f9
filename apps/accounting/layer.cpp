#include "apps/accounting/layer.h"

#include "apps/accounting/acdata.h"
#include "apps/accounting/balance.h"
#include "apps/accounting/tasks.h"
#include "data/dictionary/relations.h"
#include "data/store/runstatus.h"
#include "data/scans/statistics.h"
#include "runtime/dynstrings.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/strlist.h"
#include "screens/forms/accept.h"
#include "screens/datascreens/mantwin.h"
#include "screens/menus/appconfig.h"
#include "screens/menus/help.h"
#include "screens/transactions/jobsteps.h"
#include "screens/menus/menucmd.h"
#include "screens/forms/msgbox.h"
#include "script/arrays.h"
#include "script/evaluator.h"
#include "script/expfiles.h"
#include "script/scanner.h"
#include "script/statements.h"
#include "script/payments.h"
#include "script/taskhooks.h"

namespace {

constexpr uint8_t kKindFiles[] = {3, 6, 7, 8, 9, 10};
constexpr int kMaintenanceMode = 86;  // 'V'
constexpr int kConfigOpeningItem = 3;  // the parameter file that holds FAPE$

// Phase 1: the task hooks in the order of the program's table (4-7, 23,
// 10-16 through the registering wrapper, then 22 and 17 directly), the
// label array, the statistics built-in with its work-file hook, and the
// statement handlers.
Status PhaseOne() {
  CommonControlsInit();
  struct Task {
    int id;
    TaskFn fn;
  };
  const Task wrapped[] = {{4, AcceptParmExit},     {5, AcceptDocExit},      {6, AcceptStepsExit},
                          {7, JobStepsHook},       {kHookLowLevel, TaskLowLevel}, {10, AcCloseYear},
                          {11, AcUncloseYear},     {12, AcTaskRunProcedure}, {13, AcRegistryOperDev},
                          {14, AcRegistryOperDev}, {15, AcTaskRenumber},    {16, AcTaskBalanceMaint}};
  for (const Task& t : wrapped)
    if (TaskHookRegister(t.fn, t.id) != t.id) return st::INTERNALERROR;
  if (TaskHookSet(FieldHelpFn(FieldHelpMenu), kHookFieldHelp) != kHookFieldHelp) return st::INTERNALERROR;
  if (TaskHookSet(TaskFn(AcTaskEntryWindow), 17) != 17) return st::INTERNALERROR;
  Status s = BuiltinCheckName(StrFromC("_#("));
  if (s >= 128) return s;
  if ((s = StatMoveRegister()) != 0) return s;
  ExecRunUtilsInit();
  return 0;
}

// Phase 2: the built-ins (a failure is shown and start-up goes on), the help
// directory, the configuration files and RLV=1; then the run is marked open
// in the run status file.
Status PhaseTwo(int phase) {
  Status s = AcRegisterFunctions();
  if (s == 0) s = PayDateRegister();
  if (s != 0) ErrShow(s);
  {
    StrAreaScope mark;
    StrValue help = PathJoin(AppPath(APPPATH_DEFAULT), StrFromC("Help"));
    if ((s = StrError(help)) == 0) s = HelpTopicSet(help);
    if (s != 0) return s;
  }
  if ((s = AppConfigPhase(phase)) != 0) return s;
  return RunStatusFile(1);
}

}  // namespace

int AcAppCallback(int phase) {
  switch (phase & 15) {
    case 1: return PhaseOne();
    case 2: return PhaseTwo(phase);
    default: return 0;
  }
}

Status AcMenuAction(int code, StrValue text) {
  // A run status file changed behind the program's back stops every command.
  if (Status s = RunStatusFile(2)) return s;
  switch (static_cast<uint16_t>(static_cast<uint32_t>(code) >> 16)) {
    case kVerbMantMain: return MantWindow(text, kMaintenanceMode);
    case kVerbLnManMain: return 0;
    case kVerbLnNavMain: return LnNavMain(text);
    default: return MenuCmdDispatch(code, text);
  }
}

// --- Files and fields ---------------------------------------------------------------

int AcFileNum(int kind) {
  int low = kind & 0xff;
  int file = low < static_cast<int>(sizeof kKindFiles) ? kKindFiles[low] : 0;
  return (kind & ~0xff) | file;
}

StrValue AcFieldName(int n) {
  uint16_t m = StrAreaMark(-1);
  StrValue item = n > 0 ? StrListItem(Msg("1020"), ',', static_cast<uint32_t>(n)) : StrMake("", 0);
  return StrAreaReturn(m, item);
}

std::string AcFieldPlainName(int n) {
  StrAreaScope mark;
  std::string name = AcStr(AcFieldName(n));
  return name.substr(0, name.find('{'));
}

uint16_t AcAccountCodeWidth() {
  DataFieldDesc code;
  return AcFieldOf(kAcAccounts, kAcCode, &code) == 0 ? code.length : 0;
}

Status AcSaveOpeningDate(StrValue date) {
  if (Status e = StrError(date)) return e;
  StrAreaScope mark;
  StrValue file = StrListItem(StrFromC(kAppConfigFiles), ',', kConfigOpeningItem);
  StrValue names = StrCat(StrFromC("FAPE$;"), ExpQuoteText(date));
  if (Status e = StrError(names)) return e;
  return ExpVarsSaveFile(file, names);
}

// --- Stored totals --------------------------------------------------------------------

namespace {

// Rewrites (or, for an account without a record, inserts) the account's
// record with its totals.
Status StoreTotals(int file, const std::string& account, const AcAmounts& a) {
  StrAreaScope mark;
  std::string ref = AcStr(DicFileRefSuffix(file));
  std::string text = AcFieldPlainName(kAcCurPassive) + ref + "=" + AcNumText(a.debit) + ";" +
                     AcFieldPlainName(kAcCurAssets) + ref + "=" + AcNumText(a.credit);
  Status s = DataFileReadKey(file, 1, AcView(account), 1);
  if (s >= 128) return s;
  return RelRecordStore(file, AcView(text), s == 0 ? 0 : relflag::kInsert);
}

}  // namespace

Status AcSetBalances(StrValue dateFrom, StrValue dateTo) {
  DateYmd from = 0, to = 0;
  Status s = AcDateArg(dateFrom, kAcOpenFrom, &from);
  if (s == 0) s = AcDateArg(dateTo, kAcOpenTo, &to);
  if (s != 0) return s;
  AcFileUse use;
  // The entry lines and balances stay open for the whole walk.
  if ((s = use.Take(kAcAccounts, true)) != 0 || (s = use.Take(kAcEntries, false)) != 0 ||
      (s = use.Take(kAcMonths, false)) != 0)
    return s;
  uint16_t width = AcAccountCodeWidth();
  if (width == 0) return st::SINTAXERROR;
  std::string code(width, '0');
  while (true) {
    std::string next = AcFindAccount(code, from, to, 2, &s);
    if (s != 0 || next.empty()) break;
    AcAmounts a = AcAccountBalance(next, from, to, "", kAcIdAll);
    if ((s = a.status) != 0) break;
    if ((s = StoreTotals(use.File(kAcAccounts), next, a)) >= 128) break;
    s = 0;
    code = next;
  }
  return s;
}
