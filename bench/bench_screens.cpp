// Screen property reads on a large definition: 500 fields in about 60 KB of
// NAME:value text (FD$, ALARM$, ASSIGN$, PERFORM$, UPDFIELDS$, WIDTHS$,
// TYPES$ and a long tail of other properties). Every property read scans the
// definition text, which happens on each keystroke and field check; this
// measures one read of a per-field item near the end of its list, one
// condition, one absent name, the parse of the whole screen, and what a
// script's read of a "_" name costs while such a screen is current. No peer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "data/dictionary/dictionary.h"
#include "runtime/dynstrings.h"
#include "runtime/memory.h"
#include "runtime/strvalue.h"
#include "screens/window/screendef.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/screenprops.h"
#include "script/objparams.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

constexpr int kFields = 500;

std::string Definition() {
  auto list = [](const char* prop, auto item) {
    std::string out = std::string(prop) + ":\"";
    for (int n = 1; n <= kFields; ++n) out += (n > 1 ? "," : "") + item(n);
    return out + "\":";
  };
  auto name = [](int n) {
    char b[16];
    std::snprintf(b, sizeof b, "FIELD%03d", n);
    return std::string(b);
  };
  std::string d = list("FD$", name);
  d += list("ALARM$", [&](int n) { return name(n) + "<>'' || " + name(n) + "==" + std::to_string(n) + "*2"; });
  d += list("ASSIGN$", [&](int n) { return "'value ' + " + name(n); });
  d += list("PERFORM$", [&](int n) { return "TOTAL#=TOTAL#+" + name(n) + "*1.21"; });
  d += list("UPDFIELDS$", [&](int n) { return name(n % kFields + 1); });
  d += list("WIDTHS$", [](int n) { return std::to_string(n % 30 + 1); });
  d += list("TYPES$", [](int n) { return std::string(n % 2 ? "A" : "N"); });
  for (int i = 0; d.size() < 60000; ++i) d += "NOTE" + std::to_string(i) + "$:'a remark that takes some room':";
  d += "EDIT$:FIELD001,FIELD002";
  return d;
}

bool Start(benchmark::State& state, const std::string& def) {
  MemShutdown(true);
  MemConfigure(512, -1);
  if (VarSysInit() != 0 || DynStrPush(ObjParamsList, StrFromView(def)) != 0) {
    state.SkipWithError("runtime start failed");
    return false;
  }
  return true;
}

void BM_ScreenParse(benchmark::State& state) {
  std::string def = Definition();
  if (!Start(state, def)) return;
  for (auto _ : state) {
    ScreenDesc d;
    if (ScreenDefParse(d, nullptr, 0, StrFromC("BIG")) != 0) state.SkipWithError("parse failed");
    ScreenRemove(0);
  }
  state.counters["bytes"] = static_cast<double>(def.size());
}

void BM_ScreenProp(benchmark::State& state) {
  std::string def = Definition();
  if (!Start(state, def)) return;
  ScreenDesc d;
  if (ScreenDefParse(d, nullptr, 0, StrFromC("BIG")) != 0) state.SkipWithError("parse failed");
  const int what = static_cast<int>(state.range(0));
  for (auto _ : state) {
    uint16_t mark = StrAreaMark(-1);
    switch (what) {
      case 0: benchmark::DoNotOptimize(ScreenProp(kPropPerform, 490)); break;
      case 1: benchmark::DoNotOptimize(ScreenPropCond(kPropAlarm, 490)); break;
      default: benchmark::DoNotOptimize(ScreenDefLookup(StrFromC("ABSENT$"))); break;
    }
    StrAreaMark(mark);
  }
  state.SetLabel(what == 0 ? "PERFORM$ item 490" : what == 1 ? "ALARM$ item 490 as a condition" : "absent name");
}

// A "_" name read by a script while a screen is current: the screen-field
// hook looks the name up among the fields first. 0 the system integer _STAT
// with no screen, 1 the same with the 500-field screen current (no field has
// that name), 2 the last field's value read by its name.
void BM_UnderscoreRead(benchmark::State& state) {
  const int what = static_cast<int>(state.range(0));
  std::string def = Definition();
  if (what == 2) def.replace(def.find("FIELD500\""), 8, "_LAST$");  // the last field's name
  if (!Start(state, def)) return;
  TaskHookSet(&ScreenFieldHook, kHookValue);
  ScreenDesc d;
  if (what != 0 && ScreenDefParse(d, nullptr, 0, StrFromC("BIG")) != 0) state.SkipWithError("parse failed");
  StrValue name = StrFromC(what == 2 ? "_LAST$" : "_STAT");
  for (auto _ : state) {
    uint16_t mark = StrAreaMark(-1);
    benchmark::DoNotOptimize(VarRead(name));
    StrAreaMark(mark);
  }
  state.SetLabel(what == 0 ? "_STAT, no screen" : what == 1 ? "_STAT, 500 fields" : "field 500 by name");
}

}  // namespace

BENCHMARK(BM_UnderscoreRead)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScreenParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScreenProp)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
