// Views of the procedural texture taken through known transforms, and the measures the feature
// tests compare fitted transforms with.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "core/image_record.h"
#include "mosaic/features.h"
#include "mosaic/homography.h"
#include "mosaic/match_list.h"
#include "support/test_images.h"

namespace feature_test {

struct MatchListDeleter {
    void operator()(MatchList* list) const noexcept { DestroyMatchList(list); }
};
using MatchPtr = std::unique_ptr<MatchList, MatchListDeleter>;

// A transform from its first elements (the rest as the identity's).
inline Homography8 Make(std::initializer_list<double> values) {
    Homography8 H;
    int i = 0;
    for (const double v : values) H.h[i++] = v;
    return H;
}

// The eight elements, for comparing whole transforms.
inline std::vector<double> Elements(const Homography8& H) {
    return std::vector<double>(std::begin(H.h), std::end(H.h));
}

// What f prints on standard output.
inline std::string Captured(const std::function<void()>& f) {
    testing::internal::CaptureStdout();
    f();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// The similarity x' = a x - b y + tx, y' = b x + a y + ty (x = column, y = row) that rotates by
// `degrees` and scales by `scale` about (centreR, centreC), then moves by (dr, dc).
inline Homography8 Similarity(double degrees, double scale, double centreR, double centreC,
                              double dr, double dc) {
    const double t = degrees * std::numbers::pi / 180.0;
    const double a = scale * std::cos(t), b = scale * std::sin(t);
    Homography8 H;
    H.h[0] = a;
    H.h[1] = -b;
    H.h[3] = b;
    H.h[4] = a;
    H.h[2] = centreC + dc - (a * centreC - b * centreR);
    H.h[5] = centreR + dr - (b * centreC + a * centreR);
    return H;
}

// The inverse of a similarity, worked out in closed form (independent of the code under test).
inline Homography8 InverseSimilarity(const Homography8& H) {
    const double a = H.h[0], b = H.h[3], tx = H.h[2], ty = H.h[5];
    const double n = a * a + b * b;
    Homography8 inv;
    inv.h[0] = a / n;
    inv.h[1] = b / n;
    inv.h[3] = -b / n;
    inv.h[4] = a / n;
    inv.h[2] = -(a * tx + b * ty) / n;
    inv.h[5] = -(-b * tx + a * ty) / n;
    return inv;
}

// A camera-like view: pixel (r, c) is the mean of the texture over the pixel's area (3 x 3
// samples) around toTexture(r, c). Averaging over the area keeps the texture's hard edges from
// aliasing, so a sub-pixel move of the view is a sub-pixel move of its content.
inline NImagePtr RenderView(int rows, int cols, const Homography8& toTexture, int bands = 1,
                            unsigned seed = 1) {
    NImagePtr image(NCreateImage(bands, rows, cols, NUByteRepn));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            double tr = 0.0, tc = 0.0;
            toTexture.Apply(r, c, &tr, &tc);
            // The pixel's footprint follows the transform's linear part (near-unit scale here).
            for (int b = 0; b < bands; ++b) {
                double sum = 0.0;
                for (int i = -1; i <= 1; ++i)
                    for (int j = -1; j <= 1; ++j)
                        sum += TextureValue(tr + i / 3.0, tc + j / 3.0, seed + 101u * b);
                NPixel<unsigned char>(image.get(), b, r, c) =
                    static_cast<unsigned char>(sum / 9.0 + 0.5);
            }
        }
    return image;
}

// A pair of views related by the similarity `truth` (first-image points to second-image
// points): the first at the texture's origin, the second showing it through truth's inverse.
struct ViewPair {
    int rows, cols;
    Homography8 truth;
    NImagePtr first, second;
    explicit ViewPair(const Homography8& t, int r = 200, int c = 260)
        : rows(r), cols(c), truth(t), first(RenderView(r, c, Homography8())),
          second(RenderView(r, c, InverseSimilarity(t))) {}
};

// A one-band ubyte image of one value.
inline NImagePtr Uniform(int rows, int cols, unsigned char value) {
    NImagePtr image(NCreateImage(1, rows, cols, NUByteRepn));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) NPixel<unsigned char>(image.get(), 0, r, c) = value;
    return image;
}

// Root-mean-square distance between H(p) and truth(p) over the points p of the first image's
// rows x cols grid (every `step` pixels) that the truth maps inside a second image of the same
// size.
inline double RmsDifference(const Homography8& H, const Homography8& truth, int rows, int cols,
                            int step = 4) {
    double sum = 0.0;
    int n = 0;
    for (int r = 0; r < rows; r += step)
        for (int c = 0; c < cols; c += step) {
            double tr = 0.0, tc = 0.0, fr = 0.0, fc = 0.0;
            truth.Apply(r, c, &tr, &tc);
            if (tr < 0 || tc < 0 || tr > rows - 1 || tc > cols - 1) continue;
            H.Apply(r, c, &fr, &fc);
            sum += (fr - tr) * (fr - tr) + (fc - tc) * (fc - tc);
            ++n;
        }
    return n > 0 ? std::sqrt(sum / n) : HUGE_VAL;
}

// The largest distance between truth(first point) and the second point over a match list.
inline double WorstMatchError(const MatchList* matches, const Homography8& truth) {
    double worst = 0.0;
    const FeaturePoint* q = matches->second.first;
    for (const FeaturePoint* p = matches->first.first; p != nullptr; p = p->next, q = q->next) {
        double r = 0.0, c = 0.0;
        truth.Apply(p->r, p->c, &r, &c);
        worst = std::max(worst, std::hypot(r - q->r, c - q->c));
    }
    return worst;
}

} // namespace feature_test
