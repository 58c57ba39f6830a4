// What an operation leaves behind for its caller: its result code (also when something inside it
// throws), the part of its picture that the views cover and the confidence of each neighbouring
// pair.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "stitchkit/Host.h"
#include "stitchkit/MFCPanorama.h"
#include "support/recording_prompts.h"
#include "support/scripted_progress.h"
#include "support/test_images.h"
#include "support/test_sequence.h"
#include "support/unrelated_view.h"

namespace {

// Three 60 x 80 grey views in a row, with their true alignments.
const std::vector<Origin> kOrigins = {{0, 0}, {6, 50}, {2, 100}};

struct Operation {
    const char* name;
    bool returnsCode; // a MosaicReturnValue, else a bool
    std::function<int(MFCPanorama&, CBmpAdapter*)> run;
};

int Bool(bool ok) {
    return ok ? 1 : 0;
}

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> operations = {
        {"DoAutoAlign", false, [](MFCPanorama& s, CBmpAdapter*) { return Bool(s.DoAutoAlign()); }},
        {"DoAutoAlignPair", false,
         [](MFCPanorama& s, CBmpAdapter*) {
             int dr = 0, dc = 0;
             return Bool(s.DoAutoAlignPair(0, 1, &dr, &dc));
         }},
        {"DoTranslationMosaics", false,
         [](MFCPanorama& s, CBmpAdapter* out) { return Bool(s.DoTranslationMosaics(out)); }},
        {"DoRigidTransMosaics", false,
         [](MFCPanorama& s, CBmpAdapter* out) { return Bool(s.DoRigidTransMosaics(out)); }},
        {"DoTranslationHMosaics", false,
         [](MFCPanorama& s, CBmpAdapter* out) { return Bool(s.DoTranslationHMosaics(out)); }},
        {"DoPlanarMosaics", true,
         [](MFCPanorama& s, CBmpAdapter* out) { return int{s.DoPlanarMosaics(out)}; }},
        {"DoCylinderMosaics", true,
         [](MFCPanorama& s, CBmpAdapter* out) {
             return int{s.DoCylinderMosaics(35.0, out, false)};
         }},
        {"GetAutoFocalList", false,
         [](MFCPanorama& s, CBmpAdapter*) {
             AutoFocalEntry entries[2] = {};
             entries[0].next = &entries[1];
             AutoFocalListStruct list{};
             list.entries = entries;
             list.count = 3;
             s.GetAutoFocalList(&list);
             return 0;
         }},
        {"DoInterpolateMosaics", false,
         [](MFCPanorama& s, CBmpAdapter* out) {
             return Bool(s.DoInterpolateMosaics(out, nullptr, 0.5, BlendTypeMosaic));
         }},
    };
    return operations;
}

TEST(OperationResults, AnExceptionInsideAnOperationBecomesItsResultCode) {
    // Progress reports are host callbacks made from inside estimation, alignment and focal
    // estimation; one that throws stands for anything that throws there. A message-box host
    // that throws as well must not let it out either.
    struct Thrown {
        const char* name;
        std::function<void()> raise;
        MosaicReturnValue code;
    };
    const Thrown thrown[] = {
        {"bad_alloc", [] { throw std::bad_alloc(); }, MosaicNoMemory},
        {"runtime_error", [] { throw std::runtime_error("host failure"); }, MosaicInconsistent},
        {"int", [] { throw 7; }, MosaicInconsistent},
    };
    for (const bool boxesThrow : {false, true}) {
        for (const Thrown& t : thrown) {
            for (const Operation& op : Operations()) {
                const std::string label =
                    std::string(op.name) + " / " + t.name + (boxesThrow ? " / boxes throw" : "");
                ScriptedProgress progress;
                RecordingPrompts prompts;
                if (boxesThrow)
                    stitchkit::SetMessageBoxHandler(
                        [](std::string_view, std::string_view, unsigned) -> int {
                            throw std::runtime_error("no boxes here");
                        });
                progress.Log().onPosition = [&](int position) {
                    if (position > 1) t.raise();
                };
                ViewSequence seq(60, 80, kOrigins, ViewKind::Grey8);
                MFCPanorama session;
                seq.AddAligned(session);
                session.SetSize(2);
                CBmpAdapter out;
                int answer = -1;
                EXPECT_NO_THROW(answer = op.run(session, &out)) << label;
                EXPECT_EQ(session.GetLastResult(), t.code) << label;
                EXPECT_EQ(answer, op.returnsCode ? int{t.code} : 0) << label;
                EXPECT_TRUE(out.IsEmpty()) << label;
                // The failure's message is shown as for any other failure.
                if (!boxesThrow) {
                    ASSERT_FALSE(prompts.Boxes().empty()) << label;
                    EXPECT_EQ(prompts.Boxes().back().text,
                              stitchkit::LoadResourceString(MosaicMessageId(t.code)))
                        << label;
                }
                ReleaseAdapterResult(out);
            }
        }
    }
}

