#include "apps/administration/bankcheck.h"

#include <array>

#include "apps/administration/admfuncs.h"
#include "runtime/errors.h"

namespace {

constexpr std::array<int, 10> kWeights = {1, 2, 4, 8, 5, 10, 9, 7, 3, 6};
constexpr size_t kEntityWidth = 4, kOfficeWidth = 4, kControlWidth = 2, kAccountWidth = 10;
constexpr size_t kDomesticWidth = kEntityWidth + kOfficeWidth + kControlWidth + kAccountWidth;
constexpr size_t kModGroup = 8;
constexpr int32_t kModMaxDivisor = 32767;
constexpr std::string_view kDefaultCountry = "ES";

bool AllDigits(std::string_view s) {
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string_view Trim(std::string_view s) {
  size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// One control digit of up to 10 digits (padded on the left with zeros).
int ControlDigit(std::string_view digits) {
  std::string padded = std::string(kWeights.size() - digits.size(), '0') + std::string(digits);
  int sum = 0;
  for (size_t i = 0; i < kWeights.size(); ++i) sum += kWeights[i] * (padded[i] - '0');
  int r = sum % 11;
  return r <= 1 ? r : 11 - r;
}

void NoteBadAccount() { ErrDetailSet(st::BADINPUTDATA, ErrCodeText(st::BADINPUTDATA), false); }

// How a part reads: its digits padded on the left to its width; another
// character makes it empty (so the account cannot be made); a part of
// digits longer than its width does not check at all.
enum class PartState { kDigits, kOther, kTooLong };

PartState Part(std::string_view given, size_t width, std::string* out) {
  std::string_view t = Trim(given);
  out->clear();
  if (!AllDigits(t)) return PartState::kOther;
  if (t.size() > width) return PartState::kTooLong;
  if (!t.empty()) *out = std::string(width - t.size(), '0') + std::string(t);
  return PartState::kDigits;
}

}  // namespace

std::string BankControlDigits(std::string_view entity, std::string_view office, std::string_view account) {
  if (entity.size() != kEntityWidth || office.size() != kOfficeWidth || account.empty() ||
      account.size() > kAccountWidth || !AllDigits(entity) || !AllDigits(office) || !AllDigits(account)) {
    NoteBadAccount();
    return {};
  }
  std::string bank = std::string(entity) + std::string(office);
  return std::string(1, static_cast<char>('0' + ControlDigit(bank))) +
         static_cast<char>('0' + ControlDigit(account));
}

Status IbanCheckDigits(std::string_view country, std::string_view domestic, std::string* out) {
  out->clear();
  if (domestic.size() != kDomesticWidth || country.size() != 2 || !IsLetter(country[0]) || !IsLetter(country[1]))
    return st::BADINPUTDATA;
  std::string digits;
  std::string text = std::string(domestic) + Upper(country[0]) + Upper(country[1]) + "00";
  if (ModDigits(text, &digits) != 0) return st::BADINPUTDATA;
  int32_t r = 0;
  if (DigitsMod(digits, 97, &r) != 0) return st::BADINPUTDATA;
  int check = 98 - r;
  *out = {static_cast<char>('0' + check / 10), static_cast<char>('0' + check % 10)};
  return 0;
}

std::string IbanCompose(std::string_view prefix, std::string_view entity, std::string_view office,
                        std::string_view control, std::string_view account) {
  std::string e, o, c, a;
  PartState states[] = {Part(entity, kEntityWidth, &e), Part(office, kOfficeWidth, &o),
                        Part(control, kControlWidth, &c), Part(account, kAccountWidth, &a)};
  for (PartState st : states) {
    if (st == PartState::kTooLong) return {};
  }
  // A control with another character than a digit cannot be compared.
  if (states[2] == PartState::kOther) return {};
  std::string computed = BankControlDigits(e, o, a);
  if (computed.empty()) return {};
  if (!c.empty() && c != computed) return {};
  c = computed;
  std::string p;
  for (char ch : Trim(prefix)) p += Upper(ch);
  if (p.empty()) p = kDefaultCountry;
  std::string check;
  if (IbanCheckDigits(std::string_view(p).substr(0, 2), e + o + c + a, &check) != 0) return {};
  if (p.size() == 2) p += check;
  if (p.size() != 4 || p.compare(2, 2, check) != 0) return {};
  return p + "," + e + "," + o + "," + c + "," + a;
}

Status DigitsMod(std::string_view digits, int32_t divisor, int32_t* out) {
  *out = 0;
  if (divisor < 1 || divisor > kModMaxDivisor || !AllDigits(digits)) return st::SINTAXERROR;
  int64_t rem = 0;
  size_t at = 0;
  while (at < digits.size()) {
    std::string group = rem ? std::to_string(rem) : std::string();
    size_t take = std::min(kModGroup - group.size(), digits.size() - at);
    group.append(digits.substr(at, take));
    at += take;
    StrAreaScope scope;
    int64_t value = 0;
    if (Status s = NumParseBase(StrMake(group.data(), static_cast<uint32_t>(group.size())), &value)) return s;
    rem = value % divisor;
  }
  *out = static_cast<int32_t>(rem);
  return 0;
}

Status ModDigits(std::string_view text, std::string* out) {
  out->clear();
  for (char ch : text) {
    if (ch == ' ') continue;
    if (ch >= '0' && ch <= '9') {
      *out += ch;
    } else if (IsLetter(ch)) {
      *out += std::to_string(Upper(ch) - 'A' + 10);
    } else {
      return st::SINTAXERROR;
    }
  }
  return 0;
}
