// The cache of compiled expression texts: a map by text and a list from the
// most to the least recently used.
#include "script/expcache.h"

#include <string>
#include <string_view>
#include <unordered_map>

#include "runtime/memory.h"
#include "script/evalint.h"
#include "script/evaluator.h"
#include "script/expcode.h"

struct ExpCompiled {
  std::string key;  // the text as given
  ExpProgram program;
  uint32_t generation = 0;  // of the cache when compiled
  uint32_t refs = 0;        // the cache's own and each holder's
  size_t bytes = 0;
  ExpCompiled* newer = nullptr;
  ExpCompiled* older = nullptr;
  // Every compiled text is on one list while it lives, cached or held: one
  // held by a program that a forced shutdown of the runtime freed is not
  // lost, only kept.
  ExpCompiled* prevLive = nullptr;
  ExpCompiled* nextLive = nullptr;
};

namespace {

struct Cache {
  std::unordered_map<std::string_view, ExpCompiled*> map;
  ExpCompiled* newest = nullptr;
  ExpCompiled* oldest = nullptr;
  size_t bytes = 0;
  uint32_t generation = 1;
  uint32_t memGeneration = 0;  // of the runtime the texts were compiled in
};

Cache g_cache;
ExpCompiled* g_live = nullptr;
// The string area's header, for its top (the address never changes).
const StringAreaHeader& g_areaTop = RuntimeRecordGet()->area;

void Free(ExpCompiled* c) {
  (c->prevLive ? c->prevLive->nextLive : g_live) = c->nextLive;
  if (c->nextLive) c->nextLive->prevLive = c->prevLive;
  delete c;
}

bool g_textPath = false;

// The text a compiled form was made from.
StrValue ExpCompiledText(const ExpCompiled* c) { return StrMake(c->key.data(), static_cast<uint32_t>(c->key.size())); }

size_t SizeOf(const ExpCompiled& c) {
  const ExpProgram& p = c.program;
  size_t n = sizeof c + c.key.size() + p.text.size() + p.nodes.size() * sizeof(ExpNode) +
             p.args.size() * sizeof(uint32_t);
  for (const ExpList& l : p.lists) n += sizeof l + l.exprs.size() * sizeof(ExpExpr);
  return n;
}

void Unlink(Cache& cache, ExpCompiled* c) {
  (c->newer ? c->newer->older : cache.newest) = c->older;
  (c->older ? c->older->newer : cache.oldest) = c->newer;
  c->newer = c->older = nullptr;
}

void LinkNewest(Cache& cache, ExpCompiled* c) {
  c->older = cache.newest;
  c->newer = nullptr;
  (cache.newest ? cache.newest->newer : cache.oldest) = c;
  cache.newest = c;
}

void Drop(Cache& cache, ExpCompiled* c) {
  cache.map.erase(std::string_view(c->key));
  Unlink(cache, c);
  cache.bytes -= c->bytes;
  ExpCompiledRelease(c);
}

ExpCompiled* Compile(StrValue text, uint32_t generation) {
  auto* c = new ExpCompiled;
  c->nextLive = g_live;
  if (g_live) g_live->prevLive = c;
  g_live = c;
  c->key.assign(text.View());
  c->generation = generation;
  ExpCompileProgram(StrMake(c->key.data(), static_cast<uint32_t>(c->key.size())), c->program);
  c->bytes = SizeOf(*c);
  return c;
}

void Insert(Cache& cache, ExpCompiled* c) {
  ++c->refs;
  cache.map.emplace(std::string_view(c->key), c);
  LinkNewest(cache, c);
  cache.bytes += c->bytes;
  while (cache.oldest && cache.oldest != c && (cache.map.size() > kExpCacheTexts || cache.bytes > kExpCacheBytes))
    Drop(cache, cache.oldest);
}

// The current compiled form of a text, without a reference of its own.
ExpCompiled* Lookup(StrValue text) {
  Cache& cache = g_cache;
  if (cache.memGeneration != MemGeneration()) {  // a new runtime, with its own built-ins
    ExpCacheClear();
    cache.memGeneration = MemGeneration();
  }
  auto it = cache.map.find(text.View());
  if (it != cache.map.end()) {
    ExpCompiled* c = it->second;
    if (c->generation == cache.generation) {
      Unlink(cache, c);
      LinkNewest(cache, c);
      return c;
    }
    Drop(cache, c);
  }
  ExpCompiled* c = Compile(text, cache.generation);
  Insert(cache, c);
  return c;
}

// Whether a text runs compiled now: not when the compiler left it to the
// text path, when it was compiled before a built-in registration, when the
// nesting left would not hold it, nor when tests ask for the text path.
bool RunsCompiled(const ExpCompiled* c) {
  const ExpProgram& p = c->program;
  return !g_textPath && !p.textPath && c->generation == g_cache.generation &&
         ExpDepth() + p.maxDepth <= kExpMaxDepth;
}

// Holds a reference while a text runs: nested evaluations may drop it from
// the cache meanwhile.
class Running {
 public:
  explicit Running(ExpCompiled* c) : c_(c) { ++c_->refs; }
  ~Running() {
    if (--c_->refs == 0) Free(c_);
  }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

