// Accuracy of the engine's layouts on generated sequences of known geometry, with the global
// refinement off and on: alignment RMS (how far the points of neighbouring views that show the
// same scene point land apart on the canvas), the drift of a closed turn (the same over the
// closing pair) and the focal length against the true one. A program of its own:
//
//     refine_accuracy            all sequences, one line each per setting
//
// The truth comes from the generators: views cut from the procedural texture at known
// translations or similarities, and pinhole views of a camera turning about its centre
// (tests/support/camera_views.h).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

#include "mosaic/cylinder_mosaic.h"
#include "mosaic/cylinder_projection.h"
#include "mosaic/flat_mosaic.h"
#include "mosaic/focal_estimate.h"
#include "mosaic/planar_mosaic.h"
#include "mosaic/strip_renderer.h"
#include "session/session_state.h"
#include "stitchkit/Host.h"
#include "stitchkit/MFCPanorama.h"
#include "support/camera_views.h"
#include "support/test_images.h"
#include "support/test_sequence.h"

namespace {

using std::numbers::pi;
// The views' size; the plane pan is also run at twice that.
int kRows = 240, kColumns = 320;

// Where point (r, c) of view `from` is seen in view `to`, by the true geometry; false outside.
using TrueTransfer =
    std::function<bool(int from, int to, double r, double c, double* r2, double* c2)>;

struct Figures {
    double rms = 0.0;   // neighbouring pairs
    double drift = 0.0; // the closing pair (root mean square), closed turns only
    double focal = 0.0; // pixels, when estimated
};

// Root mean square canvas distance between the true correspondences of neighbouring views
// (and separately of the closing pair, its first view one turn (turnR, turnC) on) through the
// views' to-canvas transforms (canvas <- view pixel). Points every 4 pixels.
Figures Measure(const std::vector<std::function<bool(double, double, double*, double*)>>& toCanvas,
                const TrueTransfer& transfer, bool closed, double turnR, double turnC) {
    const int count = static_cast<int>(toCanvas.size());
    double sum = 0.0, sumClose = 0.0;
    long n = 0, nClose = 0;
    for (int k = 0; k < count; ++k) {
        const int next = (k + 1) % count;
        const bool closing = next == 0;
        if (closing && !closed) break;
        for (int r = 0; r < kRows; r += 4)
            for (int c = 0; c < kColumns; c += 4) {
                double r2 = 0, c2 = 0;
                if (!transfer(k, next, r, c, &r2, &c2)) continue;
                double ar = 0, ac = 0, br = 0, bc = 0;
                if (!toCanvas[k](r, c, &ar, &ac) || !toCanvas[next](r2, c2, &br, &bc)) continue;
                if (closing) {
                    br += turnR;
                    bc += turnC;
                }
                const double d = (ar - br) * (ar - br) + (ac - bc) * (ac - bc);
                if (closing) {
                    sumClose += d;
                    ++nClose;
                } else {
                    sum += d;
                    ++n;
                }
            }
    }
    Figures f;
    f.rms = n > 0 ? std::sqrt(sum / n) : NAN;
    f.drift = nClose > 0 ? std::sqrt(sumClose / nClose) : NAN;
    return f;
}

std::vector<std::function<bool(double, double, double*, double*)>> ContextToCanvas() {
    std::vector<std::function<bool(double, double, double*, double*)>> result;
    for (const MosaicImageRecord& record : Session().context.records) {
        const Homography8 H = record.to_canvas;
        result.push_back(
            [H](double r, double c, double* r2, double* c2) { return H.Apply(r, c, r2, c2); });
    }
    return result;
}

// ----- flat sequences: views cut from the texture by similarities -----

// View k shows texture point S_k(r, c) = (scale (cos a r - sin a c) ... ): rows and columns
// turned by angle a about the view centre, scaled by s, then shifted by (tr, tc).
struct Similarity {
    double angle = 0.0, scale = 1.0, tr = 0.0, tc = 0.0;
    void Apply(double r, double c, double* R, double* C) const {
        const double y = r - (kRows - 1) / 2.0, x = c - (kColumns - 1) / 2.0;
        const double cs = std::cos(angle) * scale, sn = std::sin(angle) * scale;
        *C = cs * x - sn * y + tc;
        *R = sn * x + cs * y + tr;
    }
    void Invert(double R, double C, double* r, double* c) const {
        const double x = C - tc, y = R - tr;
        const double cs = std::cos(angle) / scale, sn = std::sin(angle) / scale;
        *c = cs * x + sn * y + (kColumns - 1) / 2.0;
        *r = -sn * x + cs * y + (kRows - 1) / 2.0;
    }
};

TestDib RenderSimilarity(const Similarity& s) {
    TestDib dib(kColumns, kRows, 8);
    dib.SetGreyRamp();
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            double sum = 0.0;
            for (int i = -1; i <= 1; ++i)
                for (int j = -1; j <= 1; ++j) {
                    double R = 0, C = 0;
                    s.Apply(r + i / 3.0, c + j / 3.0, &R, &C);
                    sum += TextureValue(R + 1000.0, C + 1000.0, 1);
                }
            dib.At(r, c) = static_cast<unsigned char>(sum / 9.0 + 0.5);
        }
    return dib;
}

