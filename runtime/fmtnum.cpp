// Number masks and typed numbers (contract in fmtmask.h).
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/fixednum.h"
#include "runtime/fmtmask.h"
#include "runtime/locale.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string StripZeros(std::string s) {
  size_t nz = s.find_first_not_of('0');
  return nz == std::string::npos ? std::string() : s.substr(nz);
}

// Beyond this many integer digits the number module no longer keeps the
// value exactly; no mask is that wide, so such a number never fits.
constexpr size_t kMaxIntDigits = 63;

// --- The number ---------------------------------------------------------------

struct NumParts {
  bool ok = false;         // a number text, possibly without digits
  bool hasDigits = false;  // false: the empty number
  bool negative = false;
  std::string intDigits;   // no leading zeros: empty below 1
  std::string fracDigits;
};

// Sign, digits, one point, digits, then optionally "D", a sign and digits;
// thousands separators (",") and blanks inside are ignored.
bool CleanNumber(std::string_view t, std::string* out) {
  size_t i = 0, n = t.size();
  auto take = [&](auto pred) {
    while (i < n && (pred(t[i]) || t[i] == ',' || t[i] == ' ')) {
      if (t[i] != ',' && t[i] != ' ') out->push_back(t[i]);
      ++i;
    }
  };
  auto sign = [&] {
    if (i < n && (t[i] == '-' || t[i] == '+')) out->push_back(t[i++]);
  };
  take([](char) { return false; });  // leading blanks and separators
  sign();
  take(IsDigit);
  if (i < n && t[i] == '.') out->push_back(t[i++]);
  take(IsDigit);
  if (i < n && t[i] == 'D') {
    out->push_back(t[i++]);
    sign();
    take(IsDigit);
  }
  return i == n;
}

NumParts ParseNumber(StrValue text) {
  NumParts p;
  std::string clean;
  if (text.IsError() || !CleanNumber(text.View(), &clean)) return p;
  p.ok = true;
  size_t expAt = clean.find('D');
  for (size_t i = 0; i < clean.size() && i < expAt; ++i) p.hasDigits = p.hasDigits || IsDigit(clean[i]);
  if (!p.hasDigits) return p;
  if (expAt == std::string::npos && clean.size() <= 40) {
    // Sign, digits, point, digits: the parts as written (what the
    // normalised digits would give; decimals that are zeros round the same).
    std::string_view t(clean);
    if (t[0] == '-' || t[0] == '+') {
      p.negative = t[0] == '-';
      t.remove_prefix(1);
    }
    size_t point = t.find('.');
    std::string_view whole = t.substr(0, point);
    size_t nz = whole.find_first_not_of('0');
    if (nz != std::string_view::npos) p.intDigits.assign(whole.substr(nz));
    if (point != std::string_view::npos) p.fracDigits.assign(t.substr(point + 1));
    return p;
  }
  uint16_t mark = StrAreaMark(-1);
  uint16_t surplus = 0;
  std::string digits(NumStrNormalise(StrMake(clean.data(), static_cast<uint32_t>(clean.size())), 0, &surplus).View());
  StrAreaMark(mark);
  p.negative = !digits.empty() && digits[0] == '-';
  if (p.negative) digits.erase(0, 1);
  size_t intLen = digits.size() - std::min<size_t>(surplus, digits.size());
  p.intDigits = StripZeros(digits.substr(0, intLen));
  p.fracDigits = digits.substr(intLen);
  return p;
}

struct Rounded {
  std::string intDigits;  // no leading zeros: empty below 1
  std::string frac;       // exactly the decimals asked for
  bool negative = false;  // never for zero
};

