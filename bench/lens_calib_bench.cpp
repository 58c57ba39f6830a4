// Lens distortion correction of a full-resolution 24-bit picture (4000 x 3000).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "stitchkit/AdapterResult.h"
#include "stitchkit/BmpAdapter.h"
#include "stitchkit/Dib.h"
#include "stitchkit/MFCLensCalib.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

void BM_MFCLensCalibExecute(benchmark::State& state) {
    const std::int64_t stride = DibStride(kWidth, 24);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(stride * kHeight));
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>((i * 7) ^ (i >> 9));
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = kWidth;
    header.biHeight = kHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    CBmpAdapter input(&header, pixels.data());

    MFCLensCalib calib;
    calib.SetImage(&input);
    calib.SetOutputRectType(MFCLensCalib::OutputRectOuter);
    calib.SetBackColor(BYTE{255}, BYTE{255}, BYTE{255});
    for (auto _ : state) {
        AdapterResult result;
        CBmpAdapter& output = result.Adapter();
        if (calib.Execute(&output, 50) != 1) {
            state.SkipWithError("Execute did nothing");
            break;
        }
        benchmark::DoNotOptimize(output.GetData());
    }
    std::fflush(stdout);
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_MFCLensCalibExecute)->Unit(benchmark::kMillisecond);

} // namespace
