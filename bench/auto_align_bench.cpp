// DoAutoAlign over six 4000 x 3000 views of one generated scene (30 % overlap).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_scene.h"
#include "stitchkit/MFCPanorama.h"

namespace {

using namespace bench_scene;

void BM_DoAutoAlign(benchmark::State& state) {
    std::vector<CBmpAdapter> adapters = Adapters();
    bool ok = true;
    for (auto _ : state) {
        MFCPanorama session;
        for (CBmpAdapter& a : adapters) session.AddImage(&a);
        ok = session.DoAutoAlign() && ok;
        // The answer has the precision of the refined level (64 pixels here).
        for (int k = 0; k + 1 < kViews; ++k) {
            int dr = 0, dc = 0;
            session.GetAlign(k, k + 1, &dr, &dc);
            if (std::abs(dr - TrueDr(k)) > 64 || std::abs(dc - TrueDc(k)) > 64) ok = false;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["views"] = kViews;
    if (!ok) state.SkipWithError("DoAutoAlign failed");
}
BENCHMARK(BM_DoAutoAlign)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
