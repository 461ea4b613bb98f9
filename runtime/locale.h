// The locale texts: how numbers, logical values and dates are written in the
// current language.
//
// Start-up stores SettingsList item 0 as the locale text: the catalogue text
// of message 0019, a NUL, the text of message 0117 (a NUL and a tail may
// follow and are ignored). LocaleLoad reads it into the current locale.
//
//   0019  ".,'0123456789.-D',' NY','  ,NO,YES'"
//         char 0 the decimal point, char 1 the thousands separator, then a
//         comma list: the characters allowed in typed numbers, the three
//         logical letters (blank, no, yes) and the three logical words.
//   0117  "'January,...,December','[M] [D],[Y]'"
//         the twelve month names and the long date template.
//
// A catalogue text may be short or malformed: every part that is missing or
// unusable (fewer than two leading characters, a decimal point equal to the
// separator, fewer than three letters or words, fewer than twelve month
// names, an empty template) is taken from the built-in English texts above,
// so a bad catalogue never makes a reader run past a text's end.
//
// Before LocaleLoad, and whenever a caller asks for the fixed locale, the
// built-in texts are used (decimal point ".", separator ","): stored values
// are always written in that fixed form.
//
// Day-first languages ("ES,FR,IT", by the language code in SettingsList item
// 4) write dates day, month, year; the others month, day, year.
//
// The texts are bytes (Windows-1252). Views handed out stay valid until the
// next LocaleLoad or LocaleReset. Nothing here fails.
#pragma once
#include <string>

#include "runtime/status.h"
#include "runtime/strvalue.h"

struct LocaleTexts {
  char decimal = '.';
  char separator = ',';
  std::string allowed;      // characters allowed in typed numbers
  std::string letters;      // exactly 3: not answered, no, yes
  std::string words[3];     // logical words in the same order
  std::string months[12];   // January first
  std::string longTemplate; // with [D], [M], [Y]
};

// Makes SettingsList item 0 the current locale; always answers 0.
Status LocaleLoad();
// Back to the built-in locale (tests, a new run).
void LocaleReset();
// The locale in use: the fixed built-in one, or the one LocaleLoad made current.
const LocaleTexts& LocaleGet(bool fixed);
// Parses a locale text (0019 NUL 0117 ...), filling what is missing from the
// built-in texts.
LocaleTexts LocaleParse(StrValue text);
// True when the current language writes the day first.
bool LocaleDayFirst();
