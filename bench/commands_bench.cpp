// The command-line commands as a user runs them, from the argument vector
// to the finished text: align with the three named alignments, check with
// the 25 set-ups of a tolerance, and the arc protractor drawn as a PDF (the
// file is made in memory, not written).  Each should take well under 10 ms
// of CPU.
#include <benchmark/benchmark.h>

#include <vector>

#include "commands/command_result.h"
#include "commands/commands.h"

namespace {

void RunArgs(benchmark::State& state, std::vector<const char*> argv) {
  argv.push_back(nullptr);
  for (auto _ : state) {
    const pw::CommandResult r = pw::RunCommand(static_cast<int>(argv.size() - 1), argv.data());
    if (r.status != 0) state.SkipWithError("the command failed");
    benchmark::DoNotOptimize(r.out.data());
    benchmark::DoNotOptimize(r.file_bytes.data());
  }
}

void AlignAll(benchmark::State& state) { RunArgs(state, {"align", "--pivot", "222", "--alignment", "all"}); }

void AlignAllJson(benchmark::State& state) {
  RunArgs(state, {"align", "--pivot", "222", "--alignment", "all", "--json"});
}

void CheckTolerance(benchmark::State& state) {
  RunArgs(state, {"check", "--pivot", "222", "--overhang", "17", "--offset", "23", "--tolerance", "0.5,0.5"});
}

void ProtractorArcPdf(benchmark::State& state) { RunArgs(state, {"protractor", "--pivot", "222"}); }

}  // namespace

BENCHMARK(AlignAll)->Unit(benchmark::kMillisecond);
BENCHMARK(AlignAllJson)->Unit(benchmark::kMillisecond);
BENCHMARK(CheckTolerance)->Unit(benchmark::kMillisecond);
BENCHMARK(ProtractorArcPdf)->Unit(benchmark::kMillisecond);