// Rounds once, half away from zero, from the text's own decimals.
Rounded RoundTo(const NumParts& n, size_t decimals) {
  std::string digits;
  digits.reserve(n.intDigits.size() + decimals + 1);
  digits.assign(n.intDigits).append(n.fracDigits, 0, std::min(decimals, n.fracDigits.size()));
  digits.append(n.intDigits.size() + decimals - digits.size(), '0');
  if (n.fracDigits.size() > decimals && n.fracDigits[decimals] >= '5') {
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0)
      digits.insert(0, 1, '1');
    else
      ++digits[i - 1];
  }
  Rounded r;
  size_t intLen = digits.size() - decimals;
  r.frac.assign(digits, intLen, decimals);
  size_t nz = digits.find_first_not_of('0');
  if (nz != std::string::npos && nz < intLen) r.intDigits.assign(digits, nz, intLen - nz);
  r.negative = n.negative && nz != std::string::npos;
  return r;
}

// --- The mask -------------------------------------------------------------------

enum class Place { Digit, Separator, Point };

struct Slot {
  size_t pos;
  Place kind;
};

// Where the parts of a number go under a plan: the integer places right to
// left, the decimal places left to right and the point.
struct Slots {
  std::vector<Slot> ints;
  std::vector<Slot> decs;
  size_t point = std::string::npos;
};

// The digit area of a mask: its first to last "#"/"0"; inside it the first
// "." is the decimal point, "," left of it are separators, and every other
// character is a literal that stays. A mask that begins with "." and a digit
// place (".##", the mask of a field holding decimals only) starts its digit
// area at that point, so its decimals are never read as integer places.
struct MaskLayout {
  std::vector<Slot> slots;  // left to right, literals excluded
  // The slots of a number that fits without moving the point or taking the
  // separators' places (most numbers), once split.
  mutable bool plainSplit = false;
  mutable Slots plain;
  size_t intPlaces = 0;
  size_t separators = 0;
  size_t decimals = 0;
  bool hasPoint = false;
  bool empty() const { return slots.empty(); }
};

MaskLayout ReadMask(std::string_view m) {
  MaskLayout L;
  size_t first = m.find_first_of("#0"), last = m.find_last_of("#0");
  if (first == std::string_view::npos) return L;
  if (first == 1 && m[0] == '.') first = 0;
  for (size_t i = first; i <= last; ++i) {
    char c = m[i];
    if (c == '.' && !L.hasPoint) {
      L.hasPoint = true;
      L.slots.push_back({i, Place::Point});
    } else if (c == ',' && !L.hasPoint) {
      ++L.separators;
      L.slots.push_back({i, Place::Separator});
    } else if (c == '#' || c == '0') {
      ++(L.hasPoint ? L.decimals : L.intPlaces);
      L.slots.push_back({i, Place::Digit});
    }
  }
  return L;
}

// The layouts of the masks read last: a report or a list formats every
// line with the same few masks.
const MaskLayout& ReadMaskKept(std::string_view m) {
  struct Kept {
    std::string mask;
    MaskLayout layout;
  };
  thread_local Kept kept[8];
  thread_local unsigned next = 0;
  for (const Kept& k : kept)
    if (k.mask.size() == m.size() && k.mask == m && !k.mask.empty()) return k.layout;
  Kept& k = kept[next++ % 8];
  k.mask.assign(m);
  k.layout = ReadMask(m);
  return k.layout;
}

// How a number is laid out in a mask.
struct Plan {
  bool fits = false;
  bool separatorsAsDigits = false;
  size_t decimals = 0;  // kept after the point moved right
  Rounded num;
};

// Integer places needed: the digits and the sign. A zero integer part needs
// none: it is shown only when there is room.
size_t Needed(const Rounded& r) { return r.intDigits.size() + (r.negative ? 1 : 0); }

