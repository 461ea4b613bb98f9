// The main of a benchmark program that prints a summary of the runs after
// them: include it once, after the summary function, as
//   KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
#pragma once
#include <benchmark/benchmark.h>

inline int BenchMainWithSummary(int argc, char** argv, void (*summary)()) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  summary();
  return 0;
}

#define KX_BENCH_MAIN_WITH_SUMMARY(summary) \
  int main(int argc, char** argv) { return BenchMainWithSummary(argc, argv, summary); }
