// Compiled expression texts and the cache that keeps them.
//
// Every text the evaluator is given (ExpExecText and the functions built on
// it) is compiled once into the form of expcode.h and kept in a cache keyed
// by the text itself (never by its address), so a text built at run time
// (EXP$, definition texts, conditions built by forms, a statement whose
// macros expand to a new text) finds its own entry. The cache holds at most
// kExpCacheTexts texts and about kExpCacheBytes bytes; the least recently
// used are dropped first.
//
// A holder (a compiled procedure, for each of its statements) keeps a
// reference to a compiled text, which then outlives its place in the cache.
// A compiled text runs on the text path (the reference, evaltext.cpp) when
// the compiler left it there, when built-ins were registered after it was
// compiled, or when the nesting left would not hold it; the results are the
// same either way.
//
// Cleared (ExpCacheClear) when the runtime starts or ends and when a
// built-in is registered, since built-in codes are resolved at compile time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint32_t kExpCacheTexts = 4096;
constexpr size_t kExpCacheBytes = size_t{16} << 20;

struct ExpCompiled;

// The compiled form of a text (from the cache, compiled when missing) with
// a reference the caller gives back; null for an error string.
ExpCompiled* ExpCompiledGet(StrValue text);
void ExpCompiledRelease(ExpCompiled* code);
// Whether running it may call out of the evaluator (built-ins, field
// references, task hooks), which can take any time; otherwise its time is
// bounded by its length.
bool ExpCompiledCallsOut(const ExpCompiled* code);

// A held reference to the compiled form of a text (none for an empty
// one), given back when the holder goes: for texts run again and again,
// which then skip the cache's look-up by text.
class ExpHeld {
 public:
  ExpHeld() = default;
  explicit ExpHeld(StrValue text) : code_(text.len ? ExpCompiledGet(text) : nullptr) {}
  ~ExpHeld() { ExpCompiledRelease(code_); }
  ExpHeld(ExpHeld&& o) noexcept : code_(o.code_) { o.code_ = nullptr; }
  ExpHeld& operator=(ExpHeld&& o) noexcept {
    std::swap(code_, o.code_);
    return *this;
  }
  ExpHeld(const ExpHeld&) = delete;
  ExpHeld& operator=(const ExpHeld&) = delete;
  ExpCompiled* get() const { return code_; }

 private:
  ExpCompiled* code_ = nullptr;
};

// ExpExecText of a text (through the cache); skipEmpty as in expression
// files.
Status ExpExecCached(StrValue text, bool skipEmpty);
// ExpExecText and ExpEvalCond of a compiled text.
Status ExpExecCompiled(ExpCompiled* code);
Status ExpEvalCondCompiled(ExpCompiled* code);
// ExpExecText of a compiled text whose value, when it answers 0 or 1,
// replaces what lies above `mark` (a mark below the area's top); after a
// soft status or an error the area is as it was.
Status ExpExecCompiledAt(ExpCompiled* code, uint16_t mark);

// Drops every cached text (texts held elsewhere stay, but run on the text
// path until compiled again).
void ExpCacheClear();
// Texts in the cache now.
uint32_t ExpCacheCount();

// Evaluates every text on the text path while on: the reference for tests
// that compare the two paths.
void ExpUseTextPath(bool on);