Plan PlanFill(const MaskLayout& L, const NumParts& n) {
  Plan p;
  p.decimals = L.decimals;
  for (;;) {
    p.num = RoundTo(n, p.decimals);
    size_t need = Needed(p.num), places = L.intPlaces, keep = L.decimals;
    p.separatorsAsDigits = need > places;
    if (p.separatorsAsDigits) places += L.separators;
    if (need > places && L.decimals > 0) {
      // Each missing place moves the point one place right, giving up the
      // last decimal; the point itself stays.
      size_t shift = std::min(need - places, L.decimals);
      keep = L.decimals - shift;
      places += shift;
    }
    if (keep < p.decimals) {
      p.decimals = keep;  // round again, from the text, to fewer decimals
      continue;
    }
    p.fits = need <= places && n.intDigits.size() <= kMaxIntDigits;
    return p;
  }
}

// --- Filling --------------------------------------------------------------------

struct Filler {
  std::string& out;
  std::string_view mask;
  char separator;

  // The shown character of an unused integer place.
  char Pad(const Slot& s) const {
    if (s.kind == Place::Digit && mask[s.pos] == '0') return '0';
    if (s.kind == Place::Separator && (s.pos == 0 || mask[s.pos - 1] != '#')) return separator;
    return ' ';
  }
};

// Into s, whose vectors keep their room from one number to the next.
void SplitSlots(const MaskLayout& L, const Plan& p, Slots& s) {
  s.ints.clear();
  s.decs.clear();
  s.point = std::string::npos;
  size_t n = L.slots.size();
  bool moved = p.decimals < L.decimals;
  for (size_t i = 0; i < n; ++i) {
    Slot slot = L.slots[i];
    if (moved) {
      // The point now has exactly p.decimals places on its right.
      slot.kind = n - 1 - i == p.decimals ? Place::Point : Place::Digit;
    } else if (slot.kind == Place::Separator && p.separatorsAsDigits) {
      slot.kind = Place::Digit;
    }
    if (slot.kind == Place::Point)
      s.point = slot.pos;
    else if (s.point != std::string::npos)
      s.decs.push_back(slot);
    else
      s.ints.push_back(slot);
  }
  std::reverse(s.ints.begin(), s.ints.end());
}

void FillInteger(const Filler& f, const std::vector<Slot>& ints, const Rounded& r) {
  size_t k = 0, d = r.intDigits.size();
  for (; k < ints.size() && d > 0; ++k) {
    const Slot& s = ints[k];
    f.out[s.pos] = s.kind == Place::Separator ? f.separator : r.intDigits[--d];
  }
  size_t shown = k;  // slots from the right that show something
  for (size_t i = k; i < ints.size(); ++i) {
    f.out[ints[i].pos] = f.Pad(ints[i]);
    if (f.out[ints[i].pos] != ' ') shown = i + 1;
  }
  if (r.intDigits.empty()) {
    // Below 1: a zero before the point when there is a place for it.
    auto it = std::find_if(ints.begin(), ints.end(), [](const Slot& s) { return s.kind == Place::Digit; });
    if (it != ints.end()) {
      f.out[it->pos] = '0';
      shown = std::max(shown, static_cast<size_t>(it - ints.begin()) + 1);
    }
  }
  if (!r.negative || ints.empty()) return;
  // The sign goes just left of what is shown, or over the leftmost padding.
  f.out[ints[std::min(shown, ints.size() - 1)].pos] = '-';
}

void FillNumber(std::string& out, std::string_view mask, const MaskLayout& L, const Plan& p, const LocaleTexts& loc) {
  thread_local Slots split;
  const Slots* at = &split;
  if (p.decimals == L.decimals && !p.separatorsAsDigits) {
    if (!L.plainSplit) SplitSlots(L, p, L.plain);
    L.plainSplit = true;
    at = &L.plain;
  } else {
    SplitSlots(L, p, split);
  }
  const Slots& s = *at;
  if (s.point != std::string::npos) out[s.point] = loc.decimal;
  for (size_t i = 0; i < s.decs.size(); ++i) out[s.decs[i].pos] = p.num.frac[i];
  FillInteger(Filler{out, mask, loc.separator}, s.ints, p.num);
}

