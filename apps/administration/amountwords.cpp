#include "apps/administration/amountwords.h"

#include <algorithm>
#include <array>

#include "runtime/errors.h"

namespace {

struct WordKey {
  std::string_view key, word;
};

// The word tables, keys and words as the documents spell them; "%s" in a
// tens word stands for " y " when a unit follows.
constexpr std::array<WordKey, 9> kUnits = {{{"1", "uno"},
                                            {"2", "dos"},
                                            {"3", "tres"},
                                            {"4", "cuatro"},
                                            {"5", "cinco"},
                                            {"6", "seis"},
                                            {"7", "siete"},
                                            {"8", "ocho"},
                                            {"9", "nueve"}}};
constexpr std::array<WordKey, 16> kTens = {{{"1", "dieci"},
                                            {"2", "veinti"},
                                            {"3", "treinta%s"},
                                            {"4", "cuarenta%s"},
                                            {"5", "cincuenta%s"},
                                            {"6", "sesenta%s"},
                                            {"7", "setenta%s"},
                                            {"8", "ochenta%s"},
                                            {"9", "noventa%s"},
                                            {"10", "diez"},
                                            {"11", "once"},
                                            {"12", "doce"},
                                            {"13", "trece"},
                                            {"14", "catorce"},
                                            {"15", "quince"},
                                            {"20", "veinte"}}};
constexpr std::array<WordKey, 5> kHundreds = {
    {{"1", "ciento"}, {"5", "quinientos"}, {"7", "setecientos"}, {"9", "novecientos"}, {"100", "cien"}}};

constexpr std::string_view kThousand = "mil";
constexpr std::string_view kOneMillion = "un mill\xF3n";
constexpr std::string_view kMillions = "millones";
constexpr std::string_view kDecimals = "con";
constexpr std::string_view kNegative = "negativas";
constexpr std::string_view kZero = "cero";
constexpr size_t kMaxDigits = 12;  // below 10^12

template <size_t N>
const WordKey* FindKey(const std::array<WordKey, N>& table, std::string_view key) {
  for (const WordKey& k : table) {
    if (k.key == key) return &k;
  }
  return nullptr;
}

const WordKey* GroupKey(int group, std::string_view key) {
  switch (group) {
    case kTxtnHundreds: return FindKey(kHundreds, key);
    case kTxtnTens: return FindKey(kTens, key);
    default: return FindKey(kUnits, key);
  }
}

void Join(std::string* text, std::string_view word) {
  if (word.empty()) return;
  if (!text->empty()) *text += ' ';
  *text += word;
}

// The words of a group of three digits (1..999; 000 gives none); with
// `shortForm` a final "uno" reads "un", as before "mil" and "millones".
std::string GroupWords(std::string_view three, bool shortForm) {
  std::string text;
  bool open = false;  // the last word waits for its unit
  size_t at = 0;
  while (at < three.size()) {
    size_t left = three.size() - at;
    int group = static_cast<int>(left % 3);
    size_t used = 0;
    bool opens = false;
    std::string word = TxtnGroupWord(group, three.substr(at, group == kTxtnUnits ? 1 : left), &used, &opens);
    if (open) {
      text += word;
    } else {
      Join(&text, word);
    }
    if (!word.empty()) open = opens;
    at += std::max<size_t>(used, 1);
  }
  if (shortForm && text.size() >= 3 && text.compare(text.size() - 3, 3, "uno") == 0) text.pop_back();
  return text;
}

int GroupValue(std::string_view three) {
  int v = 0;
  for (char c : three) v = v * 10 + (c - '0');
  return v;
}

// The words of thousands and units ("mil" alone for one thousand).
std::string ThousandsWords(std::string_view high, std::string_view low, bool shortForm) {
  std::string text;
  int h = GroupValue(high);
  if (h == 1) {
    text = kThousand;
  } else if (h > 1) {
    text = GroupWords(high, true);
    Join(&text, kThousand);
  }
  Join(&text, GroupWords(low, shortForm));
  return text;
}

}  // namespace

