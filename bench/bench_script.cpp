// The expression evaluator against Lua 5.4 on the same loop: per pass, one
// number increment, a division with a product, a comparison joined by "&&",
// a string concatenation and a string comparison. The evaluator is given
// the pass as one expression text each time, as a caller gives it (found in
// the cache of compiled texts by its text); Lua runs a compiled function on
// global variables. Both loops run in the same process; the program prints
// both times per pass and the ratio evaluator / Lua.
//
// The procedure runner against Lua 5.4: a counted DO_WHILE loop whose body
// calls a subroutine with GOSUB that adds to a number and builds and tests a
// string (the Lua side is bench/script_proc.lua). The procedure is compiled
// once per run and runs statement by statement with the message poll on;
// the program prints the time per loop pass, the statements per second and
// the ratio procedure / Lua.
#include <benchmark/benchmark.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

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

using Clock = std::chrono::steady_clock;
std::map<std::string, double> g_nsPerPass;

// Notes the time per pass over all iterations (each iteration has given its
// own time to the benchmark already).
void Record(const char* name, double seconds, int64_t passes) {
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
  Record("evaluator", total, passes);
  MemShutdown(true);
}

// Runs function(n) of a Lua file once per iteration.
void RunLua(benchmark::State& state, const char* file, const char* function, const char* name) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  if (luaL_dofile(L, file) != LUA_OK) {
    state.SkipWithError(lua_tostring(L, -1));
    lua_close(L);
    return;
  }
  const int64_t n = state.range(0);
  double total = 0;
  int64_t passes = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    lua_getglobal(L, function);
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
  Record(name, total, passes);
  lua_close(L);
}

void BM_Lua(benchmark::State& state) { RunLua(state, KX_BENCH_DIR "/script_loop.lua", "script_loop", "lua"); }

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

void BM_Procedure(benchmark::State& state) {
  MemShutdown(true);
  MemConfigure(512, -1);
  const int64_t n = state.range(0);
  std::string setUp = "a$='abc',b$='def',n#=" + std::to_string(n);
  if (VarSysInit() != 0 || ExpEvalStatus(StrFromC(setUp.c_str())) != 0) {
    state.SkipWithError("runtime start failed");
    return;
  }
  std::string path = (std::filesystem::temp_directory_path() / "kx_bench_loop.prc").string();
  std::ofstream(path, std::ios::binary) << kProcedure;
  double total = 0;
  int64_t passes = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    if (PrcCall(StrFromC("LOOP"), StrFromC(path.c_str()), 0) != 0) {
      state.SkipWithError("procedure failed");
      break;
    }
    double t = std::chrono::duration<double>(Clock::now() - t0).count();
    total += t;
    passes += n;
    state.SetIterationTime(t);
  }
  std::filesystem::remove(path);
  Record("procedure", total, passes);
  MemShutdown(true);
}

void BM_LuaProcedure(benchmark::State& state) {
  RunLua(state, KX_BENCH_DIR "/script_proc.lua", "proc_loop", "lua procedure");
}

BENCHMARK(BM_Evaluator)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lua)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Procedure)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LuaProcedure)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintSummary() {
  double ev = g_nsPerPass["evaluator"], lua = g_nsPerPass["lua"];
  std::printf("\nper pass: evaluator %.0f ns, Lua %.0f ns, ratio evaluator/Lua %.1f\n", ev, lua,
              lua > 0 ? ev / lua : 0.0);
  double pr = g_nsPerPass["procedure"], plua = g_nsPerPass["lua procedure"];
  std::printf("per loop pass: procedure %.0f ns (%.2f M statements/s), Lua %.0f ns, ratio procedure/Lua %.1f\n", pr,
              pr > 0 ? kProcStatementsPerPass * 1e3 / pr : 0.0, plua, plua > 0 ? pr / plua : 0.0);
}

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
