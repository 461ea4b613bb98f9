// Bounded formatting of message templates.
//
// A template is often a message that a language catalogue can replace, so it
// is never handed to printf. The formatter fills only these placeholders,
// each with the next argument the call site passes:
//
//   %s  %d  %i    the argument (a text as it is, an integer in decimal)
//   %Ns %Nd       right-aligned in a field of N characters (1 to 5 digits)
//   %-Ns %-Nd     left-aligned in that field
//   %%            one percent sign
//
// Every other "%" sequence (%n, %x, %5.2f, %05d, a lone "%") is copied as
// written. A placeholder with no argument left becomes an empty text (still
// padded to its width); arguments left over are ignored. %s and %d are
// interchangeable: the argument's own type decides how it is written. So an
// edited catalogue text can at worst show a value in the wrong place, never
// read or write memory the call site did not pass.
//
// StrFormat answers a new slot of the string area holding at most `bound`
// characters (bound above 65535 counts as 65535). A longer result records
// 146 STRINGTOOLONG with module FormatStrings (the template in the error
// detail) and answers the error string 146. An error string among the
// template and the arguments is answered unchanged.
//
// Example: StrFormat(80, MsgText, name, count) fills "File %s: %d records".
#pragma once
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "runtime/strvalue.h"

// One argument: a text (held as a view; the text must outlive the call) or
// an integer. Characters and booleans are refused so that they are not
// written as numbers by mistake.
class FmtArg {
 public:
  FmtArg(StrValue s) : text_(s.View()), error_(StrError(s)) {}
  FmtArg(const char* s) : text_(s ? s : "") {}
  FmtArg(std::string_view s) : text_(s) {}
  FmtArg(const std::string& s) : text_(s) {}
  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  FmtArg(T v) : isInt_(true), mag_(static_cast<uint64_t>(v)) {
    if constexpr (std::is_signed_v<T>) {
      neg_ = v < 0;
      if (neg_) mag_ = 0 - mag_;  // also right for the most negative value
    }
  }

  Status error() const { return error_; }
  void AppendTo(std::string& out) const;

 private:
  std::string_view text_;
  Status error_ = 0;
  bool isInt_ = false;
  bool neg_ = false;
  uint64_t mag_ = 0;
};

// Renders templ into out; false as soon as out would pass `limit` bytes.
bool FmtRender(std::string& out, std::string_view templ, const FmtArg* args, size_t count, size_t limit);

StrValue StrFormatArgs(uint32_t bound, StrValue templ, const FmtArg* args, size_t count);

template <typename... A>
StrValue StrFormat(uint32_t bound, StrValue templ, const A&... args) {
  const FmtArg list[] = {FmtArg(args)..., FmtArg("")};  // the extra one keeps the array non-empty
  return StrFormatArgs(bound, templ, list, sizeof...(A));
}

// The same filling into a C++ string without a bound (error strings among
// the arguments are written as empty texts), for texts that never reach
// the string area, such as log lines.
template <typename... A>
std::string FmtText(std::string_view templ, const A&... args) {
  const FmtArg list[] = {FmtArg(args)..., FmtArg("")};
  std::string out;
  FmtRender(out, templ, list, sizeof...(A), SIZE_MAX);
  return out;
}
