#include "apps/administration/demo/gen/admgen.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "apps/administration/admfuncs.h"
#include "apps/administration/counters.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "runtime/errors.h"
#include "runtime/paths.h"

namespace {

// Files of the demo dictionary by number.
enum DemoFile : int {
  kCustomers = 1,
  kArticles = 2,
  kSeries = 3,
  kPayModes = 4,
  kVatRates = 5,
  kRegistry = 6,
  kNotes = 7,
  kPayments = 8,
  kInvoices = 14,
  kCollections = 15,
};

using Fields = std::vector<std::pair<const char*, std::string>>;

// The series of the demo's invoices of 2025: series "A" and the year.
constexpr const char* kSeries2025 = "A25";

StrValue View(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

// A new record of file from field values (stored through the field types),
// inserted with its relation statements when `relations` is set.
Status Add(int file, const Fields& fields, bool relations = false) {
  StrAreaScope scope;
  if (Status s = DataFileMove(file, dfmove::kNew); s >= 128) return s;
  for (const auto& [name, value] : fields) {
    uint16_t field = DicFieldFind(file, StrFromC(name));
    if (field == 0xffff) {
      ErrDetailSet(st::SINTAXERROR, StrFromC(name), false);
      return ErrSet(1, MOD_DATAFILE, st::SINTAXERROR, st::SINTAXERROR);
    }
    if (Status s = RecFieldSet(file, field, View(value))) return s;
  }
  Status s = relations ? DataFileAction(dfact::kInsert, file, StrMake("", 0), StrMake("", 0)) : DataFileInsert(file);
  return s >= 128 ? s : 0;
}

std::string Cents(int64_t cents) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%lld.%02lld", cents < 0 ? "-" : "", static_cast<long long>(std::llabs(cents) / 100),
                static_cast<long long>(std::llabs(cents) % 100));
  return buf;
}

struct Note {
  int number;
  std::string date, customer, article, payMode;
  int qty;
  int64_t priceCents;
  int invoice = 0;
};

Status AddNote(const Note& n) {
  return Add(kNotes, {{"NUMBER", std::to_string(n.number)},
                      {"N_LINE", "1"},
                      {"DATE", n.date},
                      {"CUSTOMER", n.customer},
                      {"ARTICLE", n.article},
                      {"QTY", std::to_string(n.qty)},
                      {"PRICE", Cents(n.priceCents)},
                      {"AMOUNT", Cents(n.qty * n.priceCents)},
                      {"INVOICE", std::to_string(n.invoice)},
                      {"INVSERIES", n.invoice ? kSeries2025 : ""},
                      {"PAYMODE", n.payMode}});
}

// The tables; folders bear the reduced VAT rate (`folderVat`).
Status Tables(int nextNumber, const char* folderVat) {
  const Fields modes[] = {{{"CODE", "01"}, {"NAME", "Cash"}, {"DAYS", "0"}},
                          {{"CODE", "02"}, {"NAME", "Two instalments"}, {"DAYS", "30,60"}}};
  for (const Fields& f : modes) {
    if (Status s = Add(kPayModes, f)) return s;
  }
  if (Status s = Add(kSeries, {{"CODE", "A"}, {"NAME", "Invoices"}, {"NEXTNUM", std::to_string(nextNumber)}})) return s;
  // Credit notes: the invoice window's document type "Credit note" gives
  // them series R of the year.
  if (Status s = Add(kSeries, {{"CODE", "R"}, {"NAME", "Credit notes"}, {"NEXTNUM", "1"}})) return s;
  if (Status s = Add(kVatRates, {{"CODE", "21"}, {"RATE", "21"}, {"SURCHARGE", "5.2"}})) return s;
  if (Status s = Add(kVatRates, {{"CODE", "10"}, {"RATE", "10"}, {"SURCHARGE", "1.4"}})) return s;
  const char* const articles[][4] = {{"PAPER", "Paper A4", "4.25", "21"},
                                     {"TONER", "Toner", "61.90", "21"},
                                     {"STAPLER", "Stapler", "12.50", "21"},
                                     {"FOLDER", "Folder", "1.75", folderVat}};
  for (const auto& a : articles) {
    if (Status s = Add(kArticles, {{"CODE", a[0]}, {"NAME", a[1]}, {"PRICE", a[2]}, {"VAT", a[3]}})) return s;
  }
  return 0;
}

// The invoice counter of series A in 2025, kept in the counters file beside
// the data files: 4, as invoices 5 and 6 were typed in without it.
Status Counters() {
  StrAreaScope scope;
  StrValue dir = PathSplit(DataFileName(kInvoices, 2), kPathDrive | kPathDir);
  return AutoNumWriteIn(PathJoin(dir, StrFromC("GACOUNT.DAT")), std::string("INVOICES_") + kSeries2025, 4);
}

