// Every default text of the framework and of the two programs, by number.
// Bytes are Windows-1252: non-ASCII letters are written as hex escapes, each
// ending its literal so that a following letter is not read as a hex digit.
#include "runtime/msgtable.h"

namespace {

// 0001-0039: boxes, answers, locale texts, maintenance and document windows.
constexpr char kBlock1[] =
    "0005 Process Completed Succesfully\t"
    "0006 Cancelled by user\t"
    "0007 There are no saved configurations\t"
    "0008 Warning \t"
    "0009 Error \t"
    "0010 Not defined\t"
    "0011 Yy,Nn\t"
    "0012 Information Message\t"
    "0013 Fatal Error Ocurred\t"
    "0014 Information Request\t"
    "0016 Process in progress.....\t"
    "0017 Bad params for screen field %s\r\n (%s)\t"
    "0018 Posible loss of data. Please Confirm\t"
    "0019 .,'0123456789.-D',' NY','  ,NO,YES'\t"
    "0020 Cancel\t"
    "0022 File Maintenance,Data Capture\t"
    "0023 Key not Found,End of file,,,Bad Key,Repeated Key,Concurrent Change. Update "
    "canceled,Data Change. Please confirm,Passwords do not match\t"
    "0024 Key Updated Canceled\t"
    "0025 Delete Record(s)?\t"
    "0026 View,Insert,Delete,Seek\t"
    "0027 Header Capture,Type of Document,Index search [PgDn/PgUp],Editing [PgDn/PgUp],"
    "Line editing,Summary editing,Data saved,New,Modify,Insert Mode,Maintenance Mode,"
    "Print Disabled,Print Enabled,Read Only\t"
    "0028 New,Top,Prev.,Next,Bottom,Search,Save,Delete\t"
    "0029 Cancel,Find,Save,Insert,Del.Line,Import,Del.Doc.,Print mode\t"
    "0030 Cancel,PgUp.,PgDn.,Save,Insert,Delete,Import,Mode\t"
    "0031 Process not defined\t"
    "0032 There are windows open (%i Screens, %i Windows)\t"
    "0033 Remember your Safety Copies\n\r\xBF"
    "Do you want to Close Program? (%i Screens, %i Windows)\t"
    "0037 Only available at Index area\t"
    "0038 Only available in Maintenance Mode,For appending data is recommended to use "
    "Insertion Mode";

// 0040-0089: dialogs, file filters, help, forms of transfers and reports.
constexpr char kBlock2[] =
    "0049 Choose Selection\t"
    "0051 Transaction Confirmation\t"
    "0055 Transaction Data Needed\t"
    "0056 'File Name:':'A40'\t"
    "0057 Transaction Bounds\t"
    "0058 Import Window\t"
    "0060 All Files (%s),%s\t"
    "0061 FileStruct Files (%s),%s\t"
    "0062 Screen Files (%s),%s\t"
    "0063 Print Document Files (%s),%s\t"
    "0064 Script Files (%s),%s\t"
    "0065 AppSelect Files (%s),%s\t"
    "0066 Menu Files (%s),%s\t"
    "0067 PDF Files (%s),%s\t"
    "0068 Text Files (%s),%s\t"
    "0070 Help\t"
    "0071 Help Pages\t"
    "0072 Help Page not defined\t"
    "0073 Untitled Window #%s\t"
    "0080 (Bigger than),(Smaller than),(Equal to),(From),(To)  ,(No Equal to)\t"
    "0081 Report Limits Capture\t"
    "0082 Device Selection\t"
    "0083 Speed:,Parity:,Lines:,Width:,Step:,View:\t"
    "0084 No Selection done\t"
    "0085 Table Selection\t"
    "0086 Limit Fields Selection\t"
    "0087 Relational Update\t"
    "0088 Target File";

// 0090-0130: transfer forms, recovery, the month names.
constexpr char kBlock3[] =
    "0094 'Relational Update Type:':'N1'\t"
    "0095 'Target File:':'A255'::'%s','Append mode:':'L1'::'1'\t"
    "0096 Fields Selection\t"
    "0097 Save this Configuration?\t"
    "0098 Transaction selector\t"
    "0099 Update Expresion\t"
    "0100 'Update Expresion:':'A256'\t"
    "0101 Counted %s rows in %s\t"
    "0111 Export Relative,4,Export Secuential,20,Export Delimited,52,Export List,16404,Import Relative,5,"
    "Import Secuential,21,Import Delimited,53,Counter,128,Self Update,1,Relational Update,3,"
    "Relational Unupdate,11,Deletion,8,Saved configuration,0\t"
    "0115 Last session uncorrectly closed. Recovering data\t"
    "0117 'January,February,March,April,May,June,July,August,September,October,November,"
    "December','[M] [D],[Y]'";

// The accounting program's own messages; 1020 names the accounting fields.
constexpr char kBlock4Accounting[] =
    "1001 Delete Full Entry?\t"
    "1002 Asiento Predefinido. Inserci\xF3"
    "n no permitida\t"
    "1003 Asiento existente. \xBF"
    "Continuar?\t"
    "1004 The year to %s is already closed: the accounts open on %s. Undo year close reopens it.\t"
    "1011 ;%-15s   %10s   %10s   %10s\t"
    "1012 '(%s)';_#(%s)=%s\t"
    "1020 CODE,CUR_PASSIVE,CUR_ASSETS,DATE,ENTRY,TYPE,PASS_ACC,ASSET_ACC,AMOUNT,ACC.,DATE,"
    "P_EXPIRED,A_EXPIRED,ACC_ID{%s},CHK#(PASS_ACC{}>'0';-DSC1#;DSC1#),ACCOUNT.%s{3},"
    "'.,CODE{6}, ,SUBACC{6},_,SUBACC{6}'";

// The administration program's own messages.
constexpr char kBlock4Administration[] =
    "1001 Invoice Number already exist. Please change current number\t"
    "1002 VAT Registry data not found\t"
    "1003 Redundant data. %s identical registries. Confirm Deletion?";

constexpr std::string_view View(const char* block, size_t size) { return {block, size - 1}; }

}  // namespace

std::string_view MsgTableBlock(int block, std::string_view prefix) {
  switch (block) {
    case 1: return View(kBlock1, sizeof kBlock1);
    case 2: return View(kBlock2, sizeof kBlock2);
    case 3: return View(kBlock3, sizeof kBlock3);
    case 4:
      if (prefix == "CO") return View(kBlock4Accounting, sizeof kBlock4Accounting);
      if (prefix == "GA") return View(kBlock4Administration, sizeof kBlock4Administration);
      return {};
    default: return {};
  }
}

int MsgTableBlockOf(std::string_view number) {
  if (number > "0999") return 4;
  if (number >= "0090") return 3;
  if (number < "0040") return 1;
  return 2;
}

std::string_view MsgTableLookup(std::string_view number, std::string_view prefix) {
  if (number.size() < 4) return {};
  std::string_view key = number.substr(0, 4);
  std::string_view block = MsgTableBlock(MsgTableBlockOf(key), prefix);
  size_t start = 0;
  while (start < block.size()) {
    size_t end = block.find('\t', start);
    if (end == std::string_view::npos) end = block.size();
    std::string_view entry = block.substr(start, end - start);
    if (entry.substr(0, 4) == key) return entry.size() > 5 ? entry.substr(5) : std::string_view();
    start = end + 1;
  }
  return {};
}
