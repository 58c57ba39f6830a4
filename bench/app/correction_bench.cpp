// The correction windows' after-preview of a 640 x 480 preview, recomputed at every slider move:
// the correction and the conversion for the screen, as CorrectionWindow::RecomputeNow does it
// (targets: shading 30 ms, lens 60 ms). And the preparation of one 12-MP picture with shading
// and lens correction (ten of them must take at most 4 s).
//
//   app_bench --benchmark_filter=BM_Correction
#include <QSlider>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "correction_window.h"
#include "image_impl.h"
#include "input_correction.h"

namespace {

// A textured 24-bit picture.
std::unique_ptr<CImageImpl> Scene(int width, int height) {
    auto picture = CImageImpl::Create(width, height, 24, kImageTypeBmp);
    for (int y = 0; y < height; ++y) {
        BYTE* row = picture->GetRow(y);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                row[3 * x + c] =
                    static_cast<BYTE>(128 + 60 * std::sin(0.05 * x + c) * std::cos(0.037 * y) +
                                      ((x * 7 + y * 13) % 17));
    }
    return picture;
}

// One after-preview per iteration, with the slider alternating so that every one is computed.
void AfterPreview(benchmark::State& state, CorrectionWindow::Kind kind, int a, int b) {
    CorrectionWindow window(kind, Scene(640, 480), a, 0);
    bool flip = false;
    for (auto _ : state) {
        window.Slider()->setValue(flip ? a : b);
        flip = !flip;
        window.RecomputeNow();
        benchmark::DoNotOptimize(window.After().constBits());
    }
    state.counters["computed"] = window.Computations();
}

void BM_CorrectionShadingAfterPreview(benchmark::State& state) {
    AfterPreview(state, CorrectionWindow::Kind::Shading, 60, 70);
}
BENCHMARK(BM_CorrectionShadingAfterPreview)->Unit(benchmark::kMillisecond);

void BM_CorrectionLensAfterPreview(benchmark::State& state) {
    AfterPreview(state, CorrectionWindow::Kind::Lens, 60, 70);
}
BENCHMARK(BM_CorrectionLensAfterPreview)->Unit(benchmark::kMillisecond);

void BM_CorrectionPrepare12MP(benchmark::State& state) {
    const auto scene = Scene(4000, 3000);
    for (auto _ : state) {
        auto copy = scene->Crop(0, 0, 4000, 3000);
        auto prepared =
            PreparePicture(std::move(copy), PictureCorrection{0, static_cast<int>(state.range(0)),
                                                              static_cast<int>(state.range(1))});
        benchmark::DoNotOptimize(prepared.get());
    }
}
// Arguments: shading level, lens value (0 = that step skipped; 0, 0 is the copy alone).
BENCHMARK(BM_CorrectionPrepare12MP)
    ->Args({0, 0})
    ->Args({50, 0})
    ->Args({0, 50})
    ->Args({50, 50})
    ->Unit(benchmark::kMillisecond);

} // namespace
