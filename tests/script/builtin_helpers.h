// Helpers shared by the built-in and macro tests: calls made the way the
// evaluator makes them, with the stack-balance invariant checked on each.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "runtime/dynstrings.h"
#include "runtime/fixednum.h"
#include "script/builtins.h"
#include "script/builtins_int.h"
#include "var_helpers.h"

struct CallOutcome {
  Status status = 0;
  std::string text;  // a string result, or a number's text with _PRECIS decimals
};

// NAME(args): the name is looked up as the scanner does, the arguments are
// the text between the parentheses. Every call must leave the argument
// stack as it found it, and exactly one result slot (none on an error).
inline CallOutcome CallBuiltin(const std::string& name, const std::string& args) {
  const uint32_t base = DynStrCount(ArgStack);
  const uint16_t mark = StrAreaMark(-1);
  CallOutcome out;
  uint16_t code = BuiltinCode(S(name));
  EXPECT_NE(code, 0) << name;
  out.status = BuiltinCallText(code, S(args));
  EXPECT_EQ(DynStrCount(ArgStack), base) << name << "(" << args << ")";
  if (out.status >= 128) {
    EXPECT_EQ(StrAreaMark(-1), mark) << name << "(" << args << ")";
  } else {
    EXPECT_EQ(StrAreaMark(-1), mark + 1) << name << "(" << args << ")";
    out.text = name.find('$') != std::string::npos ? TopText() : BuiltinNumText(TopNum()).Str();
  }
  StrAreaMark(mark);
  return out;
}
