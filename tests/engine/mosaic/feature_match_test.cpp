#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "feature_test_views.h"
#include "mosaic/features.h"
#include "support/recording_prompts.h"

using namespace feature_test;

namespace {

constexpr int kRows = 200;
constexpr int kCols = 260;

MatchPtr Match(const ViewPair& pair, int dr, int dc, const N_ImageRec* mask = nullptr,
               int minMatches = 2, double strengthStart = 500.0) {
    return MatchPtr(MatchFeatures(pair.first.get(), pair.second.get(), dr, dc, strengthStart, 0.7,
                                  minMatches, mask));
}

} // namespace

// ---- Accuracy on known transforms -------------------------------------------------------------

// The second view shows the texture moved by a sub-pixel shift, or rotated and scaled about the
// middle of the overlap and moved; the rough shift handed to the matcher is the shift rounded.
// The translation or rigid fit to the matches reproduces the truth within half a pixel
// root-mean-square over the overlap, and under a translation every single match lands within a
// pixel of it.
TEST(MatchFeatures, FitsReproduceSubPixelShiftsAndSmallRotationsAndScales) {
    struct Case {
        MotionModel model;
        double degrees, scale, dr, dc;
    };
    for (const Case& s :
         {Case{MotionTranslation, 0.0, 1.0, 0.3, 120.4},
          Case{MotionTranslation, 0.0, 1.0, -7.7, 95.5},
          Case{MotionTranslation, 0.0, 1.0, 12.25, -110.6},
          Case{MotionTranslation, 0.0, 1.0, -3.5, -80.2},
          Case{MotionTranslation, 0.0, 1.0, 60.6, 0.45}, Case{MotionRigid, 3.0, 1.0, 4, 100},
          Case{MotionRigid, -3.0, 1.0, -6, 90}, Case{MotionRigid, 1.5, 1.02, 2, -95},
          Case{MotionRigid, -2.0, 0.98, 70, 5}, Case{MotionRigid, 0.0, 1.015, -3, 110}}) {
        SCOPED_TRACE(testing::Message() << "rotation " << s.degrees << " scale " << s.scale
                                        << " shift " << s.dr << ", " << s.dc);
        // Second-image point = first-image point rotated and scaled about the overlap centre,
        // then moved by (-dr, -dc): the second image's origin lies near (dr, dc) of the first.
        const double cr = kRows / 2.0 + s.dr / 2.0, cc = kCols / 2.0 + s.dc / 2.0;
        const ViewPair pair(Similarity(s.degrees, s.scale, cr, cc, -s.dr, -s.dc));
        RecordingPrompts prompts;
        const MatchPtr m =
            Match(pair, static_cast<int>(std::lround(s.dr)), static_cast<int>(std::lround(s.dc)));
        ASSERT_NE(m, nullptr);
        Homography8 H;
        FitModel(s.model, m.get(), &H);
        EXPECT_LT(RmsDifference(H, pair.truth, kRows, kCols), 0.5);
        if (s.model == MotionTranslation) {
            EXPECT_LT(WorstMatchError(m.get(), pair.truth), 1.0);
        }
        EXPECT_EQ(prompts.Count(), 0u);
    }
}

TEST(MatchFeatures, ColourImagesAreMatchedOnTheirGreyValue) {
    const Homography8 truth = Homography8::Translation(-3.4, -105.3);
    const ViewPair views(truth);
    // Colour pictures whose bands differ: R = G = the view, B = its negative, as planar images
    // (R, G, B) and interleaved ones (B, G, R). Matched on 0.299 R + 0.587 G + 0.114 B they
    // must give what the grey picture of those values gives; the bands read in the wrong order
    // would give another picture.
    const auto colour = [](const N_ImageRec* view, bool interleaved, bool grey) {
        const int rows = view->nrows, cols = view->ncolumns, bands = grey ? 1 : 3;
        NImagePtr out(interleaved ? NCreateDIBImage(3, rows, cols, NUByteRepn, nullptr)
                                  : NCreateImage(bands, rows, cols, NUByteRepn));
        if (interleaved) out->owns_data = 1;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                const int v = NPixel<unsigned char>(view, 0, r, c), rgb[3] = {v, v, 255 - v};
                for (int b = 0; b < bands; ++b)
                    NPixel<unsigned char>(out.get(), b, r, c) = static_cast<unsigned char>(
                        grey ? 0.299 * v + 0.587 * v + 0.114 * (255 - v) + 0.5
                             : rgb[interleaved ? 2 - b : b]);
            }
        return out;
    };
    std::vector<MatchPtr> found;
    for (const auto& [interleaved, grey] :
         {std::pair{false, true}, {false, false}, {true, false}}) {
        const NImagePtr a = colour(views.first.get(), interleaved, grey),
                        b = colour(views.second.get(), interleaved, grey);
        found.emplace_back(MatchFeatures(a.get(), b.get(), 3, 105, 500.0, 0.7, 2, nullptr));
        ASSERT_NE(found.back(), nullptr);
    }
    for (std::size_t k = 1; k < found.size(); ++k) {
        ASSERT_EQ(found[k]->first.count, found[0]->first.count);
        const FeaturePoint* a = found[k]->second.first;
        for (const FeaturePoint* b = found[0]->second.first; b != nullptr;
             b = b->next, a = a->next) {
            EXPECT_DOUBLE_EQ(a->r, b->r);
            EXPECT_DOUBLE_EQ(a->c, b->c);
        }
    }
    Homography8 H;
    FitModel(MotionTranslation, found[1].get(), &H);
    EXPECT_LT(RmsDifference(H, truth, kRows, kCols), 0.5);
}

