// The panorama viewer over a 12000 x 3000 panorama closed all round, its view 1600 x 1000:
// one frame while turning, opening (the picture's copy, resampling, upload, first frame) and
// the resampling alone. Needs OpenGL windows: run under X, e.g.
//   tests/support/with_display.sh build/bench/app_bench --benchmark_filter=BM_Vr
// Each frame ends with glFinish, so the time is the drawing's, not only its submission.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QWindow>

#include <GL/gl.h>

#include <benchmark/benchmark.h>

#include <memory>

#include "image_impl.h"
#include "vr_texture.h"
#include "vr_viewer_dialog.h"

namespace {

constexpr int kPanoramaW = 12000, kPanoramaH = 3000;
constexpr int kViewW = 1600, kViewH = 1000;

// The panorama: blue = x, green = y, red = x ^ y (made once; plain memory).
const CImageImpl& Panorama() {
    static const std::unique_ptr<CImageImpl> picture = [] {
        auto p = CImageImpl::Create(kPanoramaW, kPanoramaH, 24, kImageTypeBmp);
        for (int y = 0; y < kPanoramaH; ++y) {
            BYTE* row = p->GetRow(y);
            for (int x = 0; x < kPanoramaW; ++x)
                row[3 * x] = static_cast<BYTE>(x), row[3 * x + 1] = static_cast<BYTE>(y),
                        row[3 * x + 2] = static_cast<BYTE>(x ^ y);
        }
        return p;
    }();
    return *picture;
}

const VrFieldOfView kFov{360.0, PanoramaVfov(360.0, kPanoramaW, kPanoramaH)};

// The viewer shown with a 1600 x 1000 view; made for each run, since widgets must be gone
// before the application object.
struct Viewer {
    VrViewerDialog dialog;
    COpenGLView* view = dialog.View();

    Viewer() {
        view->setFixedSize(kViewW, kViewH);
        dialog.show();
        QElapsedTimer waited;
        waited.start();
        while (!dialog.windowHandle()->isExposed() && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }

    bool NoContext(benchmark::State& state) const {
        if (!view->Failed() && view->context() && view->context()->isValid()) return false;
        state.SkipWithError(("no OpenGL context: " + view->LastError().toStdString()).c_str());
        return true;
    }

    void Open() { dialog.SetPicture(const_cast<CImageImpl&>(Panorama()), kFov, false); }

    // Draws one frame to the window now and waits until OpenGL has drawn it.
    void Frame() {
        view->repaint();
        view->makeCurrent();
        glFinish();
        view->doneCurrent();
    }
};

void BM_VrOpen(benchmark::State& state) {
    Panorama();
    Viewer v;
    if (v.NoContext(state)) return;
    for (auto _ : state) {
        v.Open();
        v.Frame();
    }
}
BENCHMARK(BM_VrOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VrTexturePixels(benchmark::State& state) {
    RgbPixels copy = RgbPixels::Allocate(kPanoramaW, kPanoramaH);
    for (int y = 0; y < kPanoramaH; ++y) Panorama().RowToRgb(y, copy.Row(y));
    const auto layout = TextureLayoutFor(kPanoramaW, kPanoramaH, kFov);
    for (auto _ : state) benchmark::DoNotOptimize(MakeTexturePixels(copy, *layout));
    state.SetItemsProcessed(state.iterations() * kPanoramaW * kPanoramaH);
}
BENCHMARK(BM_VrTexturePixels)->Unit(benchmark::kMillisecond);

// Turning at full speed: each frame is one 20 ms tick further.
void BM_VrFrame(benchmark::State& state) {
    Panorama();
    Viewer v;
    if (v.NoContext(state)) return;
    v.Open();
    v.Frame(); // the texture is made here, not in the loop
    VrController& c = v.view->Controller();
    c.Press(kViewW / 2, kViewH / 2);
    c.Drag(kViewW, kViewH / 2);
    for (auto _ : state) {
        c.Tick();
        v.Frame();
    }
    c.Release();
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VrFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// The view's own drawing of the same frames, read back (grabFramebuffer: the frame drawn into
// the view's framebuffer and copied into an image), without Qt putting it in the window.
void BM_VrFrameDrawOnly(benchmark::State& state) {
    Panorama();
    Viewer v;
    if (v.NoContext(state)) return;
    v.Open();
    v.Frame();
    VrController& c = v.view->Controller();
    c.Press(kViewW / 2, kViewH / 2);
    c.Drag(kViewW, kViewH / 2);
    for (auto _ : state) {
        c.Tick();
        benchmark::DoNotOptimize(v.view->grabFramebuffer());
    }
    c.Release();
}
BENCHMARK(BM_VrFrameDrawOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// What Qt's putting a frame in the window costs by itself: the view without a picture (it
// only clears).
void BM_VrFrameEmpty(benchmark::State& state) {
    Viewer v;
    if (v.NoContext(state)) return;
    for (auto _ : state) v.Frame();
}
BENCHMARK(BM_VrFrameEmpty)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