Figures RunFlat(const std::vector<Similarity>& views, MotionModel model, bool refine) {
    std::vector<TestDib> dibs;
    for (const Similarity& s : views) dibs.push_back(RenderSimilarity(s));
    ViewSequence sequence(std::move(dibs));
    MFCPanorama session;
    sequence.AddTo(session);
    // The alignments a user would give: the shift of the view centres, rounded.
    for (std::size_t k = 1; k < views.size(); ++k)
        session.AddAlign(static_cast<int>(std::lround(views[k].tr - views[k - 1].tr)),
                         static_cast<int>(std::lround(views[k].tc - views[k - 1].tc)));
    session.SetSize(2);
    Session().refine = refine;
    Figures f;
    if (PrepareMosaic(Session(), model) != 0 ||
        EstimatePairs(Session(), model, nullptr, 10, 90) != 0)
        return f;
    Session().context.base = ChooseBase(Session().context);
    ChainTransforms(Session().context);
    const TrueTransfer transfer = [&](int a, int b, double r, double c, double* r2, double* c2) {
        double R = 0, C = 0;
        views[a].Apply(r, c, &R, &C);
        views[b].Invert(R, C, r2, c2);
        return *r2 >= 0 && *c2 >= 0 && *r2 <= kRows - 1 && *c2 <= kColumns - 1;
    };
    f = Measure(ContextToCanvas(), transfer, false, 0, 0);
    session.DestroyInternalData();
    return f;
}

// ----- a pan on a plane -----

Figures RunPlane(double F, const std::vector<double>& yaws, bool refine) {
    ViewSequence sequence(
        camera_views::RenderViews(camera_views::Scene::Plane, F, yaws, kRows, kColumns));
    MFCPanorama session;
    sequence.AddTo(session);
    for (std::size_t k = 1; k < yaws.size(); ++k)
        session.AddAlign(0, static_cast<int>(F * std::tan(yaws[k] - yaws[k - 1])));
    session.SetSize(2);
    Session().refine = refine;
    Figures f;
    if (const int code = PlanarEstimate(Session(), nullptr); code != 0) {
        std::printf("  plane estimate gave %d\n", code);
        return f;
    }
    const TrueTransfer transfer = [&](int a, int b, double r, double c, double* r2, double* c2) {
        const Homography8 H = camera_views::PanHomography(F, yaws[a], yaws[b], kRows, kColumns);
        return H.Apply(r, c, r2, c2) && *r2 >= 0 && *c2 >= 0 && *r2 <= kRows - 1 &&
               *c2 <= kColumns - 1;
    };
    f = Measure(ContextToCanvas(), transfer, false, 0, 0);
    // The focal length the pairwise transforms imply (centred coordinates), their median.
    std::vector<double> focals;
    const double cx = (kColumns - 1) / 2.0, cy = (kRows - 1) / 2.0;
    for (std::size_t k = 0; k + 1 < yaws.size(); ++k) {
        Homography8 H = Session().context.records[k].pairwise, centred;
        ComposeHomography(H, Homography8::Translation(cy, cx), &centred);
        TranslateHomography(&centred, -cy, -cx);
        const FocalParts parts = FocalFromHomography(centred.h, kColumns);
        if (parts.f > 0) focals.push_back(parts.f);
    }
    std::sort(focals.begin(), focals.end());
    f.focal = focals.empty() ? 0.0 : focals[focals.size() / 2];
    session.DestroyInternalData();
    return f;
}

// ----- a turn closed over 360 degrees on a cylinder -----

