#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "mosaic/image_loading.h"
#include "session/session_state.h"
#include "stitchkit/MFCPanorama.h"
#include "support/recording_prompts.h"
#include "support/scripted_progress.h"
#include "support/test_images.h"

namespace {

TEST(Session, MatchRecords) {
    MFCPanorama session;
    TestDib a(8, 8, 24), b(8, 8, 24);
    CBmpAdapter aa = a.Adapter(), ba = b.Adapter();
    EXPECT_EQ(session.AddAlign(1, 2), -1); // needs an image
    EXPECT_EQ(session.AddImage(&aa), 0);
    EXPECT_EQ(session.AddImage(&ba), 1);
    EXPECT_EQ(session.GetImagesCount(), 2);
    EXPECT_EQ(session.AddMatch(0, 2, 1, 1, 1, 1), 0);
    EXPECT_EQ(session.AddMatch(1, 2, 1, 1, 1, 1), 0); // no set for pair 0 yet
    EXPECT_EQ(session.AddMatch(0, 1, 1, 2, 3, 4), 1);
    EXPECT_EQ(session.AddMatch(0, 1, 1, 2, 3, 4), 2);
    EXPECT_EQ(session.AddMatch(1, 2, 1, 2, 3, 4), 1);
    const auto& sets = Session().normal->match_seq->sets;
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].pairs.size(), 2u);

    // With as many sets as images the closing pair's set is the last one.
    EXPECT_EQ(session.AddMatch360(1, 1, 2, 2), 2);
    EXPECT_EQ(Session().normal->match_seq->sets.size(), 2u);
}

TEST(Session, SettingsAndReset) {
    MFCPanorama session;
    TestDib a(16, 12, 24);
    CBmpAdapter aa = a.Adapter();
    session.AddImage(&aa);
    session.SetBkColor(1, 2, 3);
    session.SetFlag360(1);
    session.SetBlendLevelSteep();

    session.DestroyInternalData();
    EXPECT_EQ(session.GetImagesCount(), 0);
    EXPECT_EQ(Session().context.background, 0);
    EXPECT_EQ(Session().context.flag360, 0);
    EXPECT_EQ(Session().context.blend_level, 0);
    session.DestroyInternalData(); // no set: -1
    EXPECT_EQ(session.GetProcImageWidth(), -1);

    // An adapter without a picture is refused rather than thrown through the session.
    CBmpAdapter empty;
    EXPECT_EQ(session.AddImage(&empty), -1);
    EXPECT_EQ(session.GetImagesCount(), 0);
}

TEST(Session, ProcessingSizeReduction) {
    EXPECT_EQ(ProcessingFactor(0, 400, 641), 4);
    EXPECT_EQ(ProcessingFactor(1, 1200, 1600), 2);
    EXPECT_EQ(ProcessingFactor(2, 3000, 4000), 1);

    struct Case {
        int rows, columns, procRows, procColumns;
    };
    for (const Case& c :
         {Case{1200, 1600, 300, 400}, Case{480, 640, 240, 320}, Case{400, 600, 400, 600}}) {
        MFCPanorama session;
        TestDib a(c.columns, c.rows, 24);
        CBmpAdapter aa = a.Adapter();
        session.AddImage(&aa);
        session.SetSize(0);
        ASSERT_EQ(LoadProcessingImages(Session()), 0);
        EXPECT_EQ(Session().context.rows, c.procRows);
        EXPECT_EQ(ContextImages(Session().context)[0]->ncolumns, c.procColumns);
        // What the host reads after the reset.
        session.DestroyInternalData();
        EXPECT_EQ(session.GetProcImageWidth(), c.procColumns);
        EXPECT_EQ(session.GetProcImageHeight(), c.procRows);
    }
}

