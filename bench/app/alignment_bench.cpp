// The alignment windows: a repaint while dragging a picture over 20 pictures of 12 MP at fit
// zoom (arrangement view) and a pair of them at 100 % and 200 % (pair view), in a 1600 x 1000
// view; and opening the Automatic Alignment window on 10 pictures of 12 MP read from JPEG files,
// with the window's own share (everything but the engine's DoAutoAlign) and the memory it adds.
#include <QCoreApplication>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

#include <chrono>
#include <memory>
#include <vector>

#include "alignment_view.h"
#include "auto_alignment.h"
#include "image_impl.h"
#include "main_app.h"
#include "prompter.h"

namespace {

constexpr int kW = 4000, kH = 3000; // 12 MP
constexpr int kViewW = 1600, kViewH = 1000;

// A 12 MP picture of a pattern that differs from picture to picture.
std::unique_ptr<CImageImpl> Picture(int seed) {
    std::unique_ptr<CImageImpl> picture = CImageImpl::Create(kW, kH, 24, kImageTypeBmp);
    for (int y = 0; y < kH; ++y) {
        BYTE* row = picture->GetRow(y);
        for (int x = 0; x < kW; ++x) {
            row[3 * x] = static_cast<BYTE>(x + seed * 40);
            row[3 * x + 1] = static_cast<BYTE>(y);
            row[3 * x + 2] = static_cast<BYTE>((x ^ y) + seed);
        }
    }
    return picture;
}

// Records of `count` pictures placed 3000 pixels apart (a quarter overlapping).
std::vector<std::unique_ptr<CImageInfo>> Records(int count) {
    std::vector<std::unique_ptr<CImageInfo>> records;
    for (int k = 0; k < count; ++k) {
        auto record = std::make_unique<CImageInfo>("/bench/" + std::to_string(k));
        record->SetPicture(Picture(k));
        record->MoveTo(3000 * k, (k % 3) * 40);
        records.push_back(std::move(record));
    }
    return records;
}

void MoveMouse(QWidget* port, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(port, &event);
}

void Press(QWidget* port, QPoint at) {
    QMouseEvent event(QEvent::MouseButtonPress, at, port->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(port, &event);
}

// One drag step and its repaint per iteration: the grabbed picture moves a pixel to and fro.
void DragLoop(benchmark::State& state, CAlignmentView& view, QPoint grab) {
    QWidget* port = view.viewport();
    Press(port, grab);
    int step = 0;
    for (auto _ : state) {
        MoveMouse(port, grab + QPoint(step++ % 2, 0), Qt::LeftButton);
        port->repaint();
    }
}

void BM_ArrangementDrag20x12MP(benchmark::State& state) {
    static std::vector<std::unique_ptr<CImageInfo>> records = Records(20);
    std::vector<CImageInfo*> pictures;
    for (auto& r : records) pictures.push_back(r.get());
    CAlignmentView view;
    view.resize(kViewW, kViewH);
    view.show();
    QCoreApplication::processEvents(); // exposed, so repaint() paints
    view.SetFitFlag(false);
    view.SetPictures(pictures);
    view.Fit();
    view.viewport()->repaint(); // the scaled copies are made here, once
    const PlacementRect d = pictures[10]->DisplayRect();
    const QPoint grab = view.Origin() + QPoint((d.left + d.right) / 2, (d.top + d.bottom) / 2);
    state.counters["zoom"] = view.GetZoom();
    DragLoop(state, view, grab);
}
BENCHMARK(BM_ArrangementDrag20x12MP)->Unit(benchmark::kMillisecond);

void BM_PairDrag12MP(benchmark::State& state) {
    static std::vector<std::unique_ptr<CImageInfo>> records = Records(2);
    CImageAlignment view;
    view.resize(kViewW, kViewH);
    view.show();
    QCoreApplication::processEvents();
    view.SetPair(records[0].get(), records[1].get());
    view.SetZoom(static_cast<float>(state.range(0)) / 100.0f);
    // Grab the second picture where it shows in the middle of the view.
    const QPoint grab(kViewW / 2, kViewH / 2);
    view.viewport()->repaint();
    DragLoop(state, view, grab);
}
BENCHMARK(BM_PairDrag12MP)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

// Answers every box with OK, so that no question stops the run.
class AgreeingPrompter final : public Prompter {
public:
    int Show(std::string_view, std::string_view, unsigned flags) override {
        return (flags & kMbButtonMask) == kMbYesNo ? kIdYes : kIdOk;
    }
    void Beep() override {}
};

long PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

long RssMb() {
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024) / 1024;
}

// Ten JPEG files of 12 MP in `dir`: views of one wide pattern, 2800 pixels apart.
std::vector<std::string> WriteTenViews(const QTemporaryDir& dir) {
    std::vector<std::string> paths;
    for (int k = 0; k < 10; ++k) {
        std::unique_ptr<CImageImpl> view = CImageImpl::Create(kW, kH, 24, kImageTypeJpeg);
        for (int y = 0; y < kH; ++y) {
            BYTE* row = view->GetRow(y);
            for (int x = 0; x < kW; ++x) {
                const int gx = x + 2800 * k;
                const int v = ((gx / 37) * 7919 ^ (y / 29) * 104729) & 255;
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<BYTE>(v);
            }
        }
        paths.push_back(dir.filePath(QString::number(k) + ".jpg").toStdString());
        view->WriteFile(paths.back());
    }
    return paths;
}

void BM_OpenAutoAlignment10x12MP(benchmark::State& state) {
    SetPrompter(std::make_shared<AgreeingPrompter>());
    QTemporaryDir dir;
    const std::vector<std::string> paths = WriteTenViews(dir);
    for (auto _ : state) {
        const long before = RssMb(), peakBefore = PeakRssMb();
        CMainApp app;
        app.Inputs().AddFiles(paths);
        AutoAlignmentWindow window(app);
        window.resize(kViewW, kViewH);
        window.show();
        const auto start = std::chrono::steady_clock::now();
        window.RunAlignment();
        window.View()->viewport()->repaint();
        const long held = RssMb() - before;
        const double total =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // The engine's share, measured again on the same pictures.
        InputImageList::TransferToEngine(app.Document(), app.Panorama(), true, app.Transfer());
        const auto engineStart = std::chrono::steady_clock::now();
        app.Panorama().DoAutoAlign(nullptr);
        const double engine =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - engineStart).count();
        state.counters["total_s"] = total;
        state.counters["engine_s"] = engine;
        state.counters["window_s"] = total - engine;
        state.counters["pictures_MB"] = 10.0 * kW * kH * 3 / (1024.0 * 1024.0);
        state.counters["held_MB"] = static_cast<double>(held);
        state.counters["peak_growth_MB"] = static_cast<double>(PeakRssMb() - peakBefore);
    }
    SetPrompter(nullptr);
}
BENCHMARK(BM_OpenAutoAlignment10x12MP)->Iterations(1)->Unit(benchmark::kSecond);

