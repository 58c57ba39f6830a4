// Every mosaic and automatic alignment leaves the confidence of each neighbouring pair for the
// host: high where views of one texture overlap at their true shift, low for a view of another
// place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    struct Case {
        const char* name;
        bool aligned; // the true alignments are given (else the operation finds them)
        std::vector<double> (*run)(MFCPanorama&);
    };
    const Case cases[] = {
        {"translation", true,
         [](MFCPanorama& s) {
             CBmpAdapter out;
             s.DoTranslationMosaics(&out);
             ReleaseAdapterResult(out);
             return s.GetLastPairConfidences();
         }},
        {"rigid", true,
         [](MFCPanorama& s) {
             CBmpAdapter out;
             s.DoRigidTransMosaics(&out);
             ReleaseAdapterResult(out);
             return s.GetLastPairConfidences();
         }},
        {"translation strip", true,
         [](MFCPanorama& s) {
             CBmpAdapter out;
             s.DoTranslationHMosaics(&out);
             ReleaseAdapterResult(out);
             return s.GetLastPairConfidences();
         }},
        {"automatic alignment", false,
         [](MFCPanorama& s) {
             s.DoAutoAlign();
             return s.GetLastPairConfidences();
         }},
    };
    for (const Case& c : cases) {
        std::vector<TestDib> views;
        for (const Origin& o : origins)
            views.push_back(TextureView(kRows, kColumns, o.top, o.left, ViewKind::Rgb24));
        views.push_back(unrelated_view::View(kRows, kColumns));
        ViewSequence seq(std::move(views));
        MFCPanorama session;
        seq.AddTo(session);
        if (c.aligned) {
            session.AddAlign(6, 210);
            session.AddAlign(-10, 220);
            session.AddAlign(4, 200);
        }
        const std::vector<double> confidences = c.run(session);
        ASSERT_EQ(confidences.size(), 3u) << c.name;
        EXPECT_GT(confidences[0], 0.5) << c.name;
        EXPECT_GT(confidences[1], 0.5) << c.name;
        EXPECT_LT(confidences[2], 0.1) << c.name;
    }
}

} // namespace
