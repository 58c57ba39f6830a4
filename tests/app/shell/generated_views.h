// Views of a generated landscape for the window tests: value noise on 24- and 9-pixel grids,
// different per channel, optionally repeating every `period` columns (a full turn), cut into
// 400 x 300 views at known offsets so every alignment has a ground truth; and an application
// whose input list holds such views.
#pragma once

#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image_impl.h"
#include "main_app.h"
#include "stitch_driver.h"

namespace generated {

inline BYTE Landscape(int x, int y, int channel, int period = 0) {
    auto hash = [](int a, int b, int c) {
        unsigned h = static_cast<unsigned>(a) * 73856093u ^ static_cast<unsigned>(b) * 19349663u ^
                     static_cast<unsigned>(c) * 83492791u;
        h ^= h >> 13;
        h *= 0x5bd1e995u;
        return static_cast<double>((h >> 8) & 255);
    };
    if (period > 0) x = ((x % period) + period) % period;
    auto noise = [&](int cell) {
        const int cells = period > 0 ? period / cell : 0; // a period holds whole cells
        auto wrap = [cells](int c) { return cells > 0 ? c % cells : c; };
        // Cells counted with floor division, so negative coordinates continue the grid.
        auto cellOf = [cell](int v) { return v >= 0 ? v / cell : -((-v + cell - 1) / cell); };
        const int cx = cellOf(x), cy = cellOf(y);
        const double fx = (x - cx * cell) / static_cast<double>(cell),
                     fy = (y - cy * cell) / static_cast<double>(cell);
        const double top = hash(wrap(cx), cy, channel + cell) * (1 - fx) +
                           hash(wrap(cx + 1), cy, channel + cell) * fx;
        const double bottom = hash(wrap(cx), cy + 1, channel + cell) * (1 - fx) +
                              hash(wrap(cx + 1), cy + 1, channel + cell) * fx;
        return top * (1 - fy) + bottom * fy;
    };
    return static_cast<BYTE>(0.6 * noise(24) + 0.4 * noise(9));
}

// 400 x 300 pixels of a scene `value(x, y, channel)` with their top-left corner at (left, top).
template <class Scene> std::unique_ptr<CImageImpl> ViewOf(Scene value, int left, int top) {
    std::unique_ptr<CImageImpl> view = CImageImpl::Create(400, 300, 24, kImageTypeBmp);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            for (int c = 0; c < 3; ++c) view->GetRow(y)[3 * x + c] = value(left + x, top + y, c);
    return view;
}

// 400 x 300 pixels of the landscape with their top-left corner at (left, top).
inline std::unique_ptr<CImageImpl> View(int left, int top, int period = 0) {
    return ViewOf([period](int x, int y, int c) { return Landscape(x, y, c, period); }, left, top);
}

// An application whose input list holds `count` files that exist (so every step opens) of
// 400 x 300 pixels, picture k drawn by `view(k)`. The stitch takes `settings` (or is cancelled
// when `accept` is false) and keeps its picture in `result`; `shown` holds the settings each
// parameter dialog was opened with.
class App {
public:
    App(int count, std::function<std::unique_ptr<CImageImpl>(int)> view) {
        app.Inputs().SetProbe([](const std::string&) {
            QImage thumbnail(100, 75, QImage::Format_RGB32);
            thumbnail.fill(QColor(120, 150, 90));
            return ListedPicture{true, 400, 300, thumbnail};
        });
        CImageInfo::SetLoader([view](const std::string& path, const PictureCorrection&) {
            return view(std::stoi(path.substr(path.find_last_of('/') + 1)));
        });
        std::vector<std::string> paths;
        for (int k = 0; k < count; ++k) {
            const QString path = m_dir.filePath(QString::number(k));
            QFile(path).open(QIODevice::WriteOnly);
            paths.push_back(path.toStdString());
        }
        app.Inputs().AddFiles(paths);
        app.Driver().SetDialogRunner([this](ParameterDialogKind, StitchSettings& s) {
            shown.push_back(s);
            s = settings;
            return accept;
        });
        app.Driver().SetResultShower([this](std::unique_ptr<CImageImpl> picture,
                                            const ResultInfo&) { result = std::move(picture); });
    }
    ~App() { CImageInfo::SetLoader({}); }

    CMainApp app;
    StitchSettings settings;
    bool accept = true;
    std::unique_ptr<CImageImpl> result;
    std::vector<StitchSettings> shown;

private:
    QTemporaryDir m_dir;
};

} // namespace generated
