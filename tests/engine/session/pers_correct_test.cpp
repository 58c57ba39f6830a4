#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <vector>

#include "stitchkit/MFCPersCorrect.h"
#include "support/test_images.h"

namespace {

constexpr int kRows = 240, kColumns = 320;

// The projective map (x, y) -> (x', y') taking four points onto four others, solved here in
// double precision with Gaussian elimination (independent of the engine's fit).
std::array<double, 8> MapThrough(const double from[4][2], const double to[4][2]) {
    double a[8][9] = {};
    for (int k = 0; k < 4; ++k) {
        const double x = from[k][0], y = from[k][1], u = to[k][0], v = to[k][1];
        const double rx[9] = {x, y, 1, 0, 0, 0, -x * u, -y * u, u};
        const double ry[9] = {0, 0, 0, x, y, 1, -x * v, -y * v, v};
        std::copy(rx, rx + 9, a[2 * k]);
        std::copy(ry, ry + 9, a[2 * k + 1]);
    }
    for (int col = 0; col < 8; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 8; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        std::swap(a[col], a[pivot]);
        for (int r = 0; r < 8; ++r) {
            if (r == col) continue;
            const double f = a[r][col] / a[col][col];
            for (int j = col; j < 9; ++j) a[r][j] -= f * a[col][j];
        }
    }
    std::array<double, 8> h{};
    for (int i = 0; i < 8; ++i) h[i] = a[i][8] / a[i][i];
    return h;
}

void Apply(const std::array<double, 8>& h, double x, double y, double* u, double* v) {
    const double w = h[6] * x + h[7] * y + 1.0;
    *u = (h[0] * x + h[1] * y + h[2]) / w;
    *v = (h[3] * x + h[4] * y + h[5]) / w;
}

// The column where a row of an 8-bit picture first crosses `level` from `c0` on, falling
// (bright to dark) or rising, interpolated linearly between the two pixels around the
// crossing; -1 when it does not.
double Crossing(const CBmpAdapter& out, int row, int c0, bool falling, double level) {
    const BITMAPINFOHEADER* h = out.GetHeader();
    const unsigned char* line = out.GetData() + (h->biHeight - 1 - row) * DibStride(h->biWidth, 8);
    for (int c = std::max(c0, 0); c + 1 < h->biWidth; ++c) {
        const double a = line[c], b = line[c + 1];
        if (falling ? (a > level && b <= level) : (a < level && b >= level))
            return c + (level - a) / (b - a);
    }
    return -1.0;
}

TEST(PerspectiveCorrection, StraightensEdgesUnderAKnownTilt) {
    // A scene with a dark bar between the vertical lines x = 100 and x = 230, photographed
    // through a projective tilt that sends the bar's edges (rows 20 .. 220) onto the segments
    // (100, 20)-(90, 220) and (230, 20)-(245, 220).
    const double scene[4][2] = {{100, 20}, {100, 220}, {230, 20}, {230, 220}};
    const double picture[4][2] = {{100, 20}, {90, 220}, {230, 20}, {245, 220}};
    const std::array<double, 8> toScene = MapThrough(picture, scene);
    TestDib dib(kColumns, kRows, 8);
    dib.SetGreyRamp();
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            double sum = 0.0;
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) {
                    double x = 0, y = 0;
                    Apply(toScene, c + (j - 1.5) / 4.0, r + (i - 1.5) / 4.0, &x, &y);
                    sum += x >= 100.0 && x < 230.0 ? 40.0 : 220.0;
                }
            dib.At(r, c) = static_cast<unsigned char>(sum / 16.0 + 0.5);
        }
    CBmpAdapter source = dib.Adapter();
    std::vector<CLineObject> lines = {{100, 20, 90, 220}, {230, 20, 245, 220}};
    MFCPersCorrect correct(&source, &lines);
    CBmpAdapter out;
    ASSERT_TRUE(correct.DoCorrect(&out));
    ASSERT_EQ(out.GetHeader()->biBitCount, 8);

    // Along the straightened segments each edge keeps one column. Rows are kept by the fit, so
    // the segments span about rows 20 .. 220 less the canvas offset (under 20 rows here);
    // every row of 45 .. 195 lies on both.
    std::vector<double> left, right;
    for (int r = 45; r <= 195; ++r) {
        // Background (0) to picture (220) rises, so the bar's left edge is the first fall and
        // its right edge the first rise after it.
        left.push_back(Crossing(out, r, 0, true, 130.0));
        right.push_back(Crossing(out, r, static_cast<int>(left.back()) + 1, false, 130.0));
        ASSERT_GE(left.back(), 0.0) << r;
        ASSERT_GE(right.back(), 0.0) << r;
    }
    EXPECT_LT(*std::max_element(left.begin(), left.end()) -
                  *std::min_element(left.begin(), left.end()),
              0.5);
    EXPECT_LT(*std::max_element(right.begin(), right.end()) -
                  *std::min_element(right.begin(), right.end()),
              0.5);
    // The two straightened edges lie as far apart as the segments' mean columns (95 and 237.5).
    EXPECT_NEAR(right.front() - left.front(), 142.5, 1.0);
    ReleaseAdapterResult(out);
}

