// Cylinder mosaics of 4000 x 3000 views taken by a camera turning about its vertical axis: a
// 180-degree pan of 8 views and a closed 360-degree turn of 12 views, about a third of each
// view shared with the next, at the large (full) and small processing sizes. The alignments
// are given, as after the alignment step. Run each benchmark in its own process (with
// --benchmark_filter) for its peak memory: peak_MB is the process's high-water mark.
// STITCHKIT_THREADS=1 gives the one-thread figures.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <thread>
#include <vector>

#include "bench_scene.h"
#include "stitchkit/AdapterResult.h"
#include "stitchkit/MFCPanorama.h"

namespace {

using bench_scene::kColumns;
using bench_scene::kRows;
using bench_scene::View;

// A camera turn: `views` views `step` radians apart, focal length F pixels, every view seeing
// the generated scene wrapped around a cylinder of radius F.
struct CameraTurn {
    int views;
    double step;
    double F;
    bool closed;

    // Focal length in mm of a 35 mm frame whose longer side is 35 mm.
    double Millimetres() const { return F * 35.0 / kColumns; }
    // The projected width: trunc(2 F theta), theta = atan(C / 2F).
    double ProjectedWidth() const { return std::trunc(2.0 * F * std::atan2(kColumns / 2.0, F)); }
    // The alignment of the next view in the flat pictures' columns: the projected shift scaled
    // by C / N, which the engine's rescaling turns back into the projected shift.
    int Alignment() const {
        const double N = ProjectedWidth(), theta = std::atan2(kColumns / 2.0, F);
        // N / (2 theta) projected columns per radian.
        return static_cast<int>(std::lround(step * N / (2.0 * theta) * kColumns / N));
    }
};

double HalfField(double F) {
    return std::atan2(kColumns / 2.0, F);
}

// 8 views over 180 degrees: a field of view of 180 / (1 + 7 x 2/3) = 31.8 degrees.
const double kPanField = std::numbers::pi / (1.0 + 7.0 * 2.0 / 3.0);
const CameraTurn kPan{8, kPanField * 2.0 / 3.0, kColumns / 2.0 / std::tan(kPanField / 2.0), false};
// 12 views over a full turn: 30-degree steps, a 45-degree field of view.
const CameraTurn kFullTurn{12, std::numbers::pi / 6.0,
                           kColumns / 2.0 / std::tan(std::numbers::pi / 8.0), true};

std::vector<View> RenderTurn(const CameraTurn& turn) {
    const double circumference = 2.0 * std::numbers::pi * turn.F, theta = HalfField(turn.F);
    const int sceneColumns =
        static_cast<int>(turn.closed ? circumference
                                     : turn.F * (turn.views * turn.step + 2.0 * theta)) +
        64;
    const bench_scene::Scene scene(kRows + 400, sceneColumns);
    // Per view column: the angle off the view's axis and the factor that takes a view row to
    // a height on the cylinder.
    std::vector<double> angle(kColumns), lift(kColumns);
    for (int c = 0; c < kColumns; ++c) {
        const double x = c - (kColumns - 1) / 2.0;
        angle[static_cast<std::size_t>(c)] = std::atan2(x, turn.F);
        lift[static_cast<std::size_t>(c)] = turn.F / std::hypot(x, turn.F);
    }
    std::vector<View> views(static_cast<std::size_t>(turn.views));
    const auto stride = static_cast<std::size_t>(DibStride(kColumns, 24));
    const auto render = [&](int k) {
        View& v = views[static_cast<std::size_t>(k)];
        v.header.biSize = sizeof(BITMAPINFOHEADER);
        v.header.biWidth = kColumns;
        v.header.biHeight = kRows;
        v.header.biPlanes = 1;
        v.header.biBitCount = 24;
        v.pixels.resize(stride * kRows);
        for (int r = 0; r < kRows; ++r) {
            unsigned char* row = v.pixels.data() + (kRows - 1 - r) * stride;
            const double y = r - (kRows - 1) / 2.0;
            for (int c = 0; c < kColumns; ++c) {
                const double a =
                    (k * turn.step + angle[static_cast<std::size_t>(c)] + theta) * turn.F;
                int tc = static_cast<int>(std::lround(a)) + 32;
                if (turn.closed) tc %= static_cast<int>(circumference);
                const int tr =
                    static_cast<int>(std::lround(y * lift[static_cast<std::size_t>(c)])) +
                    kRows / 2 + 200;
                for (int b = 0; b < 3; ++b) row[c * 3 + 2 - b] = scene.At(b, tr, tc);
            }
        }
    };
    std::vector<std::thread> workers;
    const int threads = 2;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int k = t; k < turn.views; k += threads) render(k);
        });
    for (std::thread& w : workers) w.join();
    return views;
}

template <const CameraTurn& Turn> void BM_CylinderMosaic(benchmark::State& state) {
    std::vector<View> views = RenderTurn(Turn);
    std::vector<CBmpAdapter> adapters;
    for (View& v : views) adapters.emplace_back(&v.header, v.pixels.data());
    const int size = static_cast<int>(state.range(0));
    MosaicReturnValue code = MosaicOK;
    int width = 0, height = 0;
    for (auto _ : state) {
        MFCPanorama session;
        for (CBmpAdapter& a : adapters) session.AddImage(&a);
        for (int k = 0; k + 1 < Turn.views; ++k) session.AddAlign(0, Turn.Alignment());
        if (Turn.closed) {
            session.SetFlag360(1);
            session.SetAlignment360(0, Turn.Alignment());
        }
        session.SetSize(size);
        AdapterResult result;
        CBmpAdapter& out = result.Adapter();
        code = session.DoCylinderMosaics(Turn.Millimetres(), &out, false);
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
    if (code != MosaicOK && code != MosaicTranslationFallback)
        state.SkipWithError("the mosaic failed");
}

BENCHMARK(BM_CylinderMosaic<kPan>)
    ->Name("BM_DoCylinderMosaics_Pan180")
    ->Arg(2)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK(BM_CylinderMosaic<kFullTurn>)
    ->Name("BM_DoCylinderMosaics_Turn360")
    ->Arg(2)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

} // namespace
