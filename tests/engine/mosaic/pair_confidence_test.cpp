// The confidence of a neighbouring pair: views of the texture with a known shift between them,
// judged under the true transform, a wrong one and against a view of another place.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "feature_test_views.h"
#include "mosaic/pair_confidence.h"
#include "support/unrelated_view.h"

namespace {

using feature_test::MatchPtr;

constexpr int kRows = 240, kColumns = 320;
// The second view's origin in the texture: the pair's transform is a shift by (-6, -210).
constexpr double kDr = 6.0, kDc = 210.0;

// Matches of the pair at the given first-view points, displaced by the true shift plus `error`.
MatchPtr Matches(const std::vector<std::array<double, 2>>& points, double errorR, double errorC) {
    MatchPtr list(CreateMatchList());
    for (const auto& p : points)
        AppendMatch(list.get(), p[0], p[1], p[0] - kDr + errorR, p[1] - kDc + errorC);
    return list;
}

TEST(PairConfidence, HighOnlyWhereTheOverlapShowsTheSamePlace) {
    const feature_test::ViewPair pair(Homography8::Translation(-kDr, -kDc), kRows, kColumns);
    const NImagePtr &first = pair.first, &second = pair.second;
    // A picture of something else.
    const NImagePtr elsewhere = unrelated_view::Image(kRows, kColumns);
    const Homography8 truth = Homography8::Translation(-kDr, -kDc);
    // Far more than the texture's structure is wide: the overlap compares different parts.
    const Homography8 wrong = Homography8::Translation(-kDr + 30.0, -kDc - 40.0);
    const std::vector<std::array<double, 2>> points = {{40, 230},  {60, 300},  {120, 250},
                                                       {180, 280}, {200, 240}, {220, 310},
                                                       {90, 270},  {150, 220}};
    const MatchPtr agreeing = Matches(points, 0.0, 0.0);
    struct Case {
        const char* name;
        const N_ImageRec* second;
        Homography8 H;
        const MatchList* matches;
        bool high;
    };
    const Case cases[] = {
        {"true shift", second.get(), truth, nullptr, true},
        {"wrong shift", second.get(), wrong, nullptr, false},
        // The matches agree with one affine transform (the truth): the overlap is judged there.
        {"wrong shift, matches agree with the truth", second.get(), wrong, agreeing.get(), true},
        {"something else", elsewhere.get(), truth, nullptr, false},
        // Matches tracked into something else agree with the shift, but the overlap does not.
        {"something else with agreeing matches", elsewhere.get(), truth, agreeing.get(), false},
    };
    for (const Case& c : cases) {
        const double confidence = PairConfidenceOf(first.get(), c.second, c.H, c.matches, nullptr);
        if (c.high)
            EXPECT_GT(confidence, 0.9) << c.name;
        else
            EXPECT_LT(confidence, 0.1) << c.name;
        EXPECT_GE(confidence, 0.0) << c.name;
        EXPECT_LE(confidence, 1.0) << c.name;
    }
    // A mask with nothing usable leaves no overlap to judge.
    const NImagePtr nothing = feature_test::Uniform(kRows, kColumns, 0);
    EXPECT_EQ(PairConfidenceOf(first.get(), second.get(), truth, nullptr, nothing.get()), 0.0);
}

TEST(PairConfidence, AgreementCountsMatchesBeyondThoseAFitPassesThrough) {
    // Five matches, three of them on the shift and two 50 pixels off.
    const MatchPtr matches = Matches({{10, 220}, {50, 250}, {90, 280}}, 0.0, 0.0);
    AppendMatch(matches.get(), 30, 240, 30 - kDr + 50.0, 240 - kDc);
    AppendMatch(matches.get(), 70, 260, 70 - kDr, 260 - kDc - 50.0);
    const Homography8 truth = Homography8::Translation(-kDr, -kDc);
    // A translation passes through one match: (3 - 1) / (5 - 1); a projective one through four:
    // (3 - 4) / (5 - 4) clamps to 0.
    EXPECT_DOUBLE_EQ(MatchAgreement(matches.get(), truth, FitKind::Translation, 3.0), 0.5);
    EXPECT_DOUBLE_EQ(MatchAgreement(matches.get(), truth, FitKind::Projective, 3.0), 0.0);
    EXPECT_DOUBLE_EQ(MatchAgreement(matches.get(), truth, FitKind::Translation, 60.0), 1.0);
    EXPECT_DOUBLE_EQ(MatchAgreement(nullptr, truth, FitKind::Translation, 3.0), 0.0);
}

} // namespace