Figures RunTurn(double F, int views, bool refine) {
    std::vector<double> yaws;
    for (int k = 0; k < views; ++k) yaws.push_back(0.2 + k * 2 * pi / views);
    ViewSequence sequence(
        camera_views::RenderViews(camera_views::Scene::Cylinder, F, yaws, kRows, kColumns));
    const int step = static_cast<int>(std::lround(F * std::tan(2 * pi / views)));
    const auto fill = [&](MFCPanorama& session) {
        sequence.AddTo(session);
        for (int k = 1; k < views; ++k) session.AddAlign(0, step);
        session.SetFlag360(1);
        session.SetAlignment360(0, step);
        session.SetSize(2);
        session.SetGlobalRefinement(refine);
    };
    Figures f;
    MFCPanorama session;
    fill(session);
    std::vector<AutoFocalEntry> entries(static_cast<std::size_t>(views - 1));
    for (std::size_t k = 0; k + 1 < entries.size(); ++k) entries[k].next = &entries[k + 1];
    AutoFocalListStruct list{};
    list.entries = entries.data();
    list.count = views;
    session.GetAutoFocalList(&list);
    session.DestroyInternalData();
    if (!(list.bestFocal > 0)) return f;
    const double focalMm = list.bestFocal;
    f.focal = focalMm * kColumns / 35.0;
    fill(session);
    Session().refine = refine;
    CBmpAdapter out;
    if (const int code = CylinderMosaic(Session(), focalMm, &out, false, nullptr); code != 0) {
        std::printf("  cylinder mosaic gave %d\n", code);
        return f;
    }
    ReleaseAdapterResult(out);
    CylinderGeometry g;
    CylinderGeometryFor(kRows, kColumns, focalMm, &g);
    const double cx = (kColumns - 1) / 2 + 0.5, cy = (kRows - 1) / 2 + 0.5;
    // Flat view pixel <-> projected pixel with the focal length the mosaic used.
    const auto project = [&](double r, double c, double* pr, double* pc) {
        const double x = c - cx, phi = std::atan2(x, g.F);
        *pc = (phi + g.theta) * g.columns / (2 * g.theta);
        *pr = (r - cy) / std::hypot(x, g.F) * g.F + kRows / 2;
    };
    const auto unproject = [&](double pr, double pc, double* r, double* c) {
        const double phi = -g.theta + pc * 2 * g.theta / g.columns, x = g.F * std::tan(phi);
        *c = x + cx;
        *r = (pr - kRows / 2) / g.F * std::hypot(x, g.F) + cy;
    };
    const TrueTransfer transfer = [&](int a, int b, double pr, double pc, double* pr2,
                                      double* pc2) {
        double r = 0, c = 0, r2 = 0, c2 = 0;
        unproject(pr, pc, &r, &c);
        if (r < 0 || c < 0 || r > kRows - 1 || c > kColumns - 1) return false;
        const double target = b == 0 && a != 0 ? yaws[0] + 2 * pi : yaws[b];
        const Homography8 H = camera_views::PanHomography(F, yaws[a], target, kRows, kColumns);
        if (!H.Apply(r, c, &r2, &c2) || r2 < 0 || c2 < 0 || r2 > kRows - 1 || c2 > kColumns - 1)
            return false;
        project(r2, c2, pr2, pc2);
        return true;
    };
    const DriftRotation drift = ComputeDriftRotation(Session().context);
    // The first view's repeat lies one turn on: (dx, dy) in the canvas before the rotation.
    Figures m = Measure(ContextToCanvas(), transfer, true, drift.dy, drift.dx);
    m.focal = f.focal;
    session.DestroyInternalData();
    return m;
}

void Print(const char* name, const Figures& off, const Figures& on, double trueFocal) {
    const auto focal = [&](const Figures& f) {
        return trueFocal > 0 && f.focal > 0 ? 100.0 * (f.focal / trueFocal - 1.0) : NAN;
    };
    std::printf("%-34s off: rms %.3f px, drift %.3f px, focal %+.2f %%   on: rms %.3f px, drift "
                "%.3f px, focal %+.2f %%\n",
                name, off.rms, off.drift, focal(off), on.rms, on.drift, focal(on));
}

} // namespace

int main() {
    stitchkit::SetMessageBoxHandler(
        [](std::string_view, std::string_view, unsigned) { return stitchkit::IDOK; });
    // Engine diagnostics are not wanted here.
    std::vector<Similarity> translation, rigid;
    for (int k = 0; k < 6; ++k) {
        translation.push_back({0.0, 1.0, 3.0 * (k % 2), 210.0 * k});
        rigid.push_back({0.02 * (k % 3) - 0.02, 1.0 + 0.01 * (k % 2), 2.5 * (k % 2), 205.3 * k});
    }
    Print("translation, 6 views", RunFlat(translation, MotionTranslation, false),
          RunFlat(translation, MotionTranslation, true), 0);
    Print("rigid (similarity), 6 views", RunFlat(rigid, MotionRigid, false),
          RunFlat(rigid, MotionRigid, true), 0);
    const std::vector<double> pan = {-0.8, -0.4, 0.0, 0.4, 0.8};
    Print("plane, 5-view pan, F 400 px", RunPlane(400.0, pan, false), RunPlane(400.0, pan, true),
          400.0);
    kRows = 480;
    kColumns = 640;
    Print("plane, 5-view pan 640x480, F 800 px", RunPlane(800.0, pan, false),
          RunPlane(800.0, pan, true), 800.0);
    kRows = 240;
    kColumns = 320;
    Print("cylinder, 12-view closed turn, F 277", RunTurn(277.0, 12, false),
          RunTurn(277.0, 12, true), 277.0);
    return 0;
}