// No digits at all: "#" places stay blank, and so do the point and the
// decimals when a "#" stands before the point (or, for a leading point, after
// it).
void FillEmpty(std::string& out, std::string_view mask, const MaskLayout& L, const LocaleTexts& loc) {
  Filler f{out, mask, loc.separator};
  bool afterPoint = false, blank = false;
  for (const Slot& s : L.slots) {
    if (s.kind == Place::Point) {
      blank = (s.pos > 0 ? mask[s.pos - 1] : mask[s.pos + 1]) == '#';
      out[s.pos] = blank ? ' ' : loc.decimal;
      afterPoint = true;
    } else if (afterPoint) {
      out[s.pos] = blank ? ' ' : '0';
    } else {
      out[s.pos] = f.Pad(s);
    }
  }
}

enum class Overflow { Marker, Error };

StrValue NumMask(StrValue mask, StrValue number, bool fixed, Overflow overflow) {
  if (Status e = StrError(mask)) return StrErr(e);
  if (Status e = StrError(number)) return StrErr(e);
  std::string_view m = mask.View();
  std::string out(m);
  if (m.empty()) return StrFromView(m);
  const MaskLayout& L = ReadMaskKept(m);
  NumParts n = ParseNumber(number);
  const LocaleTexts& loc = LocaleGet(fixed);
  if (L.empty() || !n.ok) return StrFromView(out);
  if (!n.hasDigits) {
    FillEmpty(out, m, L, loc);
    return StrFromView(out);
  }
  Plan p = PlanFill(L, n);
  if (p.fits) {
    FillNumber(out, m, L, p, loc);
  } else if (overflow == Overflow::Error) {
    return StrErr(st::DATAOUTBOUND);
  } else {
    for (const Slot& s : L.slots) out[s.pos] = kOverflowMarker;
  }
  return StrFromView(out);
}

// --- Typed numbers ----------------------------------------------------------------

struct TypedNumber {
  std::string out;
  bool point = false;
  bool exponent = false;
  bool digit = false;

  // False when c cannot continue the number.
  bool Take(char c) {
    if (c == '-') {
      if (!out.empty() && out.back() != 'D') return false;
    } else if (c == '.') {
      if (point || exponent) return false;
      point = true;
    } else if (c == 'D') {
      if (exponent || !digit) return false;
      exponent = true;
    } else {
      digit = true;
    }
    out.push_back(c);
    return true;
  }
};

}  // namespace

StrValue FmtNumMask(StrValue mask, StrValue number, bool fixed) {
  return NumMask(mask, number, fixed, Overflow::Marker);
}

StrValue FmtNumMaskStored(StrValue mask, StrValue number, bool fixed) {
  return NumMask(mask, number, fixed, Overflow::Error);
}

StrValue FmtNumParse(StrValue typed) {
  if (Status e = StrError(typed)) return StrErr(e);
  const LocaleTexts& loc = LocaleGet(false);
  std::string_view t = typed.View();
  size_t a = t.find_first_not_of(" \t"), b = t.find_last_not_of(" \t");
  t = a == std::string_view::npos ? std::string_view() : t.substr(a, b - a + 1);
  TypedNumber num;
  for (size_t i = 0; i < t.size(); ++i) {
    char c = t[i];
    if (c == loc.separator) continue;  // grouping typed by hand, wherever it stands
    if (c == loc.decimal) c = '.';
    bool allowed = c == '.' || loc.allowed.find(c) != std::string::npos;
    if (!allowed || !num.Take(c)) break;
    // A leading zero before another digit says nothing.
    if (num.out == "0" || num.out == "-0") {
      size_t j = i + 1;
      while (j < t.size() && t[j] == loc.separator) ++j;
      if (j < t.size() && IsDigit(t[j])) num.out.pop_back();
    }
    if (num.out.size() > kNumParseMax) return StrErr(st::DATAOUTBOUND);
  }
  return StrFromView(num.out);
}