 private:
  ExpCompiled* c_;
};

// Runs a compiled text, on the text path when it cannot run compiled now.
Status Run(ExpCompiled* c, bool skipEmpty) {
  const Running running(c);
  if (!RunsCompiled(c)) return ExpExecTextPath(ExpCompiledText(c), skipEmpty);
  return ExpRunProgram(c->program, skipEmpty);
}

}  // namespace

ExpCompiled* ExpCompiledGet(StrValue text) {
  if (text.IsError()) return nullptr;
  ExpCompiled* c = Lookup(text);
  ++c->refs;
  return c;
}

void ExpCompiledRelease(ExpCompiled* code) {
  if (code && --code->refs == 0) Free(code);
}

bool ExpCompiledCallsOut(const ExpCompiled* code) { return code->program.textPath || code->program.callsOut; }

Status ExpExecCached(StrValue text, bool skipEmpty) {
  if (g_textPath || text.IsError()) return ExpExecTextPath(text, skipEmpty);
  return Run(Lookup(text), skipEmpty);
}

Status ExpExecCompiled(ExpCompiled* code) { return Run(code, false); }

Status ExpExecCompiledAt(ExpCompiled* code, uint16_t mark) {
  const Running running(code);
  uint16_t entry = g_areaTop.top;
  Status answer = 0;  // what ExpExecText answers
  Status put = 0;
  if (RunsCompiled(code)) {
    ExpValue v;
    Status s = ExpRunValue(code->program, false, v);
    if (ExpHard(s)) return s;
    answer = s ? s : v.str ? 1 : 0;
    if (answer <= 1) put = ExpPutResult(v, mark);
  } else {
    answer = ExpExecTextPath(ExpCompiledText(code), false);
    if (ExpHard(answer)) return answer;
    if (answer <= 1) put = StrError(StrAreaReturn(mark, StrAreaTop()));
  }
  if (answer > 1) return StrAreaRelease(entry, answer);
  return put ? put : answer;
}

Status ExpEvalCondCompiled(ExpCompiled* code) {
  if (code->key.empty()) return 1;
  const Running running(code);
  uint16_t entry = g_areaTop.top;
  Status s = 0;
  FixedNum number = 0;
  if (RunsCompiled(code)) {
    ExpValue v;
    s = ExpRunValue(code->program, false, v);
    if (s == 0 && v.str) s = 1;
    number = v.num;
  } else {
    s = ExpExecTextPath(ExpCompiledText(code), false);
    if (s == 0) number = NumFromBytes(StrAreaTop());
  }
  if (g_areaTop.top != entry) StrAreaMark(entry);
  return ExpCondOf(s, number);
}

void ExpCacheClear() {
  Cache& cache = g_cache;
  while (cache.oldest) Drop(cache, cache.oldest);
  ++cache.generation;
}

uint32_t ExpCacheCount() { return static_cast<uint32_t>(g_cache.map.size()); }

void ExpUseTextPath(bool on) { g_textPath = on; }