std::string TxtnGroupWord(int group, std::string_view digits, size_t* used, bool* open) {
  *used = 0;
  *open = false;
  if (digits.empty()) return {};
  for (size_t len = std::min<size_t>(3, digits.size()); len >= 1; --len) {
    const WordKey* k = GroupKey(group, digits.substr(0, len));
    if (!k) continue;
    *used = len;
    std::string word(k->word);
    size_t mark = word.find("%s");
    bool unitFollows = len < digits.size() && digits[len] != '0';
    if (mark != std::string::npos) word.replace(mark, 2, unitFollows ? " y " : "");
    *open = group == kTxtnTens && (mark == std::string::npos ? len == 1 : unitFollows);
    return word;
  }
  *used = 1;
  if (digits[0] == '0') return {};
  const WordKey* unit = FindKey(kUnits, digits.substr(0, 1));
  if (!unit) return {};
  std::string word(unit->word);
  if (group == kTxtnHundreds) word += "cientos";
  return word;
}

Status TxtnDigitsWords(std::string_view digits, std::string* out) {
  out->clear();
  size_t first = digits.find_first_not_of('0');
  if (first == std::string_view::npos) return 0;
  std::string_view significant = digits.substr(first);
  if (significant.size() > kMaxDigits) {
    ErrDetailSet(st::DATAOUTBOUND, StrMake(digits.data(), static_cast<uint32_t>(digits.size())), false);
    return st::DATAOUTBOUND;
  }
  std::string padded = std::string(kMaxDigits - significant.size(), '0') + std::string(significant);
  std::string_view p = padded;
  // Groups of three from the left: thousands of millions, millions,
  // thousands, units.
  int millions = GroupValue(p.substr(0, 3)) * 1000 + GroupValue(p.substr(3, 3));
  if (millions == 1) {
    *out = kOneMillion;
  } else if (millions > 1) {
    *out = ThousandsWords(p.substr(0, 3), p.substr(3, 3), true);
    Join(out, kMillions);
  }
  Join(out, ThousandsWords(p.substr(6, 3), p.substr(9, 3), false));
  return 0;
}

Status TxtnNumberWords(FixedNum amount, int precis, int dx, std::string* out) {
  out->clear();
  if (amount == 0) return 0;
  uint64_t magnitude = amount < 0 ? 0 - static_cast<uint64_t>(amount) : static_cast<uint64_t>(amount);
  uint64_t unit = static_cast<uint64_t>(Pow10(precis));
  uint64_t whole = magnitude / unit, fraction = magnitude % unit;
  if (Status s = TxtnDigitsWords(std::to_string(whole), out)) return s;
  if (fraction != 0) {
    std::string decimals = std::to_string(fraction);
    decimals.insert(0, static_cast<size_t>(precis) - std::min<size_t>(decimals.size(), precis), '0');
    if (dx > 0 && decimals.size() < static_cast<size_t>(dx)) decimals.append(static_cast<size_t>(dx) - decimals.size(), '0');
    std::string words;
    if (Status s = TxtnDigitsWords(decimals, &words)) return s;
    if (out->empty()) *out = kZero;
    Join(out, kDecimals);
    Join(out, words);
  }
  if (amount < 0) Join(out, kNegative);
  return 0;
}

std::string_view TxtnWrapNext(std::string_view text, int width, uint32_t* cursor) {
  uint32_t c = *cursor;
  if (c >= text.size()) return {};
  // A continued piece does not begin with the blanks between two words.
  if (c > 0) {
    size_t word = text.find_first_not_of(' ', c);
    c = word == std::string_view::npos ? static_cast<uint32_t>(text.size()) : static_cast<uint32_t>(word);
  }
  std::string_view rest = text.substr(c);
  if (width <= 0) {
    *cursor = 0;
    return rest;
  }
  size_t cut = rest.size();
  if (rest.size() > static_cast<size_t>(width)) {
    size_t within = rest.substr(0, static_cast<size_t>(width)).rfind(' ');
    if (within == std::string_view::npos || within == 0) within = rest.find(' ', 1);
    if (within != std::string_view::npos) cut = within;
  }
  *cursor = c + static_cast<uint32_t>(cut) + 1;
  return rest.substr(0, cut);
}
