#include "runtime/strformat.h"

#include <charconv>

#include "runtime/errors.h"

namespace {

struct Placeholder {
  bool left = false;
  uint32_t width = 0;
  size_t length = 0;  // bytes of the template it takes, 0 when not one
};

// Reads a placeholder at templ[i] == '%': [-][digits](s|d).
Placeholder ReadPlaceholder(std::string_view templ, size_t i) {
  Placeholder p;
  size_t j = i + 1;
  if (j < templ.size() && templ[j] == '-') {
    p.left = true;
    ++j;
  }
  size_t digits = 0;
  for (; j < templ.size() && templ[j] >= '0' && templ[j] <= '9'; ++j, ++digits) {
    if (digits == 0 && templ[j] == '0') return {};  // zero padding is not offered
    p.width = p.width * 10 + static_cast<uint32_t>(templ[j] - '0');
  }
  if (digits > 5 || j >= templ.size() || (templ[j] != 's' && templ[j] != 'd' && templ[j] != 'i')) return {};
  p.length = j + 1 - i;
  return p;
}

// Appends one filled placeholder; false once out would pass the limit.
bool Fill(std::string& out, const Placeholder& p, const FmtArg* arg, size_t limit) {
  std::string value;
  if (arg) arg->AppendTo(value);
  size_t pad = value.size() < p.width ? p.width - value.size() : 0;
  if (out.size() + value.size() + pad > limit) return false;
  if (!p.left) out.append(pad, ' ');
  out += value;
  if (p.left) out.append(pad, ' ');
  return true;
}

}  // namespace

void FmtArg::AppendTo(std::string& out) const {
  if (!isInt_) {
    out.append(text_);
    return;
  }
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, mag_);
  if (neg_) out += '-';
  out.append(buf, res.ptr);
}

bool FmtRender(std::string& out, std::string_view templ, const FmtArg* args, size_t count, size_t limit) {
  size_t next = 0;
  for (size_t i = 0; i < templ.size();) {
    if (templ[i] == '%' && i + 1 < templ.size() && templ[i + 1] == '%') {
      if (out.size() + 1 > limit) return false;
      out += '%';
      i += 2;
      continue;
    }
    Placeholder p = templ[i] == '%' ? ReadPlaceholder(templ, i) : Placeholder{};
    if (p.length) {
      if (!Fill(out, p, next < count ? &args[next] : nullptr, limit)) return false;
      ++next;
      i += p.length;
      continue;
    }
    if (out.size() + 1 > limit) return false;
    out += templ[i++];
  }
  return true;
}

StrValue StrFormatArgs(uint32_t bound, StrValue templ, const FmtArg* args, size_t count) {
  if (Status e = StrError(templ)) return StrErr(e);
  for (size_t k = 0; k < count; ++k)
    if (args[k].error()) return StrErr(args[k].error());
  size_t limit = bound < kStrMaxLen ? bound : kStrMaxLen;
  std::string out;
  if (!FmtRender(out, templ.View(), args, count, limit)) {
    if ((ErrGet() & 0xffff) == 0) ErrDetailSet(st::STRINGTOOLONG, templ, false);
    return StrErr(ErrSet(1, MOD_FORMATSTRINGS, st::STRINGTOOLONG, st::STRINGTOOLONG));
  }
  return StrFromView(out);
}
