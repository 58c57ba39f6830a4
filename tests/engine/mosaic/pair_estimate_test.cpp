#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "core/parallel.h"
#include "core/report.h"
#include "feature_test_views.h"
#include "mosaic/features.h"
#include "mosaic/flat_mosaic.h"
#include "support/recording_prompts.h"

using namespace feature_test;

namespace {

// A context of `count` records whose images the test passes in directly.
MosaicContext Context(int count) {
    MosaicContext context;
    context.count = count;
    context.records.resize(static_cast<std::size_t>(count));
    return context;
}

struct ContextGuard {
    MosaicContext& context;
    ~ContextGuard() { ResetMosaicContext(context); }
};

void ExpectTranslation(const Homography8& H, double dr, double dc) {
    EXPECT_EQ(Elements(H), (std::vector<double>{1, 0, dc, 0, 1, dr, 0, 0}));
}

// The largest distance between inverse(H(p)) and p over the corners of an image.
double RoundTripError(const Homography8& H, const Homography8& inverse, int rows, int cols) {
    double worst = 0.0;
    for (const auto& [r, c] :
         {std::pair{0.0, 0.0}, {0.0, cols - 1.0}, {rows - 1.0, 0.0}, {rows - 1.0, cols - 1.0}}) {
        double r1 = 0, c1 = 0, r2 = 0, c2 = 0;
        H.Apply(r, c, &r1, &c1);
        inverse.Apply(r1, c1, &r2, &c2);
        worst = std::max(worst, std::hypot(r2 - r, c2 - c));
    }
    return worst;
}

} // namespace

TEST(RunPairs, EachPairsLinesComeOutTogetherInPairOrder) {
    // With two workers pair 2 prints first and pair 1 prints between pair 2's two lines; the
    // lines still come out pair by pair, each pair's before its finishing step. (With one worker
    // the pairs run in turn and nothing waits.)
    const bool parallel = EngineThreads() >= 2;
    std::mutex mutex;
    std::condition_variable changed;
    int stage = 0;
    const auto reach = [&](int s) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            stage = std::max(stage, s);
        }
        changed.notify_all();
    };
    const auto await = [&](int s) {
        if (!parallel) return;
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait_for(lock, std::chrono::seconds(5), [&] { return stage >= s; });
    };
    const std::string out = Captured([&] {
        RunPairs(
            3,
            [&](int i) {
                if (i == 1) {
                    await(1);
                    NPrintf("pair %d: a\n", i);
                    reach(2);
                    NPrintf("pair %d: b\n", i);
                } else {
                    NPrintf("pair %d: a\n", i);
                    reach(1);
                    await(2);
                    NPrintf("pair %d: b\n", i);
                }
            },
            [&](int i) {
                NPrintf("finished %d\n", i);
                return 0;
            });
    });
    EXPECT_EQ(out, "pair 1: a\npair 1: b\nfinished 1\npair 2: a\npair 2: b\nfinished 2\n");
}

// ---- EstimatePair ----------------------------------------------------------------------------

