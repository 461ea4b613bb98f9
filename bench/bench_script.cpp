// The expression evaluator against Lua 5.4 on the same loop: per pass, one
// number increment, a division with a product, a comparison joined by "&&",
// a string concatenation and a string comparison. The evaluator is given
// the pass as one expression text each time, as a caller gives it (found in
// the cache of compiled texts by its text); Lua runs a compiled function on
// global variables.
//
// The procedure runner against Lua 5.4: a counted DO_WHILE loop whose body
// calls a subroutine with GOSUB that adds to a number and builds and tests a
// string (the Lua side is bench/script_proc.lua). The procedure is compiled
// once and runs statement by statement with the message poll on.
//
// Each benchmark runs its two sides in the same process, alternately, in
// ten rounds per iteration, so that both meet the same load of the machine;
// it notes for each side the wall time and the time the thread spent on the
// processor. The program prints the times per pass and the ratios script /
// Lua of both.
#include <benchmark/benchmark.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "bench_main.h"
#include "runtime/memory.h"
#include "runtime/strvalue.h"
#include "script/evaluator.h"
#include "script/procedures.h"
#include "script/variables.h"

namespace {

constexpr char kPass[] =
    "i#=i#+1,x#=(x#+i#*3)/7-1.5,c=x#>2&&i#<>10,s$=a$+'-'+b$,d=s$<'zz'";
constexpr char kSetUp[] = "i#=0,x#=0,c=0,d=0,a$='abc',b$='def',s$=''";
constexpr int kRounds = 10;

using Clock = std::chrono::steady_clock;

struct Side {
  double wall = 0, cpu = 0;  // seconds
  int64_t passes = 0;
};
std::map<std::string, Side> g_sides;

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Runs f (passes passes) and adds its times to the side; false when f failed.
template <class F>
bool Timed(Side& side, int64_t passes, F f) {
  auto wall0 = Clock::now();
  double cpu0 = ThreadCpuSeconds();
  bool ok = f();
  side.cpu += ThreadCpuSeconds() - cpu0;
  side.wall += std::chrono::duration<double>(Clock::now() - wall0).count();
  side.passes += passes;
  return ok;
}

// A Lua file loaded once; Run calls its function(n).
class LuaLoop {
 public:
  explicit LuaLoop(const char* file) : L_(luaL_newstate()) {
    luaL_openlibs(L_);
    if (luaL_dofile(L_, file) != LUA_OK) error_ = lua_tostring(L_, -1);
  }
  ~LuaLoop() { lua_close(L_); }
  const std::string& Error() const { return error_; }
  bool Run(const char* function, int64_t n) {
    lua_getglobal(L_, function);
    lua_pushinteger(L_, n);
    if (lua_pcall(L_, 1, 1, 0) != LUA_OK) {
      error_ = lua_tostring(L_, -1);
      return false;
    }
    lua_pop(L_, 1);
    return true;
  }

 private:
  lua_State* L_;
  std::string error_;
};

bool StartRuntime(const std::string& setUp) {
  MemShutdown(true);
  MemConfigure(512, -1);
  return VarSysInit() == 0 && ExpEvalStatus(StrFromC(setUp.c_str())) == 0;
}

void BM_ExpressionPass(benchmark::State& state) {
  LuaLoop lua(KX_BENCH_DIR "/script_loop.lua");
  if (!lua.Error().empty() || !StartRuntime(kSetUp)) {
    state.SkipWithError(lua.Error().empty() ? "runtime start failed" : lua.Error().c_str());
    return;
  }
  const int64_t chunk = state.range(0) / kRounds;
  StrValue pass = StrFromC(kPass);
  Side& ev = g_sides["evaluator"];
  Side& lu = g_sides["lua"];
  for (auto _ : state) {
    double before = ev.wall;
    for (int r = 0; r < kRounds; ++r) {
      bool ok = Timed(ev, chunk, [&] {
        for (int64_t k = 0; k < chunk; ++k)
          if (ExpEvalStatus(pass) != 0) return false;
        return true;
      });
      if (!ok || !Timed(lu, chunk, [&] { return lua.Run("script_loop", chunk); })) {
        state.SkipWithError("a pass failed");
        return;
      }
    }
    state.SetIterationTime(ev.wall - before);
  }
  MemShutdown(true);
}

// Statements run per pass: DO_WHILE, i#=, GOSUB, t#=, s$=, IF, k=, ENDIF,
// RETURN, LOOP.
constexpr int kProcStatementsPerPass = 10;
constexpr char kProcedure[] =
    "DEF_FN LOOP\n"
    "i#=0\n"
    "t#=0\n"
    "k=0\n"
    "DO_WHILE i#<n#\n"
    "  i#=i#+1\n"
    "  GOSUB work\n"
    "LOOP\n"
    "END\n"
    ":work\n"
    "t#=t#+i#*2\n"
    "s$=a$+'-'+b$\n"
    "IF s$=='abc-def'\n"
    "  k=k+1\n"
    "ENDIF\n"
    "RETURN\n";

void BM_ProcedurePass(benchmark::State& state) {
  const int64_t chunk = state.range(0) / kRounds;
  LuaLoop lua(KX_BENCH_DIR "/script_proc.lua");
  if (!lua.Error().empty() || !StartRuntime("a$='abc',b$='def',n#=" + std::to_string(chunk))) {
    state.SkipWithError(lua.Error().empty() ? "runtime start failed" : lua.Error().c_str());
    return;
  }
  std::string path = (std::filesystem::temp_directory_path() / "kx_bench_loop.prc").string();
  std::ofstream(path, std::ios::binary) << kProcedure;
  Status compiled = PrcCompileFile(StrFromC(path.c_str()));
  std::filesystem::remove(path);
  if (compiled >= 122) {
    state.SkipWithError("the procedure did not compile");
    return;
  }
  Side& pr = g_sides["procedure"];
  Side& lu = g_sides["lua procedure"];
  for (auto _ : state) {
    double before = pr.wall;
    for (int r = 0; r < kRounds; ++r) {
      if (!Timed(pr, chunk, [] { return PrcCall(StrFromC("LOOP"), StrFromC(""), 0) == 0; }) ||
          !Timed(lu, chunk, [&] { return lua.Run("proc_loop", chunk); })) {
        state.SkipWithError("a pass failed");
        return;
      }
    }
    state.SetIterationTime(pr.wall - before);
  }
  PrcRelease(static_cast<uint16_t>(compiled));
  MemShutdown(true);
}

BENCHMARK(BM_ExpressionPass)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcedurePass)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintPair(const char* what, const char* script, const char* lua, int statements) {
  const Side& s = g_sides[script];
  const Side& l = g_sides[lua];
  if (s.passes == 0 || l.passes == 0) return;
  auto ns = [](double seconds, int64_t passes) { return seconds * 1e9 / static_cast<double>(passes); };
  double sc = ns(s.cpu, s.passes), lc = ns(l.cpu, l.passes), sw = ns(s.wall, s.passes), lw = ns(l.wall, l.passes);
  std::printf("%s per pass: processor time %.0f ns, Lua %.0f ns, ratio %s/Lua %.1f; wall %.0f ns, Lua %.0f ns, ratio %.1f",
              what, sc, lc, script, sc / lc, sw, lw, sw / lw);
  if (statements) std::printf(" (%.2f M statements/s)", statements * 1e3 / sc);
  std::printf("\n");
}

void PrintSummary() {
  std::printf("\n");
  PrintPair("expression", "evaluator", "lua", 0);
  PrintPair("procedure", "procedure", "lua procedure", kProcStatementsPerPass);
}

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