// Preparing the placed pictures of 10 JPEG files of 12 MP with shading 50 and lens 50:
// decoding, shading, lens correction and the crop to the inner size, as the alignment steps
// do when they open; and the memory that needs beyond the prepared pictures.
void BM_PrepareCorrected10x12MP(benchmark::State& state) {
    SetPrompter(std::make_shared<AgreeingPrompter>());
    QTemporaryDir dir;
    const std::vector<std::string> paths = WriteTenViews(dir);
    for (auto _ : state) {
        CMainApp app;
        app.Inputs().AddFiles(paths);
        app.Inputs().SetCorrection({0, 50, 50});
        const long before = RssMb(), peakBefore = PeakRssMb();
        const auto start = std::chrono::steady_clock::now();
        const int count = app.Inputs().BuildImageInfoList(app.Document());
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        double prepared = 0.0;
        for (const auto& record : app.Document().m_ImageInfoList)
            prepared += 3.0 * record->Width() * record->Height() / (1024.0 * 1024.0);
        state.counters["pictures"] = count;
        state.counters["prepare_s"] = seconds;
        state.counters["prepared_MB"] = prepared;
        state.counters["held_MB"] = static_cast<double>(RssMb() - before);
        state.counters["peak_growth_MB"] = static_cast<double>(PeakRssMb() - peakBefore);
    }
    SetPrompter(nullptr);
}
BENCHMARK(BM_PrepareCorrected10x12MP)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