TEST(EstimatePair, CoarseToFineEstimateOfARigidPair) {
    const ViewPair pair(Similarity(-2.0, 0.99, 120.0, 250.0, -7.0, -170.0), 240, 340);
    MosaicContext context = Context(2);
    ContextGuard guard{context};
    context.records[1].align_dr = 7; // the rough alignment of image 1 in image 0
    context.records[1].align_dc = 170;
    RecordingPrompts prompts;
    int result = -1;
    Captured([&] {
        result = EstimatePair(context, 1, pair.first.get(), pair.second.get(), 2, MotionRigid);
    });
    EXPECT_EQ(result, 0);
    EXPECT_LT(RmsDifference(context.records[0].pairwise, pair.truth, pair.rows, pair.cols), 0.5);
    EXPECT_LT(RoundTripError(context.records[0].pairwise, context.records[1].prev_inverse,
                             pair.rows, pair.cols),
              1e-3);
    // The finest level's matches stay with the record.
    ASSERT_NE(context.records[1].matches, nullptr);
    EXPECT_GE(context.records[1].matches->first.count, 4);
    EXPECT_LT(WorstMatchError(context.records[1].matches, pair.truth), 1.0);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST(EstimatePair, NothingMatchedFallsBackToTheAlignmentAtFullScale) {
    // Flat pictures give the coarse search nothing at one level or two. A textured pair gives
    // it matches (it takes no mask), but the refinement reads the context's mask, which forbids
    // everything: the finest level falls back to the alignment itself.
    const NImagePtr flat = Uniform(240, 340, 100);
    const ViewPair pair(Homography8::Translation(-7.0, -151.0), 240, 340);
    for (const int run : {1, 2, 3}) {
        MosaicContext context = Context(2);
        ContextGuard guard{context};
        if (run == 3) context.mask = Uniform(240, 340, 0).release();
        context.records[1].align_dr = 7;
        context.records[1].align_dc = 151;
        const N_ImageRec* first = run == 3 ? pair.first.get() : flat.get();
        const N_ImageRec* second = run == 3 ? pair.second.get() : flat.get();
        int result = -1;
        Captured([&] {
            result = EstimatePair(context, 1, first, second, std::min(run, 2), MotionRigid);
        });
        EXPECT_EQ(result, 9) << run;
        ExpectTranslation(context.records[0].pairwise, -7, -151);
        ExpectTranslation(context.records[1].prev_inverse, 7, 151);
        EXPECT_EQ(context.records[1].matches, nullptr);
    }
}

TEST(EstimatePair, SkipFeatureMatchingUsesTheAlignmentAndTheClosingPairWritesTheLastRecord) {
    // Pair k writes record k - 1's transform and record k's inverse; the closing pair (k = 0)
    // the last record's transform. Other records stay untouched.
    const NImagePtr flat = Uniform(200, 260, 100);
    for (const int k : {2, 0}) {
        MosaicContext context = Context(3);
        ContextGuard guard{context};
        context.skip_feature_matching = 1;
        context.records[k].align_dr = 4;
        context.records[k].align_dc = 140;
        EXPECT_EQ(EstimatePair(context, k, flat.get(), flat.get(), 3, MotionRigid), 0);
        ExpectTranslation(context.records[(k + 2) % 3].pairwise, -4, -140);
        ExpectTranslation(context.records[k].prev_inverse, 4, 140);
        ExpectTranslation(context.records[1 - k / 2].pairwise, 0, 0);
    }
}

TEST(EstimatePair, HandSetMatchesAreFittedDirectly) {
    const NImagePtr flat = Uniform(200, 260, 100);
    MosaicContext context = Context(2);
    ContextGuard guard{context};
    // Correspondences of a similarity (rotation 90 degrees about the origin, then a shift).
    const Homography8 truth = Similarity(90.0, 1.0, 0.0, 0.0, 10.0, -20.0);
    MatchList* hand = CreateMatchList();
    for (const auto& [r, c] : {std::pair{10.0, 20.0}, {50.0, 80.0}, {90.0, 30.0}}) {
        double r2 = 0, c2 = 0;
        truth.Apply(r, c, &r2, &c2);
        AppendMatch(hand, r, c, r2, c2);
    }
    context.records[1].matches = hand;
    int result = -1;
    Captured([&] { result = EstimatePair(context, 1, flat.get(), flat.get(), 2, MotionRigid); });
    EXPECT_EQ(result, 0);
    for (int i = 0; i < 8; ++i)
        EXPECT_NEAR(context.records[0].pairwise.h[i], truth.h[i], 1e-4) << i;
    EXPECT_LT(
        RoundTripError(context.records[0].pairwise, context.records[1].prev_inverse, 200, 260),
        1e-3);
    EXPECT_EQ(context.records[1].matches, hand); // kept as given
}
