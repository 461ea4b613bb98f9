#include "runtime/locale.h"

#include <cstring>
#include <string_view>

#include "runtime/dynstrings.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"

namespace {

LocaleTexts BuiltinTexts() {
  LocaleTexts t;
  t.allowed = "0123456789.-D";
  t.letters = " NY";
  t.words[0] = "  ";
  t.words[1] = "NO";
  t.words[2] = "YES";
  const char* months[12] = {"January", "February", "March",     "April",   "May",      "June",
                            "July",    "August",   "September", "October", "November", "December"};
  for (int i = 0; i < 12; ++i) t.months[i] = months[i];
  t.longTemplate = "[M] [D],[Y]";
  return t;
}

const LocaleTexts& Builtin() {
  static const LocaleTexts builtin = BuiltinTexts();
  return builtin;
}

LocaleTexts g_current = BuiltinTexts();

std::string ViewStr(StrValue s) { return std::string(s.View()); }

StrValue ViewOf(std::string_view v) { return StrValue{const_cast<char*>(v.empty() ? "" : v.data()), static_cast<uint16_t>(v.size())}; }

// Field n of a comma list, without its enclosing quotes.
StrValue Field(StrValue list, uint32_t n) { return StrUnquote(StrListItem(list, ',', n)); }

// A decimal point and separator must be two different characters that can
// never be part of the number itself.
bool UsablePair(char decimal, char separator) {
  auto bad = [](char c) { return (c >= '0' && c <= '9') || c == '-' || c == 'D' || c == '\'' || c == '"' || c == 0; };
  return decimal != separator && decimal != ' ' && !bad(decimal) && !bad(separator);
}

void ParseNumbers(StrValue text, LocaleTexts* t) {
  if (text.len >= 2 && UsablePair(text.ptr[0], text.ptr[1])) {
    t->decimal = text.ptr[0];
    t->separator = text.ptr[1];
  }
  StrValue list = StrMid(text, 2, 65535);
  if (StrValue allowed = Field(list, 1); allowed.len > 0) t->allowed = ViewStr(allowed);
  if (StrValue letters = Field(list, 2); letters.len >= 3) t->letters = ViewStr(StrMid(letters, 0, 3));
  StrValue words = Field(list, 3);
  if (StrListCount(words, ',') >= 3) {
    for (uint32_t i = 0; i < 3; ++i) t->words[i] = ViewStr(StrListItem(words, ',', i + 1));
  }
}

void ParseDates(StrValue text, LocaleTexts* t) {
  StrValue months = Field(text, 1);
  bool complete = StrListCount(months, ',') >= 12;
  for (uint32_t i = 1; complete && i <= 12; ++i) complete = StrListItem(months, ',', i).len > 0;
  if (complete) {
    for (uint32_t i = 0; i < 12; ++i) t->months[i] = ViewStr(StrListItem(months, ',', i + 1));
  }
  if (StrValue templ = Field(text, 2); templ.len > 0) t->longTemplate = ViewStr(templ);
}

}  // namespace

LocaleTexts LocaleParse(StrValue text) {
  LocaleTexts t = Builtin();
  if (text.IsError()) return t;
  std::string_view all = text.View();
  size_t nul = all.find('\0');
  std::string_view numbers = all.substr(0, nul);
  std::string_view dates;
  if (nul != std::string_view::npos) {
    dates = all.substr(nul + 1);
    dates = dates.substr(0, dates.find('\0'));
  }
  ParseNumbers(ViewOf(numbers), &t);
  ParseDates(ViewOf(dates), &t);
  return t;
}

Status LocaleLoad() {
  g_current = LocaleParse(DynStrGet(SettingsList, SetLocaleItem));
  return st::OK;
}

void LocaleReset() { g_current = Builtin(); }

const LocaleTexts& LocaleGet(bool fixed) { return fixed ? Builtin() : g_current; }

bool LocaleDayFirst() {
  StrValue lang = DynStrGet(SettingsList, SetLanguageItem);
  if (lang.IsError() || lang.len == 0) return false;
  return StrListFind(StrFromC("ES,FR,IT"), ',', lang) != 0;
}
