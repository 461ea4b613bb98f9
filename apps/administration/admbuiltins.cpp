#include "apps/administration/admbuiltins.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "apps/administration/amountwords.h"
#include "apps/administration/bankcheck.h"
#include "apps/administration/counters.h"
#include "apps/administration/vattable.h"
#include "runtime/errors.h"
#include "runtime/sysvars.h"
#include "script/builtins.h"

namespace {

StrValue View(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

// A text where a number is wanted is a syntax error here.
Status Syntax(Status s) { return s == st::TYPEMISMATCH ? st::SINTAXERROR : s; }

Status NumArg(uint16_t n, FixedNum def, FixedNum* out) { return Syntax(BuiltinArgNum(n, def, out)); }

Status LongArg(uint16_t n, int32_t def, int32_t* out) { return Syntax(BuiltinArgLong(n, def, out)); }

// Argument n as a text (empty when absent); a number is 147.
Status TextArg(uint16_t n, std::string* out) {
  StrValue v = BuiltinArgStr(n, StrMake("", 0));
  if (Status e = StrError(v)) return Syntax(e);
  *out = v.Str();
  return 0;
}

// Argument n as a text of digits: a text as it is, a whole non-negative
// number as its digits, any other number as its number text.
Status DigitsArg(uint16_t n, std::string* out) {
  FixedNum v = 0;
  if (BuiltinArgAbsent(n) || BuiltinArgNum(n, 0, &v) != 0) return TextArg(n, out);
  int64_t unit = Pow10(NumPrecis());
  if (v >= 0 && v % unit == 0) {
    *out = std::to_string(v / unit);
    return 0;
  }
  StrValue text = BuiltinArgAsText(n, StrMake("", 0));
  if (Status e = StrError(text)) return e;
  *out = text.Str();
  return 0;
}

uint16_t WrapCursor() { return static_cast<uint16_t>(VarSysIntGet(kSysUser03)); }
void WrapCursorSet(uint32_t c) { VarSysIntSet(kSysUser03, static_cast<int16_t>(std::min<uint32_t>(c, 0xffff))); }

// FN$TXTN(number) / FN$TXTN(text[;width]).
Status AmountInWords(const uint16_t* kinds, uint16_t) {
  if (Status s = BuiltinArgCount(1, 2)) return s;
  if (!BuiltinArgAbsent(1) && (kinds[0] & 1) == kArgKindNum) {
    if (BuiltinArgTotal() != 1) return st::SINTAXERROR;
    FixedNum amount = 0;
    if (Status s = NumArg(1, 0, &amount)) return s;
    std::string words;
    if (Status s = TxtnNumberWords(amount, NumPrecis(), std::max<int>(VarSysIntGet(kSysDX), 0), &words)) return s;
    WrapCursorSet(0);
    return BuiltinResultStr(View(words));
  }
  std::string text;
  int32_t width = 0;
  if (Status s = TextArg(1, &text)) return s;
  if (Status s = LongArg(2, 0, &width)) return s;
  uint32_t cursor = WrapCursor();
  std::string piece(TxtnWrapNext(text, width, &cursor));
  WrapCursorSet(cursor);
  return BuiltinResultStr(View(piece));
}

// VAT$(table) / VAT$(table;rates) / VAT$(table;rate;amount).
Status VatTableFn(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 3)) return s;
  std::string table, out;
  if (Status s = TextArg(1, &table)) return s;
  if (BuiltinArgTotal() == 2) {
    StrValue rates = BuiltinArgAsText(2, StrMake("", 0));
    if (Status e = StrError(rates)) return e;
    return BuiltinResultStr(View(VatWithRates(table, rates.View())));
  }
  FixedNum rate = 0, amount = 0;
  if (Status s = NumArg(2, 0, &rate)) return s;
  if (Status s = NumArg(3, 0, &amount)) return s;
  if (Status s = VatAdd(table, rate, amount, &out)) return s;
  return BuiltinResultStr(View(out));
}

// VATv(table[;n[;part]]).
Status VatValue(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 3)) return s;
  std::string table;
  int32_t n = 0, part = 0;
  if (Status s = TextArg(1, &table)) return s;
  if (Status s = LongArg(2, 0, &n)) return s;
  if (Status s = LongArg(3, 0, &part)) return s;
  if (part < 0 || part > 1) return st::SINTAXERROR;
  if (n == 0) return BuiltinResultInt(VatCount(table));
  if (n < 0) return BuiltinResultInt(0);
  return BuiltinResultNum(VatPart(table, static_cast<uint32_t>(n), part));
}

// AUTONUM(name[;value]).
Status AutoNum(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 2)) return s;
  std::string name, key;
  FixedNum given = 0;
  if (Status s = TextArg(1, &name)) return s;
  if (Status s = NumArg(2, 0, &given)) return s;
  if (Status s = AutoNumKey(View(name), &key)) return s;
  int64_t value = Int64DivRound(given, Pow10(NumPrecis()));
  if (value != 0) {
    if (Status s = AutoNumWrite(key, value)) return s;
    return BuiltinResultInt(value);
  }
  int64_t stored = 0;
  if (Status s = AutoNumRead(key, &stored)) return s;
  return BuiltinResultInt(stored + 1);
}

// DocSer$(series;date).
Status DocSeries(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(2, 2)) return s;
  std::string series, date, out;
  if (Status s = DigitsArg(1, &series)) return s;
  if (Status s = DigitsArg(2, &date)) return s;
  if (Status s = DocSeriesText(View(series), View(date), &out)) return s;
  return BuiltinResultStr(View(out));
}

// Iban$(prefix;entity;office;control;account).
Status Iban(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(5, 5)) return s;
  std::string parts[5];
  for (uint16_t i = 0; i < 5; ++i) {
    if (Status s = DigitsArg(static_cast<uint16_t>(i + 1), &parts[i])) return s;
  }
  return BuiltinResultStr(View(IbanCompose(parts[0], parts[1], parts[2], parts[3], parts[4])));
}

// Mod(text[;divisor]).
Status Mod(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 2)) return s;
  std::string text, digits;
  int32_t divisor = 97, r = 0;
  if (Status s = DigitsArg(1, &text)) return s;
  if (Status s = LongArg(2, 97, &divisor)) return s;
  if (Status s = ModDigits(text, &digits)) return s;
  if (Status s = DigitsMod(digits, divisor, &r)) return s;
  return BuiltinResultInt(r);
}

struct Named {
  const char* name;
  BuiltinHandler handler;
};

Status RegisterAll(std::initializer_list<Named> list) {
  for (const Named& b : list) {
    if (Status s = BuiltinRegister(StrFromC(b.name), b.handler)) return s;
  }
  return 0;
}

}  // namespace

Status AdmBuiltinsRegister() {
  return RegisterAll({{"VATv", VatValue},
                      {"VAT$", VatTableFn},
                      {"AUTONUM", AutoNum},
                      {"DocSer$", DocSeries},
                      {"FN$TXTN", AmountInWords}});
}

Status AdmBankBuiltinsRegister() { return RegisterAll({{"Iban$", Iban}, {"Mod", Mod}}); }