// An invoice of one line of PAPER made earlier: its header (N_LINE blank,
// the total with VAT), its line (quantity and price as printed; the registry
// entry follows from the lines' relations) and its one payment.
Status PastInvoice(int number, const std::string& date, const std::string& customer, int qty, int64_t priceCents,
                   int note) {
  int64_t baseCents = qty * priceCents;
  int64_t vat = (baseCents * 21 + 50) / 100;
  Fields common = {{"NUMBER", std::to_string(number)}, {"SERIES", kSeries2025}, {"DATE", date},
                   {"CUSTOMER", customer},             {"PAYMODE", "01"}};
  Fields line = common, header = common;
  line.insert(line.end(), {{"N_LINE", "1"},
                           {"VATRATE", "21"},
                           {"ARTICLE", "PAPER"},
                           {"QTY", std::to_string(qty)},
                           {"PRICE", Cents(priceCents)},
                           {"AMOUNT", Cents(baseCents)},
                           {"DELNOTE", std::to_string(note)},
                           {"DELLINE", note ? "1" : "0"}});
  header.push_back({"TOTAL", Cents(baseCents + vat)});
  if (Status s = Add(kInvoices, header, true)) return s;
  if (Status s = Add(kInvoices, line, true)) return s;
  return Add(kPayments, {{"NUMBER", std::to_string(number)},
                         {"SERIES", kSeries2025},
                         {"N_LINE", "1"},
                         {"DUEDATE", date},
                         {"AMOUNT", Cents(baseCents + vat)},
                         {"PAID", "1"}});
}

Status DemoSet() {
  // Code, name, payment mode, bank account, credit limit, active.
  const char* const customers[][6] = {{"ACME", "Acme Supplies", "01", "ES9121000418450200051332", "5000", "1"},
                                      {"B", "Bodega Luna", "02", "", "1500", "1"},
                                      {"C1", "Casa Uno", "01", "ES7921000813610123456789", "3000", "1"},
                                      {"C10", "Ciclos Diez", "02", "", "0", "0"},
                                      {"MIX", "Mixto y Asociados", "01", "", "2000", "1"},
                                      {"ZETA12", "Zeta Doce", "02", "", "800", "1"}};
  for (const auto& c : customers) {
    if (Status s = Add(kCustomers, {{"CODE", c[0]}, {"NAME", c[1]}, {"PAYMODE", c[2]}, {"BANK", c[3]},
                                    {"CREDIT", c[4]}, {"ACTIVE", c[5]}}))
      return s;
  }
  if (Status s = Tables(5, "10")) return s;
  // Entered out of customer order; most customers in both payment modes.
  const Note notes[] = {
      {101, "20250303", "ZETA12", "PAPER", "02", 10, 425},  {102, "20250303", "C1", "TONER", "01", 1, 6190},
      {103, "20250304", "B", "STAPLER", "02", 2, 1250},     {104, "20250304", "", "FOLDER", "01", 5, 175},
      {105, "20250305", "ACME", "PAPER", "01", 20, 425},    {106, "20250305", "C10", "TONER", "02", 2, 6190},
      {107, "20250306", "C1", "FOLDER", "02", 12, 175},     {108, "20250306", "MIX", "STAPLER", "01", 1, 1250},
      {109, "20250307", "ZETA12", "TONER", "01", 1, 6190},  {110, "20250307", "ACME", "FOLDER", "02", 30, 175},
      {111, "20250310", "B", "PAPER", "02", 4, 425},        {112, "20250310", "C10", "PAPER", "01", 8, 425},
      {113, "20250311", "C1", "PAPER", "01", 6, 425},       {114, "20250311", "", "TONER", "02", 1, 6190},
      {115, "20250312", "MIX", "FOLDER", "02", 3, 175},     {116, "20250312", "ACME", "TONER", "01", 1, 6190},
      {117, "20250313", "ZETA12", "STAPLER", "02", 3, 1250}, {118, "20250313", "C10", "STAPLER", "02", 1, 1250},
      {119, "20250314", "B", "TONER", "01", 1, 6190},       {120, "20250228", "C1", "PAPER", "01", 2, 425, 6},
  };
  for (const Note& n : notes) {
    if (Status s = AddNote(n)) return s;
  }
  if (Status s = PastInvoice(5, "20250220", "ACME", 20, 500, 0)) return s;
  if (Status s = PastInvoice(6, "20250228", "C1", 2, 425, 120)) return s;
  return Counters();
}

Status GeneratedSet(uint32_t count, uint32_t perCustomer) {
  uint32_t customers = std::max<uint32_t>(1, (count + perCustomer - 1) / std::max<uint32_t>(perCustomer, 1));
  std::vector<std::string> codes(customers);
  for (uint32_t c = 0; c < customers; ++c) {
    // Codes of mixed length: 1 to 6 characters.
    char buf[16];
    std::snprintf(buf, sizeof buf, "%c%u", static_cast<char>('A' + c % 26), c / 26);
    codes[c] = std::string(buf).substr(0, 6);
    if (Status s = Add(kCustomers, {{"CODE", codes[c]}, {"NAME", "Customer " + codes[c]}})) return s;
  }
  if (Status s = Tables(1, "21")) return s;
  std::vector<uint32_t> order(count);
  for (uint32_t i = 0; i < count; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(20250301));
  static const char* const articles[] = {"PAPER", "TONER", "STAPLER", "FOLDER"};
  static const int64_t prices[] = {425, 6190, 1250, 175};
  for (uint32_t i : order) {
    Note n{static_cast<int>(i + 1), "202503" + std::string(i % 28 < 9 ? "0" : "") + std::to_string(i % 28 + 1),
           codes[i % customers], articles[i % 4], i / customers % 2 ? "02" : "01", static_cast<int>(1 + i % 7),
           prices[i % 4]};
    if (Status s = AddNote(n)) return s;
  }
  return 0;
}

}  // namespace

Status AdmDemoDataWrite(const AdmDemoSpec& spec) {
  for (int f : {kCustomers, kArticles, kSeries, kPayModes, kVatRates, kRegistry, kNotes, kPayments, kInvoices,
                kCollections}) {
    if (Status s = DataFileOpen(f, 0); s >= 128) return s;
  }
  return spec.demo ? DemoSet() : GeneratedSet(spec.notes, spec.perCustomer);
}