// ---- No result -------------------------------------------------------------------------------

TEST(MatchFeatures, NarrowOverlapUniformImageOrZeroMaskGivesNothing) {
    RecordingPrompts prompts;
    // An overlap narrower than six pixels, or none at all.
    const ViewPair narrow(Homography8::Translation(0, -(kCols - 5)));
    EXPECT_EQ(Match(narrow, 0, kCols - 5), nullptr);
    EXPECT_EQ(Match(narrow, 0, -(kCols - 5)), nullptr);
    EXPECT_EQ(Match(narrow, kRows - 5, 0), nullptr);
    EXPECT_EQ(Match(narrow, -(kRows - 3), 10), nullptr);
    EXPECT_EQ(Match(narrow, 0, kCols + 40), nullptr);
    const NImagePtr flat = Uniform(kRows, kCols, 128);
    const ViewPair pair(Homography8::Translation(-2.0, -100.0));
    EXPECT_EQ(MatchFeatures(flat.get(), flat.get(), 0, 100, 500.0, 0.7, 1, nullptr), nullptr);
    // Texture in the second image does not help: corners are detected in the first.
    EXPECT_EQ(MatchFeatures(flat.get(), pair.second.get(), 0, 100, 500.0, 0.7, 1, nullptr),
              nullptr);
    EXPECT_EQ(prompts.Count(), 0u);
    const NImagePtr zero = Uniform(kRows, kCols, 0), almost = Uniform(kRows, kCols, 254);
    EXPECT_EQ(Match(pair, 2, 100, zero.get(), 1), nullptr);
    EXPECT_EQ(Match(pair, 2, 100, almost.get(), 1), nullptr); // only values above 254 count
}

TEST(MatchFeatures, MaskIsReadAtWindowCoordinatesOfBothPoints) {
    // The overlap window starts at column 100 of the first image and column 0 of the second.
    // A mask that allows only window columns below 80 keeps exactly the matches whose points
    // both lie there (first-image columns 100 .. 179).
    const ViewPair pair(Homography8::Translation(0.0, -100.0));
    NImagePtr mask = Uniform(kRows, kCols, 255);
    for (int r = 0; r < kRows; ++r)
        for (int c = 80; c < kCols; ++c) NPixel<unsigned char>(mask.get(), 0, r, c) = 0;
    const MatchPtr all = Match(pair, 0, 100);
    const MatchPtr masked = Match(pair, 0, 100, mask.get(), 1);
    ASSERT_NE(all, nullptr);
    ASSERT_NE(masked, nullptr);
    int expected = 0;
    const FeaturePoint* q = all->second.first;
    for (const FeaturePoint* p = all->first.first; p != nullptr; p = p->next, q = q->next)
        if (std::lround(p->c - 100.0) < 80 && std::lround(q->c) < 80) ++expected;
    EXPECT_EQ(masked->first.count, expected);
    EXPECT_LT(masked->first.count, all->first.count);
    for (const FeaturePoint* p = masked->first.first; p != nullptr; p = p->next)
        EXPECT_LT(std::lround(p->c - 100.0), 80);
}

// ---- Minimum count and strength thinning -----------------------------------------------------

TEST(MatchFeatures, ExactlyTheMinimumNumberOfMatchesIsAccepted) {
    // A small overlap keeps the number of pairs below the thinning's 10, so every pair that
    // passes the filters is returned: n pairs satisfy a minimum of n but not of n + 1.
    const ViewPair pair(Homography8::Translation(0.0, -(kCols - 40.0)));
    const MatchPtr all = Match(pair, 0, kCols - 40, nullptr, 1);
    ASSERT_NE(all, nullptr);
    const int n = all->first.count;
    ASSERT_LT(n, 10);
    EXPECT_NE(Match(pair, 0, kCols - 40, nullptr, n), nullptr);
    EXPECT_EQ(Match(pair, 0, kCols - 40, nullptr, n + 1), nullptr);
}
