// The file pane over a photographer's folder: 4000 x 3000 JPEGs read by the folder worker and
// the thumbnail pool while the window thread keeps handling events.
//
//   app_bench --benchmark_filter=BM_BrowseFolder       cold (empty cache) and warm visits
//   app_bench --benchmark_filter=BM_ChangeFolderMidRead
//
// Counters: first20_ms (first 20 entries listed), all_ms (every thumbnail shown), max_gap_ms
// (the longest time the window thread went without handling a 5 ms timer), stop_ms (choosing
// another folder mid-read until the list is empty and no old work is left). The pictures are
// written once into a temporary folder; XDG_CACHE_HOME points into it.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "file_list_model.h"
#include "file_view.h"
#include "folder_reader.h"
#include "image_impl.h"

namespace {

constexpr int kFiles = 200;

struct PhotoFolder {
    QTemporaryDir root;
    QString photos, cache;
    PhotoFolder() {
        photos = root.filePath("photos");
        cache = root.filePath("cache");
        QDir().mkpath(photos);
        std::unique_ptr<CImageImpl> picture = CImageImpl::Create(4000, 3000, 24, kImageTypeJpeg);
        for (int k = 0; k < kFiles; ++k) {
            // A smooth scene with fine detail, shifted per file so each one differs.
            for (int y = 0; y < 3000; ++y) {
                BYTE* row = picture->GetRow(y);
                for (int x = 0; x < 4000; ++x) {
                    const double v =
                        128 + 70 * std::sin((x + 37 * k) / 150.0) * std::cos(y / 190.0);
                    row[3 * x] = static_cast<BYTE>(v);
                    row[3 * x + 1] = static_cast<BYTE>(v + ((x * 7 + y * 3) & 31));
                    row[3 * x + 2] = static_cast<BYTE>(255 - v);
                }
            }
            picture->SetJpegQuality(90);
            if (!picture->WriteFile(QStringLiteral("%1/IMG_%2.jpg")
                                        .arg(photos)
                                        .arg(k, 4, 10, QChar('0'))
                                        .toStdString()))
                std::abort();
        }
        setenv("XDG_CACHE_HOME", cache.toLocal8Bit().constData(), 1);
    }
};

PhotoFolder& Folder() {
    static PhotoFolder folder;
    return folder;
}

// Runs the event loop until `done`, measuring the longest gap between 5 ms timer ticks.
template <class Done> double RunUntil(Done done, double* maxGapMs) {
    QElapsedTimer total, gap;
    total.start();
    gap.start();
    double worst = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        worst = std::max(worst, gap.nsecsElapsed() / 1e6);
        gap.restart();
    });
    tick.start();
    while (!done() && total.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    worst = std::max(worst, gap.nsecsElapsed() / 1e6);
    if (maxGapMs) *maxGapMs = worst;
    return total.nsecsElapsed() / 1e6;
}

void BM_BrowseFolder(benchmark::State& state) {
    PhotoFolder& folder = Folder();
    const bool warm = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!warm) QDir(folder.cache).removeRecursively();
        CFileView view;
        view.resize(1200, 800);
        view.show();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        view.SetDirectory(folder.photos);
        double gap = 0;
        RunUntil([&] { return view.Model()->rowCount() >= 20; }, &gap);
        const double first = clock.nsecsElapsed() / 1e6;
        double gap2 = 0;
        RunUntil([&] { return !view.Reader()->IsReading(); }, &gap2);
        state.counters["first20_ms"] = first;
        state.counters["all_ms"] = clock.nsecsElapsed() / 1e6;
        state.counters["max_gap_ms"] = std::max(gap, gap2);
        state.counters["listed"] = view.Model()->rowCount();
    }
}
BENCHMARK(BM_BrowseFolder)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ChangeFolderMidRead(benchmark::State& state) {
    PhotoFolder& folder = Folder();
    QTemporaryDir empty;
    for (auto _ : state) {
        QDir(folder.cache).removeRecursively();
        CFileView view;
        view.SetDirectory(folder.photos);
        RunUntil([&] { return view.Model()->rowCount() >= 40; }, nullptr);
        QElapsedTimer clock;
        clock.start();
        view.SetDirectory(empty.path());
        // The old folder's work is over when no thumbnail task runs any more.
        RunUntil(
            [&] {
                return view.Model()->rowCount() == 0 && view.Reader()->RunningTasks() == 0 &&
                       !view.Reader()->IsReading();
            },
            nullptr);
        state.counters["stop_ms"] = clock.nsecsElapsed() / 1e6;
    }
}
BENCHMARK(BM_ChangeFolderMidRead)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
