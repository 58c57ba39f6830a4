// Translation and rigid mosaics of six 4000 x 3000 views (30 percent overlap) at the large
// (full) and small processing sizes. The alignments are given, as after the alignment step.
// STITCHKIT_THREADS=1 gives the one-thread figures.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>

#include "bench_scene.h"
#include "stitchkit/AdapterResult.h"
#include "stitchkit/MFCPanorama.h"

namespace {

using namespace bench_scene;

template <bool Rigid> void BM_FlatMosaic(benchmark::State& state) {
    std::vector<CBmpAdapter> adapters = Adapters();
    const int size = static_cast<int>(state.range(0));
    bool ok = true;
    int width = 0, height = 0;
    for (auto _ : state) {
        MFCPanorama session;
        for (CBmpAdapter& a : adapters) session.AddImage(&a);
        for (int k = 0; k + 1 < kViews; ++k) session.AddAlign(TrueDr(k), TrueDc(k));
        session.SetSize(size);
        AdapterResult result;
        CBmpAdapter& out = result.Adapter();
        ok = (Rigid ? session.DoRigidTransMosaics(&out) : session.DoTranslationMosaics(&out)) && ok;
        if (!out.IsEmpty()) {
            width = out.GetWidth();
            height = out.GetHeight();
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["width"] = width;
    state.counters["height"] = height;
    if (!ok) state.SkipWithError("the mosaic failed");
}

BENCHMARK(BM_FlatMosaic<false>)
    ->Name("BM_DoTranslationMosaics")
    ->Arg(2)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK(BM_FlatMosaic<true>)
    ->Name("BM_DoRigidTransMosaics")
    ->Arg(2)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

} // namespace
