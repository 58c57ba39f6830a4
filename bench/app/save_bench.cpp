// Saving a 100-MP result (12000 x 8400) the way the program does (CSave with the file chooser
// and the TIFF depth answered in code): as JPEG and as a TIFF of 16 bits per channel. Each save
// goes through a temporary file that reaches the disk (fsync) before it takes the name.
//
//   app_bench --benchmark_filter=BM_Save
//   QUILT_BENCH_DIR=/dev/shm app_bench --benchmark_filter=BM_Save    (memory, no disk)
//
// peak_growth_MB is how far the process's resident high-water mark rose above its resident
// size just before the save (the mark is reset through /proc/self/clear_refs first);
// picture_MB is the picture's own pixel memory. BM_WriteOnly writes the same files straight
// through the picture layer (no temporary file, no fsync) to show what the safe write costs.
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "save_result.h"

namespace {

constexpr int kWidth = 12000, kHeight = 8400;

// A picture with structure at several scales, so the JPEG coder has real work; with
// `sixteen`, low bytes that vary too.
std::unique_ptr<CImageImpl> MakeResult(bool sixteen) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = kWidth;
    header.biHeight = kHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    const auto stride = static_cast<std::size_t>(DibStride(kWidth, 24));
    std::vector<BYTE> bits(stride * kHeight), lower;
    std::vector<float> across(kWidth);
    for (int x = 0; x < kWidth; ++x) across[x] = 60.0f * std::sin(x / 173.0f);
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = bits.data() + static_cast<std::size_t>(y) * stride;
        const float down = 50.0f * std::cos(y / 211.0f);
        for (int x = 0; x < kWidth; ++x) {
            const float base = 128.0f + across[x] + down + ((x ^ y) & 32 ? 20.0f : -20.0f);
            for (int c = 0; c < 3; ++c)
                row[3 * x + c] = static_cast<BYTE>(std::fmin(255.0f, base * (0.7f + 0.15f * c)));
        }
    }
    if (sixteen) {
        lower.resize(bits.size());
        for (std::size_t i = 0; i < lower.size(); ++i) lower[i] = static_cast<BYTE>(i * 7);
    }
    return CImageImpl::FromBitmap(header, bits.data(), sixteen ? lower.data() : nullptr, nullptr,
                                  kImageTypeBmp);
}

CImageImpl& Result(bool sixteen) {
    static std::unique_ptr<CImageImpl> pictures[2];
    auto& picture = pictures[sixteen ? 1 : 0];
    if (!picture) picture = MakeResult(sixteen);
    return *picture;
}

long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0) return std::stol(line.substr(length + 1));
    }
    return -1;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void Run(benchmark::State& state, bool throughSave) {
    const bool sixteen = state.range(0) == 1;
    CImageImpl& picture = Result(sixteen);
    if (!picture.IsValid()) {
        state.SkipWithError("the picture could not be made");
        return;
    }
    // QUILT_BENCH_DIR chooses the disk (for example /dev/shm to leave the disk out).
    const char* where = std::getenv("QUILT_BENCH_DIR");
    QTemporaryDir dir(where ? QString::fromLocal8Bit(where) + "/quilt_save_XXXXXX"
                            : QDir::tempPath() + "/quilt_save_XXXXXX");
    const std::string path = dir.path().toStdString() + (sixteen ? "/result.tif" : "/result.jpg");
    CSave save;
    save.SetImage(&picture);
    save.SetNoWriteSettings(true);
    save.SetFileChooser([&](QWidget*, const std::string&, const std::string&) { return path; });
    save.SetTiffDepthChooser([](QWidget*) { return 16; });
    long growth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        ResetPeak();
        const long before = StatusKb("VmRSS:");
        state.ResumeTiming();
        const bool written =
            throughSave ? save.Run(nullptr)
                        : picture.WriteFileAs(path, sixteen ? kImageTypeTiff : kImageTypeJpeg, {});
        state.PauseTiming();
        growth = std::max(growth, StatusKb("VmHWM:") - before);
        if (!written) state.SkipWithError("the save failed");
        state.ResumeTiming();
    }
    const double picture_MB =
        static_cast<double>(picture.GetStride()) * kHeight * (sixteen ? 2 : 1) / (1 << 20);
    state.counters["picture_MB"] = picture_MB;
    state.counters["peak_growth_MB"] = growth / 1024.0;
    state.counters["file_MB"] =
        std::filesystem::exists(path)
            ? static_cast<double>(std::filesystem::file_size(path)) / (1 << 20)
            : 0.0;
}

void BM_SaveResult(benchmark::State& state) {
    Run(state, true);
}
void BM_WriteOnly(benchmark::State& state) {
    Run(state, false);
}

// Argument: 0 JPEG of the 24-bit picture, 1 TIFF of 16 bits per channel.
BENCHMARK(BM_SaveResult)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_WriteOnly)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

} // namespace
