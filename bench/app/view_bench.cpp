// The picture views: composing a 1600 x 1000 canvas, and repainting the image viewer over a
// 12000 x 3000 panorama in a 1600 x 1000 view after a zoom step or a scroll, at every zoom.
#include <QCoreApplication>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "blend_canvas.h"
#include "image_impl.h"
#include "image_viewer.h"

namespace {

constexpr int kCanvasW = 1600, kCanvasH = 1000;

void BM_Compose(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    BlendCanvas canvas;
    canvas.Resize(kCanvasW, kCanvasH);
    const std::ptrdiff_t stride = (3 * kCanvasW + 3) / 4 * 4;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(stride) * kCanvasH);
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<std::uint8_t>(i * 7);
    const Bgr24View picture{bits.data(), kCanvasW, kCanvasH, stride};
    canvas.ClearToDefault();
    canvas.Compose(picture, 0, 0, kComposeOpaque); // counts above 0 for modes 1 and 2
    canvas.Compose(picture, 0, 0, kComposeHalfMix);
    for (auto _ : state) {
        canvas.Compose(picture, 0, 0, mode);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCanvasW * kCanvasH);
}
BENCHMARK(BM_Compose)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

struct ViewerFixture {
    std::unique_ptr<CImageImpl> picture;
    std::unique_ptr<CImageViewer> viewer;
    ViewerFixture() {
        picture = CImageImpl::Create(12000, 3000, 24, kImageTypeBmp);
        for (int y = 0; y < 3000; ++y) {
            BYTE* row = picture->GetRow(y);
            for (int x = 0; x < 12000; ++x)
                row[3 * x] = static_cast<BYTE>(x), row[3 * x + 1] = static_cast<BYTE>(y),
                        row[3 * x + 2] = static_cast<BYTE>(x ^ y);
        }
        viewer = std::make_unique<CImageViewer>();
        viewer->resize(kCanvasW, kCanvasH);
        viewer->show();
        viewer->SetPicture(picture.get());
        QCoreApplication::processEvents(); // exposed, so repaint() paints
    }
};

ViewerFixture& Fixture() {
    static ViewerFixture fixture;
    return fixture;
}

// One repaint after a zoom change (range(0) = zoom in percent), then after 100-pixel scrolls.
void BM_ViewerRepaint(benchmark::State& state) {
    ViewerFixture& f = Fixture();
    const float zoom = static_cast<float>(state.range(0)) / 100.0f;
    const bool scroll = state.range(1) != 0;
    f.viewer->SetZoom(zoom * 1.0001f); // a different zoom first, so the pyramid level is built
    f.viewer->SetZoom(zoom);
    f.viewer->viewport()->repaint();
    QScrollBar* bar = f.viewer->horizontalScrollBar();
    bool flip = false;
    for (auto _ : state) {
        if (scroll) {
            bar->setValue(bar->value() + (flip ? -100 : 100));
        } else {
            f.viewer->SetZoom(flip ? zoom : zoom * 1.0001f);
        }
        flip = !flip;
        f.viewer->viewport()->repaint();
    }
    state.counters["extra_MB"] = static_cast<double>(f.viewer->ExtraBytes()) / (1 << 20);
}
BENCHMARK(BM_ViewerRepaint)
    ->ArgsProduct({{10, 25, 50, 100, 200, 300}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

} // namespace
