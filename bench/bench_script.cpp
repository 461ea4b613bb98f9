// The expression evaluator against Lua 5.4 on the same loop: per pass, one
// number increment, a division with a product, a comparison joined by "&&",
// a string concatenation and a string comparison. The evaluator runs the
// pass as one expression text, scanned and evaluated from its text every
// time (as procedures run their statements); Lua runs a compiled function on
// global variables. Both loops run in the same process; the program prints
// both times per pass and the ratio evaluator / Lua.
#include <benchmark/benchmark.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "runtime/memory.h"
#include "runtime/strvalue.h"
#include "script/evaluator.h"
#include "script/variables.h"

namespace {

constexpr char kPass[] =
    "i#=i#+1,x#=(x#+i#*3)/7-1.5,c=x#>2&&i#<>10,s$=a$+'-'+b$,d=s$<'zz'";
constexpr char kSetUp[] = "i#=0,x#=0,c=0,d=0,a$='abc',b$='def',s$=''";

using Clock = std::chrono::steady_clock;
std::map<std::string, double> g_nsPerPass;

void Record(benchmark::State& state, const char* name, double seconds, int64_t passes) {
  state.SetIterationTime(seconds);
  g_nsPerPass[name] = seconds * 1e9 / static_cast<double>(passes);
}

void BM_Evaluator(benchmark::State& state) {
  MemShutdown(true);
  MemConfigure(512, -1);
  if (VarSysInit() != 0 || ExpEvalStatus(StrFromC(kSetUp)) != 0) {
    state.SkipWithError("runtime start failed");
    return;
  }
  const int64_t n = state.range(0);
  StrValue pass = StrFromC(kPass);
  double total = 0;
  int64_t passes = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    for (int64_t k = 0; k < n; ++k)
      if (ExpEvalStatus(pass) != 0) {
        state.SkipWithError("evaluation failed");
        return;
      }
    double t = std::chrono::duration<double>(Clock::now() - t0).count();
    total += t;
    passes += n;
    state.SetIterationTime(t);
  }
  Record(state, "evaluator", total, passes);
  MemShutdown(true);
}

void BM_Lua(benchmark::State& state) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  if (luaL_dofile(L, KX_BENCH_DIR "/script_loop.lua") != LUA_OK) {
    state.SkipWithError(lua_tostring(L, -1));
    lua_close(L);
    return;
  }
  const int64_t n = state.range(0);
  double total = 0;
  int64_t passes = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    lua_getglobal(L, "script_loop");
    lua_pushinteger(L, n);
    if (lua_pcall(L, 1, 1, 0) != LUA_OK) {
      state.SkipWithError(lua_tostring(L, -1));
      break;
    }
    lua_pop(L, 1);
    double t = std::chrono::duration<double>(Clock::now() - t0).count();
    total += t;
    passes += n;
    state.SetIterationTime(t);
  }
  Record(state, "lua", total, passes);
  lua_close(L);
}

BENCHMARK(BM_Evaluator)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lua)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  double ev = g_nsPerPass["evaluator"], lua = g_nsPerPass["lua"];
  std::printf("\nper pass: evaluator %.0f ns, Lua %.0f ns, ratio evaluator/Lua %.1f\n", ev, lua,
              lua > 0 ? ev / lua : 0.0);
  return 0;
}
