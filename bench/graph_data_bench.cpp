// Writing data.txt and graph.txt for a large grid (inner radius 0, outer
// 10000: 100,001 rows), against a plain baseline that computes the same
// samples and writes them with snprintf("%.15g") through buffered streams.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "geometry/alignment.h"
#include "actions/graph_files.h"

namespace {

// A temporary directory with the two file paths in it.
struct Scratch {
  char dir[64] = "/tmp/pwbench-XXXXXX";
  char data[96] = {};
  char graph[96] = {};
  Scratch() {
    if (mkdtemp(dir) == nullptr) std::abort();
    std::snprintf(data, sizeof data, "%s/data.txt", dir);
    std::snprintf(graph, sizeof graph, "%s/graph.txt", dir);
  }
  ~Scratch() {
    unlink(data);
    unlink(graph);
    rmdir(dir);
  }
};

pw::GraphDataInput LargeGrid() {
  pw::ArmSetup typed;
  typed.length = 240;
  typed.overhang = 16;
  typed.offset = pw::OffsetRadians(22);
  return pw::GraphDataInput{
      .length_typed = true,
      .arm_length_text = std::string("240"),
      .pivot_text = std::string(),
      .overhang_text = std::string("16"),
      .offset_text = std::string("22"),
      .inner_text = std::string("0"),
      .outer_text = std::string("10000"),
      .arm = pw::CompleteArmSetup(true, typed),
      .span = pw::GrooveSpan{0, 10000},
  };
}

void BM_WriteGraphFiles(benchmark::State& state) {
  Scratch scratch;
  const pw::GraphDataInput in = LargeGrid();
  const char* data = scratch.data;
  const char* graph = scratch.graph;
  for (auto _ : state) {
    pw::GraphFilesResult r = pw::WriteGraphFiles(in, data, graph);
    if (r.data_error != 0 || r.graph_error != 0) state.SkipWithError("write failed");
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations() * pw::GridCount(pw::RadiusGrid(in.span)));
}
BENCHMARK(BM_WriteGraphFiles)->Unit(benchmark::kMillisecond);

void BM_BaselineSnprintf(benchmark::State& state) {
  Scratch scratch;
  const pw::GraphDataInput in = LargeGrid();
  const char* data = scratch.data;
  const char* graph = scratch.graph;
  const pw::GridRange grid = pw::RadiusGrid(in.span);
  for (auto _ : state) {
    FILE* d = std::fopen(data, "wb");
    FILE* g = std::fopen(graph, "wb");
    if (d == nullptr || g == nullptr) std::abort();
    std::setvbuf(d, nullptr, _IOFBF, 64 * 1024);
    std::setvbuf(g, nullptr, _IOFBF, 64 * 1024);
    char r[32], e[32], t[32];
    for (int64_t n = grid.first; n <= grid.last; ++n) {
      const pw::TrackingSample s = pw::TrackingSampleAt(in.arm, static_cast<int32_t>(n));
      std::snprintf(r, sizeof r, "%.15g", s.radius);
      std::snprintf(e, sizeof e, "%.15g", s.error);
      std::snprintf(t, sizeof t, "%.15g", s.distortion);
      std::fprintf(d, "%-14s%-14s%s\r\n", r, e, t);
      std::fprintf(g, "%s,%s,%s,%s\r\n", r, e, r, t);
    }
    std::fclose(d);
    std::fclose(g);
  }
  state.SetItemsProcessed(state.iterations() * pw::GridCount(grid));
}
BENCHMARK(BM_BaselineSnprintf)->Unit(benchmark::kMillisecond);

}  // namespace
