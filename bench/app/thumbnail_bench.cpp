// Thumbnails of a photographer's folder: 4000 x 3000 JPEGs (quality 90, a textured scene)
// made by two worker threads, as the file pane's pool does, with the shared cache empty
// (cold: decoded and stored), filled (warm: a second visit) or not used.
//
//   app_bench --benchmark_filter=BM_FolderThumbnails            all 200 files
//   app_bench --benchmark_filter='BM_FolderThumbnails/20/'      quick: 20 files
//
// The pictures are written once per run into a temporary folder (about a second each), and
// XDG_CACHE_HOME points into it, so the user's cache is never touched.
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "thumbnail_maker.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000, kQuality = 90, kWorkers = 2;

// A scene with structure at several scales and a little sensor noise, different per file.
void WriteScene(const std::string& path, unsigned seed) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<float> across(kWidth), fine(kWidth);
    for (int x = 0; x < kWidth; ++x) {
        across[x] = 60.0f * std::sin((x + 97.0f * seed) / 173.0f);
        fine[x] = 25.0f * std::sin(x / 7.3f + seed);
    }
    std::vector<JSAMPLE> row(kWidth * 3);
    std::uint32_t noise = 2463534242u + seed;
    for (int y = 0; y < kHeight; ++y) {
        const float down = 50.0f * std::cos((y + 31.0f * seed) / 211.0f);
        const float band = 20.0f * std::sin(y / 5.1f);
        for (int x = 0; x < kWidth; ++x) {
            noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
            const float base = 128.0f + across[x] + down + ((x ^ y) & 64 ? fine[x] : band);
            const float grain = static_cast<float>(noise & 15) - 7.5f;
            for (int c = 0; c < 3; ++c) {
                const float value = base * (0.7f + 0.15f * c) + grain + 20.0f * c;
                row[3 * x + c] = static_cast<JSAMPLE>(std::fmin(255.0f, std::fmax(0.0f, value)));
            }
        }
        JSAMPROW rows = row.data();
        jpeg_write_scanlines(&cinfo, &rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
}

// The folder of pictures, grown to as many as a benchmark asks for.
struct Folder {
    QTemporaryDir root;
    std::vector<QString> pictures;

    Folder() {
        if (!root.isValid()) std::abort();
        QDir(root.path()).mkpath("pictures");
        setenv("XDG_CACHE_HOME", QFile::encodeName(CacheHome()).constData(), 1);
    }
    QString CacheHome() const { return root.path() + "/cache"; }
    const std::vector<QString>& Pictures(int count) {
        while (static_cast<int>(pictures.size()) < count) {
            const QString path =
                root.path() +
                QString("/pictures/IMG_%1.JPG").arg(pictures.size(), 4, 10, QChar('0'));
            WriteScene(QFile::encodeName(path).toStdString(),
                       static_cast<unsigned>(pictures.size()));
            pictures.push_back(path);
        }
        return pictures;
    }
    void EmptyCache() const { QDir(CacheHome() + "/thumbnails").removeRecursively(); }
};

Folder& TheFolder() {
    static Folder folder;
    return folder;
}

// User and system time of every thread of the process.
double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Thumbnails of the first `count` pictures by two workers taking the next file in turn.
bool MakeAll(const std::vector<QString>& pictures, int count, bool useCache) {
    std::atomic<int> next{0};
    std::atomic<bool> allMade{true};
    auto work = [&] {
        for (int i = next++; i < count; i = next++) {
            const FileThumbnail made =
                MakeFileThumbnail(pictures[i], 100, QColor(201, 192, 187), useCache);
            if (made.thumbnail.size() != QSize(100, 75)) allMade = false;
        }
    };
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) workers.emplace_back(work);
    for (std::thread& worker : workers) worker.join();
    return allMade;
}

// Arguments: number of files; 0 cold cache, 1 warm cache, 2 no cache.
void BM_FolderThumbnails(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const int mode = static_cast<int>(state.range(1));
    Folder& folder = TheFolder();
    const std::vector<QString>& pictures = folder.Pictures(count);
    folder.EmptyCache();
    if (mode == 1) MakeAll(pictures, count, true);
    double seconds = 0, cpuSeconds = 0;
    for (auto _ : state) {
        if (mode == 0) {
            state.PauseTiming();
            folder.EmptyCache();
            state.ResumeTiming();
        }
        const double cpuStart = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        if (!MakeAll(pictures, count, mode != 2)) state.SkipWithError("a thumbnail is missing");
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpuSeconds += ProcessCpuSeconds() - cpuStart;
    }
    state.SetItemsProcessed(state.iterations() * count);
    const double files = static_cast<double>(state.iterations()) * count;
    state.counters["ms_per_file"] = 1000.0 * seconds / files;
    // CPU time of all threads: what a file costs whatever else the cores are doing.
    state.counters["cpu_ms_per_file"] = 1000.0 * cpuSeconds / files;
    std::int64_t bytes = 0;
    for (int i = 0; i < count; ++i) bytes += QFileInfo(pictures[i]).size();
    state.counters["MB_per_file"] = static_cast<double>(bytes) / count / 1e6;
}
BENCHMARK(BM_FolderThumbnails)
    ->ArgsProduct({{20, 200}, {0, 1, 2}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
