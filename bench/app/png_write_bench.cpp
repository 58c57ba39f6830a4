// Writing an 18-MP 24-bit panorama (6000 x 3000) as PNG with the picture layer's writer, and
// the same picture with libpng's defaults (zlib level 6, a choice among all five row filters per
// row), which the writer used before it was tuned for speed.
//
//   app_bench --benchmark_filter=BM_PngWrite
//
// The scene is a landscape of fractal texture (nine octaves of value noise, finest at 2
// pixels) under a sky, with a little sensor grain and a white band of uncovered canvas above
// and below that bulges as a cylinder projection's does. Its default-settings file holds about
// one byte per pixel; stitched photographs hold 1.2 to 1.8.
//
// items_per_second counts pixels per second of CPU time (1M/s = 1 MP/s); file_MB is the size of the
// file, size_vs_defaults its ratio to the file written with libpng's defaults.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <png.h>
#include <unistd.h>

#include "image_impl.h"

namespace {

constexpr int kWidth = 6000, kHeight = 3000;

float Hash(int x, int y, unsigned octave) {
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u +
                 octave * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<float>((h ^ (h >> 16)) & 0xffff) / 65535.0f;
}

// Smoothly interpolated lattice noise in [0, 1].
float ValueNoise(float x, float y, unsigned octave) {
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    float fx = x - static_cast<float>(xi), fy = y - static_cast<float>(yi);
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    const float a = Hash(xi, yi, octave), b = Hash(xi + 1, yi, octave);
    const float c = Hash(xi, yi + 1, octave), d = Hash(xi + 1, yi + 1, octave);
    const float top = a + (b - a) * fx, bottom = c + (d - c) * fx;
    return top + (bottom - top) * fy;
}

std::unique_ptr<CImageImpl> MakePanorama() {
    std::unique_ptr<CImageImpl> picture = CImageImpl::Create(kWidth, kHeight, 24, kImageTypePng);
    if (!picture) std::abort();
    std::uint32_t noise = 2463534242u;
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = picture->GetRow(y); // blue, green, red
        for (int x = 0; x < kWidth; ++x) {
            BYTE* pixel = row + 3 * x;
            const float across = (x - kWidth / 2.0f) / (kWidth / 2.0f);
            const float bulge = 0.06f * kHeight * (1 - across * across);
            if (y < 0.09f * kHeight - bulge + 10 || y > 0.91f * kHeight + bulge - 10) {
                pixel[0] = pixel[1] = pixel[2] = 255;
                continue;
            }
            float v = 0, u = 0, amplitude = 1, frequency = 1 / 500.0f, total = 0;
            for (unsigned octave = 0; octave < 9; ++octave) {
                v += amplitude * ValueNoise(x * frequency, y * frequency, octave);
                u += amplitude * ValueNoise(x * frequency, y * frequency, octave + 20);
                total += amplitude;
                amplitude *= 0.62f;
                frequency *= 2.0f;
            }
            v /= total;
            u /= total;
            const bool sky =
                y < 900 + 200 * std::sin(x / 700.0f) + 60 * ValueNoise(x / 40.0f, 0, 99);
            noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
            const float grain = static_cast<float>(noise & 7) - 3.5f;
            const float chroma = static_cast<float>((noise >> 8) & 1);
            float rgb[3];
            if (sky) {
                rgb[0] = 200 + 25 * v + y * 0.02f;
                rgb[1] = 150 + 25 * v + y * 0.03f + chroma;
                rgb[2] = 100 + 20 * v;
            } else {
                rgb[0] = 30 + 300 * v * u;
                rgb[1] = 40 + 170 * v + chroma;
                rgb[2] = 50 + 120 * u;
            }
            for (int c = 0; c < 3; ++c)
                pixel[2 - c] =
                    static_cast<BYTE>(std::fmin(255.0f, std::fmax(0.0f, rgb[c] + grain)));
        }
    }
    return picture;
}

CImageImpl& Panorama() {
    static const std::unique_ptr<CImageImpl> picture = MakePanorama();
    return *picture;
}

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            (std::string("quilt_png_bench_") + std::to_string(getpid()) + "_" + name))
        .string();
}

// The picture written by libpng with its default compression level and filter choice.
bool WriteWithDefaults(const CImageImpl& picture, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.GetWidth()),
                 static_cast<png_uint_32>(picture.GetHeight()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    std::vector<BYTE> row(static_cast<std::size_t>(picture.GetWidth()) * 3);
    for (int y = 0; y < picture.GetHeight(); ++y) {
        std::copy(picture.GetRow(y), picture.GetRow(y) + row.size(), row.begin());
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

std::uintmax_t DefaultsFileSize() {
    static const std::uintmax_t size = [] {
        const std::string path = TempPath("defaults.png");
        if (!WriteWithDefaults(Panorama(), path)) std::abort();
        const std::uintmax_t bytes = std::filesystem::file_size(path);
        std::filesystem::remove(path);
        return bytes;
    }();
    return size;
}

void Report(benchmark::State& state, std::uintmax_t bytes) {
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kWidth) * kHeight);
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["size_vs_defaults"] =
        static_cast<double>(bytes) / static_cast<double>(DefaultsFileSize());
}

void BM_PngWrite(benchmark::State& state) {
    CImageImpl& picture = Panorama();
    DefaultsFileSize(); // made before the timing starts
    const std::string path = TempPath("written.png");
    for (auto _ : state) {
        if (!picture.WriteFile(path)) state.SkipWithError("the picture could not be written");
    }
    const std::uintmax_t bytes = std::filesystem::file_size(path);
    // The file must read back as the picture, or the rate means nothing.
    std::unique_ptr<CImageImpl> back = CImageImpl::Open(path, kImageTypePng);
    for (int y = 0; back && y < kHeight; ++y)
        if (!std::equal(back->GetRow(y), back->GetRow(y) + 3 * kWidth, picture.GetRow(y)))
            back.reset();
    if (!back) state.SkipWithError("the written file does not read back as the picture");
    std::filesystem::remove(path);
    Report(state, bytes);
}
BENCHMARK(BM_PngWrite)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_PngWriteLibpngDefaults(benchmark::State& state) {
    const CImageImpl& picture = Panorama();
    const std::string path = TempPath("defaults_timed.png");
    for (auto _ : state) {
        if (!WriteWithDefaults(picture, path)) state.SkipWithError("not written");
    }
    const std::uintmax_t bytes = std::filesystem::file_size(path);
    std::filesystem::remove(path);
    Report(state, bytes);
}
BENCHMARK(BM_PngWriteLibpngDefaults)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Iterations(2);

} // namespace