TEST(Session, ReducedImagesHoldTheBlockMeansInRedGreenBlueOrder) {
    // (A palette picture reaches the reduction as the adapter's expanded bands.)
    MFCPanorama session;
    TestDib view = TextureView(480, 640, 0, 0, ViewKind::Rgb24); // factor 2 in size mode 0
    CBmpAdapter adapter = view.Adapter();
    session.AddImage(&adapter);
    session.SetSize(0);
    ASSERT_EQ(LoadProcessingImages(Session()), 0);
    const N_ImageRec* image = ContextImages(Session().context)[0];
    ASSERT_EQ(image->nbands, 3);
    EXPECT_EQ(image->interleaved, 0);
    EXPECT_DOUBLE_EQ(Session().normal->scale, 0.5);
    for (int b = 0; b < 3; ++b)
        for (const auto& [r, c] : {std::pair{0, 0}, std::pair{100, 201}, std::pair{239, 319}}) {
            int sum = 0; // red is bitmap byte 2
            for (int i = 0; i < 2; ++i)
                for (int j = 0; j < 2; ++j) sum += view.At(2 * r + i, 2 * c + j, 2 - b);
            EXPECT_EQ(NGetPixel(image, b, r, c), sum / 4) << b << " " << r << " " << c;
        }
}

TEST(Session, AlignmentsAreScaledAndTruncatedTowardZero) {
    // (An alignment beyond the image is the covered-area test's refusal.)
    MFCPanorama session;
    TestDib a = FlatView(480, 640, 0), b = FlatView(480, 640, 0);
    CBmpAdapter aa = a.Adapter(), ba = b.Adapter();
    session.AddImage(&aa);
    session.AddImage(&ba);
    session.SetSize(2);
    ASSERT_EQ(LoadSessionImages(Session()), 0);
    session.AddAlign(-7, 301);
    Session().normal->scale = 0.5;
    ASSERT_EQ(ApplyAlignments(Session()), 0);
    EXPECT_EQ(Session().context.records[1].align_dr, -3);
    EXPECT_EQ(Session().context.records[1].align_dc, 150);
}

TEST(Session, HandSetMatchesBecomeRecordMatchLists) {
    MFCPanorama session;
    TestDib views[3] = {TestDib(100, 80, 24), TestDib(100, 80, 24), TestDib(100, 80, 24)};
    CBmpAdapter adapters[3] = {views[0].Adapter(), views[1].Adapter(), views[2].Adapter()};
    for (CBmpAdapter& a : adapters) session.AddImage(&a);
    ASSERT_EQ(LoadSessionImages(Session()), 0);
    session.AddMatch(0, 1, 10, 60, 12, 5);
    // One set for two pairs: too few sets for every model.
    EXPECT_EQ(ApplyMatches(Session(), MotionTranslation, 0.0), 10);
    EXPECT_EQ(ApplyMatches(Session(), MotionRigid, 0.0), 6);
    EXPECT_EQ(ApplyMatches(Session(), MotionProjective, 0.0), 5);
    session.AddMatch(1, 2, 20, 70, 20, 10);
    session.AddMatch(1, 2, 30, 80, 30, 21);
    EXPECT_EQ(ApplyMatches(Session(), MotionRigid, 0.0), 6); // pair 0 has one match
    ASSERT_EQ(ApplyMatches(Session(), MotionTranslation, 0.0), 0);
    const MosaicImageRecord& r1 = Session().context.records[1];
    ASSERT_NE(r1.matches, nullptr);
    EXPECT_EQ(r1.matches->first.count, 1);
    EXPECT_EQ(r1.align_dr, -2); // mean of r1 - r2
    EXPECT_EQ(r1.align_dc, 55);
    const MosaicImageRecord& r2 = Session().context.records[2];
    EXPECT_EQ(r2.matches->second.count, 2);
    EXPECT_EQ(r2.align_dc, 59); // (60 + 59) / 2 = 59.5, truncated

    // On the cylinder a point on the centre column stays put and others move toward it.
    const double f = 35.0; // F = W pixels for a landscape picture
    EXPECT_EQ(ApplyMatches(Session(), MotionCylinder, f), 6); // two matches a pair needed
    session.AddMatch(0, 1, 40, 50, 40, 0);
    ASSERT_EQ(ApplyMatches(Session(), MotionCylinder, f), 0);
    const FeaturePoint* p = Session().context.records[1].matches->first.first;
    // Centres (C - 1) / 2 + 0.5 and (R - 1) / 2 + 0.5 in integer division: 49.5 and 39.5.
    const double F = 100, cx = 49.5, cy = 39.5, x = 60 - cx;
    EXPECT_NEAR(p->c, F * std::atan(x / F) + cx, 1e-9);
    EXPECT_NEAR(p->r, (10 - cy) * F / std::hypot(x, F) + cy, 1e-9);
}

} // namespace