TEST(PerspectiveCorrection, ExtendLinesMovesEndsAlongEachSegment) {
    // Rows 10-200 and 40-180: the second segment (slope -7, intercept 1090) is lengthened to
    // rows 10 and 200, at columns (10 - 1090) / -7 = 154.29 and (200 - 1090) / -7 = 127.14.
    std::vector<CLineObject> lines = {{50, 10, 70, 200}, {150, 40, 130, 180}};
    MFCPersCorrect::ExtendLines(&lines);
    EXPECT_EQ(lines[0], (CLineObject{50, 10, 70, 200}));
    EXPECT_EQ(lines[1], (CLineObject{154, 10, 127, 200}));

    // Through the constructor the caller's objects change. A vertical segment only moves its
    // row; the slanted one (slope 2, intercept 20) starts at row 15, column -2.5, rounded away
    // from zero to -3, and ends at row 90, column 35.
    std::vector<CLineObject> more = {{100, 15, 100, 90}, {10, 40, 30, 80}};
    TestDib dib(8, 8, 8);
    CBmpAdapter source = dib.Adapter();
    MFCPersCorrect correct(&source, &more, true);
    EXPECT_EQ(more[0], (CLineObject{100, 15, 100, 90}));
    EXPECT_EQ(more[1], (CLineObject{-3, 15, 35, 90}));
}

// A flat picture corrected with a keystone: every output pixel is the picture's colour or the
// background (bilinear samples of a flat picture are flat).
TEST(PerspectiveCorrection, BackgroundFillsWhatThePictureDoesNotCover) {
    const std::vector<CLineObject> keystone = {{40, 20, 60, 220}, {280, 20, 260, 220}};
    for (int bits : {8, 24}) {
        TestDib dib(kColumns, kRows, bits);
        if (bits == 8) dib.SetGreyRamp();
        std::fill(dib.pixels.begin(), dib.pixels.end(), 200);
        CBmpAdapter source = dib.Adapter();
        MFCPersCorrect correct(&source, &keystone);
        correct.SetBkColor(10, 20, 30);
        CBmpAdapter out;
        ASSERT_TRUE(correct.DoCorrect(&out));
        ASSERT_EQ(out.GetHeader()->biBitCount, bits);
        const int width = out.GetWidth(), height = out.GetHeight();
        std::set<std::array<int, 3>> colours;
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) {
                const unsigned char* p = out.GetData() + r * DibStride(width, bits) + c * bits / 8;
                // Bitmaps hold blue, green, red.
                colours.insert(bits == 8 ? std::array<int, 3>{p[0], p[0], p[0]}
                                         : std::array<int, 3>{p[2], p[1], p[0]});
            }
        const std::set<std::array<int, 3>> expected =
            bits == 8 ? std::set<std::array<int, 3>>{{20, 20, 20}, {200, 200, 200}}
                      : std::set<std::array<int, 3>>{{10, 20, 30}, {200, 200, 200}};
        EXPECT_EQ(colours, expected) << bits;
        ReleaseAdapterResult(out);
    }
}

TEST(PerspectiveCorrection, RefusesWhatCannotDetermineTheTransform) {
    TestDib dib(kColumns, kRows, 24);
    CBmpAdapter source = dib.Adapter();
    CBmpAdapter out;
    // Two segments on one line.
    const std::vector<CLineObject> collinear = {{10, 10, 20, 30}, {30, 50, 40, 70}};
    EXPECT_FALSE(MFCPersCorrect(&source, &collinear).DoCorrect(&out));
    EXPECT_TRUE(out.IsEmpty());
}

} // namespace
