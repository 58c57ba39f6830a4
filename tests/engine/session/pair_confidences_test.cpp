// Every mosaic and automatic alignment leaves the confidence of each neighbouring pair for the
// host: high where views of one texture overlap at their true shift, low for a view of another
// place.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "stitchkit/AdapterResult.h"
#include "stitchkit/MFCPanorama.h"
#include "support/test_images.h"
#include "support/test_sequence.h"
#include "support/unrelated_view.h"

namespace {

using PairConfidences = QuietSessionTest;

constexpr int kRows = 240, kColumns = 320;

TEST_F(PairConfidences, EveryOperationJudgesEachPair) {
    // Views 0 .. 2 overlap at their true shifts; view 3 shows something else, given an
    // alignment that overlaps it with view 2 as a neighbour would.
    const std::vector<Origin> origins = {{0, 0}, {6, 210}, {-4, 430}};
    // Each mosaic is given the true alignments; the automatic alignment (no mosaic) finds them.
    using Mosaic = bool (MFCPanorama::*)(IImageAdapter*, IProgress*);
    const std::pair<const char*, Mosaic> cases[] = {
        {"translation", &MFCPanorama::DoTranslationMosaics},
        {"rigid", &MFCPanorama::DoRigidTransMosaics},
        {"translation strip", &MFCPanorama::DoTranslationHMosaics},
        {"automatic alignment", nullptr},
    };
    for (const auto& [name, mosaic] : cases) {
        std::vector<TestDib> views;
        for (const Origin& o : origins)
            views.push_back(TextureView(kRows, kColumns, o.top, o.left, ViewKind::Rgb24));
        views.push_back(unrelated_view::View(kRows, kColumns));
        ViewSequence seq(std::move(views));
        MFCPanorama session;
        seq.AddTo(session);
        if (mosaic != nullptr) {
            session.AddAlign(6, 210);
            session.AddAlign(-10, 220);
            session.AddAlign(4, 200);
            AdapterResult out;
            (session.*mosaic)(out.Get(), nullptr);
        } else {
            session.DoAutoAlign();
        }
        const std::vector<double> confidences = session.GetLastPairConfidences();
        ASSERT_EQ(confidences.size(), 3u) << name;
        EXPECT_GT(confidences[0], 0.5) << name;
        EXPECT_GT(confidences[1], 0.5) << name;
        EXPECT_LT(confidences[2], 0.1) << name;
    }
}

} // namespace
