#include "apps/accounting/demo/gen/acgen.h"

#include <map>
#include <tuple>

#include "app/hooks.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "script/variables.h"

namespace {

constexpr int kRegistry = 6, kDocuments = 7, kAccounts = 8, kEntries = 9, kMonths = 10;

StrValue View(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

std::string Date8(DateYmd d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08d", d);
  return buf;
}

std::string Amount(int64_t cents) {
  char buf[32];
  int64_t mag = cents < 0 ? -cents : cents;
  std::snprintf(buf, sizeof buf, "%s%lld.%02lld", cents < 0 ? "-" : "", static_cast<long long>(mag / 100),
                static_cast<long long>(mag % 100));
  return buf;
}

Status Set(int file, const char* field, const std::string& value) {
  uint16_t f = DicFieldFind(file, StrFromC(field));
  if (f == 0xffff) return st::SINTAXERROR;
  uint16_t m = StrAreaMark(-1);
  Status s = RecFieldSet(file, f, View(value));
  StrAreaMark(m);
  return s;
}

Status Fresh(int file) {
  Status s = DataFileMove(file, dfmove::kNew);
  return s == dfres::kNewRecord ? 0 : s;
}

// A record inserted with its fields; a repeated key is an error here.
Status Insert(int file, const std::vector<std::pair<const char*, std::string>>& fields) {
  Status s = Fresh(file);
  for (const auto& [name, value] : fields)
    if (s == 0) s = Set(file, name, value);
  if (s == 0) s = DataFileInsert(file);
  return s;
}

Status LineFields(const AcGenLine& l) {
  Status s = Fresh(kEntries);
  const std::pair<const char*, std::string> fields[] = {
      {"DATE", Date8(l.date)},  {"ENTRY", std::to_string(l.entry)}, {"N_LINE", std::to_string(l.line)},
      {"PASS_ACC", l.debit},    {"ASSET_ACC", l.credit},            {"AMOUNT", Amount(l.cents)},
      {"CONCEPT", l.text},      {"ACC_ID", std::to_string(l.accId)},  {"TYPE", l.type}};
  for (const auto& [name, value] : fields)
    if (s == 0) s = Set(kEntries, name, value);
  return s;
}

std::string Group(const std::string& account, size_t width) {
  std::string g = account.substr(0, 3);
  return g + std::string(width > 3 ? width - 3 : 0, ' ');
}

std::string Padded(const std::string& account, size_t width) {
  return account.size() >= width ? account : account + std::string(width - account.size(), ' ');
}

}  // namespace

Status AcGenRuntime() {
  LayerHooksRegister();
  MemConfigure(512, -1);
  Status s = MemInit();
  if (s == 0 || s == st::UNDEFWARNING) s = VarSysInit();
  return s == st::UNDEFWARNING ? 0 : s;
}

Status AcGenOpen(const std::string& app, const std::string& data) {
  Status s = DynStrSet(SettingsList, SetIdentityItem, StrFromC("COVCQT24:Orbisquale"));
  if (s == 0) s = DynStrSet(SettingsList, SetDefaultDirItem, View(app));
  if (s == 0) s = DicLoad(View(app), StrFromC("CO"), View(data));
  for (int file : {kAccounts, kMonths, kEntries}) {
    if (s != 0) break;
    DataFileCtrlInit(file);
    s = DataFileOpen(file, 0);
    if (s < 128) s = 0;
  }
  return s;
}

Status AcGenAccounts(const std::vector<AcGenAccount>& accounts) {
  Status s = 0;
  for (const AcGenAccount& a : accounts)
    if (s == 0) s = Insert(kAccounts, {{"CODE", a.code}, {"NAME", a.name}});
  return s;
}

Status AcGenLines(const std::vector<AcGenLine>& lines, bool relations) {
  Status s = 0;
  for (const AcGenLine& l : lines) {
    if (s != 0) break;
    s = LineFields(l);
    if (s == 0) s = relations ? DataFileAction(dfact::kInsert, kEntries, StrFromC(""), StrFromC("")) : DataFileInsert(kEntries);
  }
  if (s != 0 || relations) return s;
  // Balances by month of every account and 3-character group, by month and
  // ACC_ID; each account's totals.
  size_t width = DicFieldLen(kMonths, DicFieldFind(kMonths, StrFromC("ACC.")));
  std::map<std::tuple<std::string, DateYmd, int>, std::pair<int64_t, int64_t>> months;
  std::map<std::string, std::pair<int64_t, int64_t>> totals;
  for (const AcGenLine& l : lines) {
    DateYmd month = l.date / 100 * 100 + 1;
    for (const std::string& a : {Padded(l.debit, width), Group(l.debit, width)}) months[{a, month, l.accId}].first += l.cents;
    for (const std::string& a : {Padded(l.credit, width), Group(l.credit, width)})
      months[{a, month, l.accId}].second += l.cents;
    totals[l.debit].first += l.cents;
    totals[l.credit].second += l.cents;
  }
  for (const auto& [key, sums] : months) {
    const auto& [account, month, id] = key;
    s = Insert(kMonths, {{"ACC.", account},
                         {"DATE", Date8(month)},
                         {"ACC_ID", std::to_string(id)},
                         {"P_EXPIRED", Amount(sums.first)},
                         {"A_EXPIRED", Amount(sums.second)}});
    if (s != 0) return s;
  }
  for (const auto& [account, sums] : totals) {
    s = DataFileReadKey(kAccounts, 1, View(account), 0);
    if (s >= 128) return s;
    if (s != 0) continue;
    s = Set(kAccounts, "CUR_PASSIVE", Amount(sums.first));
    if (s == 0) s = Set(kAccounts, "CUR_ASSETS", Amount(sums.second));
    if (s == 0) s = DataFileUpdate(kAccounts);
    if (s != 0) return s;
  }
  return 0;
}

Status AcGenRegistry(const std::vector<AcGenLine>& lines) {
  Status s = 0;
  for (int file : {kRegistry, kDocuments}) {
    DataFileCtrlInit(file);
    if (s == 0 && (s = DataFileOpen(file, 0)) < 128) s = 0;
  }
  for (size_t i = 0; i < lines.size() && s == 0; ++i) {
    const AcGenLine& l = lines[i];
    s = Insert(kRegistry, {{"DATE", Date8(l.date)},
                           {"ENTRY", std::to_string(l.entry)},
                           {"N_LINE", std::to_string(l.line)},
                           {"CODE", l.debit},
                           {"TEXT", l.text},
                           {"AMOUNT", Amount(l.cents)}});
    if (s != 0 || l.line != 1) continue;
    char number[16], document[32];
    std::snprintf(number, sizeof number, "%06d", l.entry);
    std::snprintf(document, sizeof document, "DOC-%08d-%06d", l.date, l.entry);
    s = Insert(kDocuments,
               {{"DATE", Date8(l.date)}, {"ENTRY", number}, {"N_LINE", "1"}, {"DOCUMENT", document}, {"TEXT", l.text}});
  }
  return s;
}

Status AcGenClose() { return DataFileCloseAll(); }

// --- The demo application's data ------------------------------------------------------

std::vector<AcGenAccount> AcDemoAccounts() {
  static const char* const kChart[][2] = {
      {"1000000000", "Capital social"},
      {"1290000000", "Resultado del ejercicio"},
      {"1700000000", "Deudas a largo plazo con entidades de credito"},
      {"2110000000", "Construcciones"},
      {"2160000000", "Mobiliario"},
      {"2170000000", "Equipos para procesos de informacion"},
      {"2810000000", "Amortizacion acumulada del inmovilizado material"},
      {"3000000000", "Mercaderias"},
      {"4000000001", "Proveedor Suministros del Norte"},
      {"4000000002", "Proveedor Papeleria Central"},
      {"4000000003", "Proveedor Distribuciones Levante"},
      {"4100000001", "Acreedor Asesoria Fiscal"},
      {"4300000001", "Cliente Comercial Iberia"},
      {"4300000002", "Cliente Talleres Ruiz"},
      {"4300000003", "Cliente Hostal La Plaza"},
      {"4300000004", "Cliente Construcciones Soler"},
      {"4720000000", "Hacienda Publica, IVA soportado"},
      {"4750000000", "Hacienda Publica, acreedora por retenciones"},
      {"4760000000", "Organismos de la Seguridad Social, acreedores"},
      {"4770000000", "Hacienda Publica, IVA repercutido"},
      {"5200000000", "Deudas a corto plazo con entidades de credito"},
      {"5700000000", "Caja, euros"},
      {"5720000001", "Banco Mediterraneo, cuenta corriente"},
      {"5720000002", "Caja Rural, cuenta corriente"},
      {"6000000000", "Compras de mercaderias"},
      {"6210000000", "Arrendamientos y canones"},
      {"6220000000", "Reparaciones y conservacion"},
      {"6230000000", "Servicios de profesionales independientes"},
      {"6250000000", "Primas de seguros"},
      {"6260000000", "Servicios bancarios y similares"},
      {"6280000000", "Suministros"},
      {"6290000000", "Otros servicios"},
      {"6400000000", "Sueldos y salarios"},
      {"6420000000", "Seguridad Social a cargo de la empresa"},
      {"6620000000", "Intereses de deudas"},
      {"6810000000", "Amortizacion del inmovilizado material"},
      {"7000000000", "Ventas de mercaderias"},
      {"7050000000", "Prestaciones de servicios"},
      {"7690000000", "Otros ingresos financieros"},
  };
  std::vector<AcGenAccount> out;
  std::string last;
  for (const auto& a : kChart) {
    std::string group = std::string(a[0]).substr(0, 3);
    if (group != last) out.push_back({group, std::string("Grupo ") + group});
    last = group;
    out.push_back({a[0], a[1]});
  }
  return out;
}

std::vector<AcGenLine> AcDemoLines() {
  std::vector<AcGenLine> out;
  uint32_t seed = 20240101;
  auto vary = [&](int64_t base) {  // base +- 25 %, in cents
    seed = seed * 1103515245u + 12345u;
    return base * (75 + static_cast<int64_t>((seed >> 16) % 51)) / 100;
  };
  for (int year : {2024, 2025}) {
    int entry = 0, begun = 0;
    DateYmd date = 0;
    int line = 0;
    // December 2025 is numbered as renumbering finds it: a number skipped
    // before each entry, and on its last day two entries numbered from one
    // below the count of the year's entries (the number the day's first
    // entry gets when the year is renumbered from 1) and reaching it.
    auto begin = [&](int month, int day) {
      date = year * 10000 + month * 100 + day;
      ++begun;
      entry = year == 2025 && month == 12 ? (day == 31 ? begun - 1 : entry + 2) : entry + 1;
      line = 0;
    };
    auto add = [&](const char* debit, const char* credit, int64_t cents, const std::string& text, int id = 0) {
      out.push_back({date, entry, ++line, debit, credit, cents, id, text, ""});
    };
    // The opening entry of the year (ACC_ID 60).
    begin(1, 1);
    add("5720000001", "1000000000", year == 2024 ? 3000000 : 1850000, "Asiento de apertura", 60);
    add("5720000002", "1700000000", year == 2024 ? 2000000 : 1200000, "Asiento de apertura", 60);
    if (year == 2024) add("2160000000", "5720000001", 800000, "Asiento de apertura", 60);
    for (int month = 1; month <= 12; ++month) {
      int k = (month - 1) % 4;  // the customer and supplier of the month
      std::string customer = "430000000" + std::to_string(k + 1);
      std::string supplier = "400000000" + std::to_string(k % 3 + 1);
      begin(month, 3);
      add("5700000000", "5720000001", vary(30000), "Reposicion de caja");
      begin(month, 5);
      add("6210000000", "5720000001", 120000, "Alquiler del local");
      begin(month, 10);
      int64_t base = vary(450000);
      add("6000000000", supplier.c_str(), base, "Factura de compra");
      add("4720000000", supplier.c_str(), base * 21 / 100, "IVA factura de compra");
      if (month % 2 == 1) {
        begin(month, 12);
        add("6280000000", "5720000002", vary(36000), "Suministro electrico");
      }
      begin(month, 15);
      base = vary(980000);
      add(customer.c_str(), "7000000000", base, "Factura de venta");
      add(customer.c_str(), "4770000000", base * 21 / 100, "IVA factura de venta");
      if (month % 2 == 0) {
        begin(month, 16);
        add(customer.c_str(), "7050000000", vary(150000), "Prestacion de servicios");
      }
      if (month % 2 == 0) {
        begin(month, 18);
        add("6290000000", "5700000000", vary(18000), "Gastos varios de caja");
      }
      begin(month, 20);
      add("5720000002", customer.c_str(), vary(700000), "Cobro de cliente");
      begin(month, 25);
      add(supplier.c_str(), "5720000001", vary(400000), "Pago a proveedor");
      begin(month, 28);
      add("6400000000", "5720000001", 210000, "Nomina del mes");
      add("6400000000", "4750000000", 36000, "Retencion IRPF nomina");
      add("6420000000", "4760000000", 78000, "Seguridad Social empresa");
      if (year == 2025 && month == 5)  // a predefined entry: the window protects its lines
        for (size_t i = out.size() - 3; i < out.size(); ++i) out[i].type = "NM";
      if (year == 2024 && month == 2) {
        begin(2, 29);
        add("6250000000", "5720000001", 64000, "Prima de seguro anual");
      }
      if (month % 3 == 0) {
        begin(month, month == 6 || month == 9 ? 30 : 31);
        add("4760000000", "5720000001", 234000, "Liquidacion Seguridad Social");
        add("6620000000", "5720000002", vary(25000), "Intereses del prestamo");
        add("1700000000", "5720000002", 150000, "Amortizacion del prestamo");
        add("6260000000", "5720000002", vary(7500), "Comisiones bancarias");
      }
    }
    begin(12, 31);
    add("6810000000", "2810000000", 96000, "Amortizacion anual del mobiliario");
    if (year == 2025) begin(12, 31);
    add("5720000002", "7690000000", vary(4000), "Intereses de la cuenta");
  }
  return out;
}