TEST(OperationResults, TheCoveredPartIsWhereTheViewsReach) {
    // The views span texture rows 0 .. 65 and columns 0 .. 179, and texture (0, 0) is canvas
    // (0, 0). The flat canvas also reaches one row beyond its base (the middle view, texture
    // rows 6 .. 65): canvas row 66 is background. The strip's base is view 0, which the others
    // reach beyond.
    ScriptedProgress progress;
    RecordingPrompts prompts;
    for (const bool strip : {false, true}) {
        ViewSequence seq(60, 80, kOrigins, ViewKind::Grey8);
        MFCPanorama session;
        seq.AddAligned(session);
        session.SetSize(2);
        session.SkipFeatureMatching(true);
        CBmpAdapter out;
        ASSERT_TRUE(strip ? session.DoTranslationHMosaics(&out)
                          : session.DoTranslationMosaics(&out))
            << strip;
        EXPECT_EQ(session.GetLastResult(), MosaicOK);
        EXPECT_EQ(out.GetHeight(), strip ? 66 : 67) << strip;
        EXPECT_EQ(out.GetWidth(), 180) << strip;
        int rect[4] = {-1, -1, -1, -1};
        ASSERT_TRUE(session.GetLastCoveredRect(&rect[0], &rect[1], &rect[2], &rect[3])) << strip;
        EXPECT_EQ(std::vector<int>(rect, rect + 4), (std::vector<int>{0, 0, 65, 179})) << strip;
        ReleaseAdapterResult(out);

        // An operation that delivers no picture covers nothing.
        ViewSequence again(60, 80, kOrigins, ViewKind::Grey8);
        again.AddAligned(session);
        EXPECT_TRUE(session.GetTranslationParams(&out));
        EXPECT_FALSE(session.GetLastCoveredRect(&rect[0], &rect[1], &rect[2], &rect[3]));
    }
}

TEST(OperationResults, EveryMosaicAndAlignmentJudgesEachPair) {
    // Views 0 .. 2 overlap at their true shifts; view 3 shows something else, given an
    // alignment that overlaps it with view 2 as a neighbour would. Each mosaic takes the true
    // alignments; the automatic alignment finds them. High where views of one texture overlap,
    // low for a view of another place.
    ScriptedProgress progress;
    RecordingPrompts prompts;
    const std::set<std::string> judging = {"DoAutoAlign", "DoTranslationMosaics",
                                           "DoRigidTransMosaics", "DoTranslationHMosaics"};
    const std::vector<Origin> origins = {{0, 0}, {6, 210}, {-4, 430}};
    for (const Operation& op : Operations()) {
        if (judging.count(op.name) == 0) continue;
        std::vector<TestDib> views;
        for (const Origin& o : origins)
            views.push_back(TextureView(240, 320, o.top, o.left, ViewKind::Rgb24));
        views.push_back(unrelated_view::View(240, 320));
        ViewSequence seq(std::move(views));
        MFCPanorama session;
        seq.AddTo(session);
        for (const auto& [dr, dc] : {std::pair{6, 210}, {-10, 220}, {4, 200}})
            session.AddAlign(dr, dc);
        CBmpAdapter out;
        op.run(session, &out);
        ReleaseAdapterResult(out);
        const std::vector<double> confidences = session.GetLastPairConfidences();
        ASSERT_EQ(confidences.size(), 3u) << op.name;
        EXPECT_GT(confidences[0], 0.5) << op.name;
        EXPECT_GT(confidences[1], 0.5) << op.name;
        EXPECT_LT(confidences[2], 0.1) << op.name;
    }
}

} // namespace
