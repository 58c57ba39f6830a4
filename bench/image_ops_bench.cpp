// Throughput of the image operations on full-resolution pictures (12 MP) and on a
// processing-size band (1 MP). Items are pixels, so the counters read as pixels per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "core/image_ops.h"
#include "core/image_ptr.h"
#include "core/image_record.h"
#include "stitchkit/BmpAdapter.h"
#include "stitchkit/Dib.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Deterministic, non-constant content so that no operation sees a trivial picture.
unsigned char Value(int r, int c, int b) {
    return static_cast<unsigned char>((r * 7 + c * 13 + b * 101 + ((r * c) >> 5)) & 255);
}

NImagePtr MakeUByte(int nbands, int nrows, int ncolumns) {
    NImagePtr image(NCreateImage(nbands, nrows, ncolumns, NUByteRepn));
    for (int b = 0; b < nbands; ++b)
        for (int r = 0; r < nrows; ++r) {
            unsigned char* row = image->band_index[b][r];
            for (int c = 0; c < ncolumns; ++c) row[c] = Value(r, c, b);
        }
    return image;
}

NImagePtr MakeFloat(int nrows, int ncolumns) {
    NImagePtr image(NCreateImage(1, nrows, ncolumns, NFloatRepn));
    for (int r = 0; r < nrows; ++r) {
        auto* row = reinterpret_cast<float*>(image->band_index[0][r]);
        for (int c = 0; c < ncolumns; ++c) row[c] = static_cast<float>(Value(r, c, 0));
    }
    return image;
}

void BM_NReduceImage(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    const NImagePtr src = MakeUByte(3, kHeight, kWidth);
    for (auto _ : state) {
        NImagePtr reduced(NReduceImage(src.get(), nullptr, -1, factor, factor));
        benchmark::DoNotOptimize(reduced.get());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_NReduceImage)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_NSmoothGaussian13(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const NImagePtr src = MakeFloat(height, width);
    for (auto _ : state) {
        NImagePtr smoothed(NSmoothGaussian(src.get(), 13, 0));
        benchmark::DoNotOptimize(smoothed.get());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{width} * height);
}
BENCHMARK(BM_NSmoothGaussian13)
    ->Args({1000, 1000})
    ->Args({kWidth, kHeight})
    ->Unit(benchmark::kMillisecond);

void BM_NConvolveSep5(benchmark::State& state) {
    const NImagePtr src = MakeFloat(kHeight, kWidth);
    const float taps[5] = {1.0f / 16, 4.0f / 16, 6.0f / 16, 4.0f / 16, 1.0f / 16};
    NImagePtr rowMask(NCreateImage(1, 1, 5, NFloatRepn));
    NImagePtr columnMask(NCreateImage(1, 5, 1, NFloatRepn));
    for (int k = 0; k < 5; ++k) {
        NPixel<float>(rowMask.get(), 0, 0, k) = taps[k];
        NPixel<float>(columnMask.get(), 0, k, 0) = taps[k];
    }
    for (auto _ : state) {
        NImagePtr filtered(NConvolveSep(src.get(), nullptr, 0, rowMask.get(), columnMask.get(),
                                        NPadClamp, NPadClamp, 0, 0));
        benchmark::DoNotOptimize(filtered.get());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_NConvolveSep5)->Unit(benchmark::kMillisecond);

void BM_NImageGradient3(benchmark::State& state) {
    const NImagePtr src = MakeFloat(kHeight, kWidth);
    for (auto _ : state) {
        NImagePtr gradient(NImageGradient3(src.get()));
        benchmark::DoNotOptimize(gradient.get());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_NImageGradient3)->Unit(benchmark::kMillisecond);

void BM_CBmpAdapterToNIL(benchmark::State& state) {
    const std::int64_t stride = DibStride(kWidth, 24);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(stride * kHeight));
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 31);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = kWidth;
    header.biHeight = kHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    CBmpAdapter adapter(&header, pixels.data());
    for (auto _ : state) {
        NImagePtr image(adapter.ToNIL(true));
        benchmark::DoNotOptimize(image.get());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_CBmpAdapterToNIL)->Unit(benchmark::kMillisecond);

} // namespace
