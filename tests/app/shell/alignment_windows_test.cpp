// The alignment steps with the real engine on generated views of known offsets: Automatic
// Alignment, Manual Alignment (drag, keys, pair moves, the engine's Align) and the 360-degree
// seam window through the stitch driver.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "alignment_view.h"
#include "auto_alignment.h"
#include "correspondences.h"
#include "feature_matching_view.h"
#include "generated_views.h"
#include "image_impl.h"
#include "main_app.h"
#include "manual_alignment.h"
#include "manual_matching.h"
#include "result_window.h"
#include "seam_alignment.h"
#include "stitch_driver.h"
#include "support/scripted_prompter.h"

namespace {

// An application whose input list holds views of the landscape at `offsets`.
class ViewsApp : public generated::App {
public:
    explicit ViewsApp(std::vector<QPoint> offsets, int period = 0)
        : generated::App(static_cast<int>(offsets.size()),
                         [offsets, period](int k) {
                             return generated::View(offsets[k].x(), offsets[k].y(), period);
                         }),
          m_offsets(offsets) {}

    // Every record's position relative to the first is within 1 px of the truth.
    void ExpectTruePlacements() {
        const PlacementRect& first = app.Document().At(0)->Rect();
        for (int k = 1; k < app.Document().Count(); ++k) {
            const PlacementRect& r = app.Document().At(k)->Rect();
            EXPECT_NEAR(r.left - first.left, m_offsets[k].x() - m_offsets[0].x(), 1) << k;
            EXPECT_NEAR(r.top - first.top, m_offsets[k].y() - m_offsets[0].y(), 1) << k;
        }
    }

private:
    std::vector<QPoint> m_offsets;
};

void Drag(CAlignmentView& view, QPoint from, QPoint to) {
    QWidget* port = view.viewport();
    auto send = [port](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, port->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(port, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// A viewport point inside record `k`, (dx, dy) display pixels from its top-left corner.
QPoint PointIn(CAlignmentView& view, const CImageInfo& record, int dx, int dy) {
    const PlacementRect d = record.DisplayRect();
    return view.Origin() + QPoint(d.left + dx - view.ScrollX(), d.top + dy - view.ScrollY());
}

const std::vector<QPoint> kPan = {{0, 0}, {250, 6}, {490, -4}};

} // namespace

TEST(AutoAlignment, AlignsEveryPairAndStitches) {
    ScriptedPrompter prompts;
    ViewsApp views(kPan);
    prompts.Expect(kIdOk);
    ASSERT_TRUE(views.app.SwitchTo(Step::AutoAlign));
    auto* window = dynamic_cast<AutoAlignmentWindow*>(views.app.StepWidget());
    ASSERT_TRUE(window);
    views.ExpectTruePlacements();

    // Cancel at the size question opens the parameter dialog again with the choices made.
    views.settings.method = kMethodTranslation;
    views.settings.sizeIndex = 2;
    prompts.Expect(kIdCancel);
    prompts.Expect(kIdOk);
    QTest::mouseClick(window->Button(28013), Qt::LeftButton);
    ASSERT_EQ(views.shown.size(), 2u);
    EXPECT_EQ(views.shown[1].method, kMethodTranslation);
    ASSERT_TRUE(views.result);
    // The union of the three views: 490 + 400 wide, 6 + 4 + 300 high (the canvas may keep a
    // row and a column).
    EXPECT_NEAR(views.result->GetWidth(), 890, 2);
    EXPECT_NEAR(views.result->GetHeight(), 310, 2);

    // Back after the question.
    prompts.Expect(kIdOk);
    QTest::mouseClick(window->Button(28014), Qt::LeftButton);
    EXPECT_EQ(views.app.CurrentStep(), Step::FileView);
    EXPECT_FALSE(window->isVisible());
}

TEST(ManualAlignment, PairMovesKeysAndTheEnginesAlign) {
    ScriptedPrompter prompts;
    ViewsApp views(kPan);
    prompts.Expect(kIdOk);
    ASSERT_TRUE(views.app.SwitchTo(Step::ManualAlign));
    prompts.Take();
    auto* window = dynamic_cast<ManualAlignmentWindow*>(views.app.StepWidget());
    ASSERT_TRUE(window);
    window->resize(1300, 800);
    QApplication::processEvents();
    CAlignDocument& document = views.app.Document();
    CImageAlignment& view = *window->View();

    // On the first pair Previous beeps; stitching before every pair was shown is refused.
    QTest::mouseClick(window->Button(2114), Qt::LeftButton);
    EXPECT_EQ(prompts.Beeps(), 1);
    prompts.Expect(kIdOk);
    QTest::mouseClick(window->Button(2174), Qt::LeftButton);
    EXPECT_FALSE(views.result);

    // At 100 %, drag picture 1 by (+10, -5); the next pair carries the move to picture 2.
    view.SetZoom(1.0f);
    const PlacementRect before1 = document.At(1)->Rect(), before2 = document.At(2)->Rect();
    const QPoint grab = PointIn(view, *document.At(1), 300, 150);
    Drag(view, grab, grab + QPoint(10, -5));
    EXPECT_EQ(document.At(1)->Rect().left, before1.left + 10);
    EXPECT_EQ(document.At(1)->Rect().top, before1.top - 5);
    QTest::mouseClick(window->Button(2115), Qt::LeftButton);
    EXPECT_EQ(window->PairIndex(), 1);
    EXPECT_EQ(document.At(2)->Rect().left, before2.left + 10);
    EXPECT_EQ(document.At(2)->Rect().top, before2.top - 5);

    // On pair (1, 2) the arrow keys move the topmost picture: Shift+Right 10, Up 1.
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_EQ(document.At(2)->Rect().left, before2.left + 20);
    EXPECT_EQ(document.At(2)->Rect().top, before2.top - 6);
    // (Which pictures a pair's moves carry along is the arrangement test's; the carry to
    // picture 2 above shows the window commits the pair.)

    // Back on the first pair, the engine's Align on every pair gives the true placements.
    QTest::mouseClick(window->Button(2114), Qt::LeftButton);
    QTest::mouseClick(window->Button(2116), Qt::LeftButton);
    QTest::mouseClick(window->Button(2115), Qt::LeftButton);
    QTest::mouseClick(window->Button(2116), Qt::LeftButton);
    views.ExpectTruePlacements();

    views.settings.method = kMethodTranslation;
    prompts.Expect(kIdOk); // the size question
    QTest::mouseClick(window->Button(2174), Qt::LeftButton);
    EXPECT_TRUE(views.result); // its size is the automatic alignment test's
    EXPECT_EQ(prompts.Pending(), 0u);
}

TEST(SeamAlignment, ClosingOffsetReachesTheEngineAndClosesTheTurn) {
    ScriptedPrompter prompts;
    // A turn of 1080 columns in four views 270 apart: the first follows the last at +270.
    ViewsApp views({{0, 0}, {270, 0}, {540, 0}, {810, 0}}, 1080);
    prompts.Expect(kIdOk);
    ASSERT_TRUE(views.app.SwitchTo(Step::AutoAlign));
    auto* window = dynamic_cast<AutoAlignmentWindow*>(views.app.StepWidget());
    ASSERT_TRUE(window);
    const PlacementRect first = views.app.Document().At(0)->Rect();

    views.settings.method = kMethodTranslationStrip360;
    views.settings.flag360 = true;
    int seenDx = 0, seenDy = 0;
    QTimer::singleShot(0, [&] {
        auto* seam = qobject_cast<SeamAlignmentWindow*>(QApplication::activeModalWidget());
        ASSERT_TRUE(seam);
        CAlignDocument& document = views.app.Document();
        seenDx = document.At(0)->Rect().left - document.At(3)->Rect().left;
        seenDy = document.At(0)->Rect().top - document.At(3)->Rect().top;
        prompts.Expect(kIdOk);
        QTest::mouseClick(seam->Button(28029), Qt::LeftButton);
    });
    prompts.Expect(kIdOk); // the size question
    prompts.Expect(kIdOk); // "Please align the first and the last images."
    QTest::mouseClick(window->Button(28013), Qt::LeftButton);
    EXPECT_NEAR(seenDx, 270, 1);
    EXPECT_NEAR(seenDy, 0, 1);
    EXPECT_EQ(views.app.Driver().Settings().closingDx, seenDx);
    // The step's question, the size question, the seam's request and its question.
    EXPECT_EQ(prompts.Take().size(), 4u);
    // The first picture keeps its place in the chain.
    EXPECT_EQ(views.app.Document().At(0)->Rect(), first);
    ASSERT_TRUE(views.result);
    // A closed turn is as wide as the full circle.
    EXPECT_NEAR(views.result->GetWidth(), 1080, 3);
}

TEST(ManualMatching, MarkedPointsStitchAPair) {
    ScriptedPrompter prompts;
    ViewsApp views({{0, 0}, {250, 6}});
    prompts.Expect(kIdOk);
    ASSERT_TRUE(views.app.SwitchTo(Step::ManualMatch));
    prompts.Take();
    auto* window = dynamic_cast<ManualMatchingWindow*>(views.app.StepWidget());
    ASSERT_TRUE(window);

    // Eight points marked in the right picture where it truly lies over the left one.
    CAlignDocument& document = views.app.Document();
    document.At(1)->MoveTo(250, 6);
    const int marks[8][2] = {{20, 30},   {60, 250}, {100, 120}, {130, 40},
                             {140, 280}, {30, 200}, {90, 10},   {145, 150}};
    for (const auto& m : marks) window->Pane(1)->AddAt(m[0], m[1]);
    CorrespondenceStore& store = window->Store();
    ASSERT_EQ(store.Count(), 8);

    // Delete takes the selected correspondence, a ninth just marked.
    window->Pane(1)->AddAt(5, 5);
    QTest::mouseClick(window->Button(28017), Qt::LeftButton);
    EXPECT_EQ(store.Count(), 8);

    // The stitch sends the eight matches: the pair comes out at its true offset.
    document.At(1)->MoveTo(400, 0); // where the pair is placed plays no part in the matches
    views.settings.method = kMethodTranslation;
    prompts.Expect(kIdOk); // the size question
    QTest::mouseClick(window->Button(28013), Qt::LeftButton);
    ASSERT_TRUE(views.result);
    EXPECT_NEAR(views.result->GetWidth(), 650, 2);
    EXPECT_NEAR(views.result->GetHeight(), 306, 2);
    EXPECT_EQ(prompts.Pending(), 0u);
}

TEST(ManualMatching, TurnWithoutSeamMatchesClosesByTheSeamPlacement) {
    ScriptedPrompter prompts;
    // A turn of 1080 columns in four views 270 apart, marked pair by pair; the pair (last,
    // first) gets no marks, so its placement beside the last picture closes the turn.
    ViewsApp views({{0, 0}, {270, 0}, {540, 0}, {810, 0}}, 1080);
    prompts.Expect(kIdOk);
    ASSERT_TRUE(views.app.SwitchTo(Step::ManualMatch));
    auto* window = dynamic_cast<ManualMatchingWindow*>(views.app.StepWidget());
    ASSERT_TRUE(window);
    CAlignDocument& document = views.app.Document();
    for (int k = 0; k < 4; ++k) document.At(k)->MoveTo(270 * k, 0);
    for (int pair = 0; pair < 3; ++pair) {
        if (pair > 0) QTest::mouseClick(window->Button(2112), Qt::LeftButton);
        for (int m = 0; m < 8; ++m) window->Pane(1)->AddAt(10 + 15 * m, 20 + 33 * m);
    }
    views.settings.method = kMethodTranslationStrip360;
    views.settings.flag360 = true;
    prompts.Expect(kIdOk); // the size question
    prompts.Expect(kIdOk); // "Please match features between the first and the last images."
    QTest::mouseClick(window->Button(28013), Qt::LeftButton);
    EXPECT_FALSE(views.result);
    QTest::mouseClick(window->Button(2112), Qt::LeftButton); // on to the pair (last, first)
    EXPECT_EQ(window->PairIndex(), 3);
    EXPECT_EQ(document.At(0)->Rect().left, 810 + 270);
    prompts.Expect(kIdOk); // the 360-degree question
    prompts.Expect(kIdOk); // fewer than 6 correspondences for the seam: go on anyway
    QTest::mouseClick(window->Button(28013), Qt::LeftButton);
    ASSERT_TRUE(views.result);
    EXPECT_NEAR(views.result->GetWidth(), 1080, 3);
    EXPECT_EQ(document.At(0)->Rect().left, 0); // the first picture is back in its place
    EXPECT_EQ(prompts.Pending(), 0u);
}

TEST(ManualAlignment, TheMaskKeepsADecoyOutOfThePairAlignment) {
    ScriptedPrompter prompts;
    // Two views 120 apart whose bottom 38 rows carry the same high-contrast blocks at the same
    // place in both pictures (as a lens hood or a dirty corner would): without a mask the pair
    // aligns on them at (0, 0); the mask circle leaves them out.
    ViewsApp views({{0, 0}, {120, 6}});
    CImageInfo::SetLoader([](const std::string& path, const PictureCorrection&) {
        const int k = path.back() - '0';
        std::unique_ptr<CImageImpl> view = generated::View(120 * k, 6 * k);
        for (int y = 262; y < 300; ++y)
            for (int x = 0; x < 400; ++x) {
                const BYTE v = ((x / 16) * 7 + (y / 16) * 3) % 5 < 2 ? 255 : 0;
                for (int c = 0; c < 3; ++c) view->GetRow(y)[3 * x + c] = v;
            }
        return view;
    });
    prompts.Expect(kIdOk);
    ASSERT_TRUE(views.app.SwitchTo(Step::ManualAlign));
    auto* window = dynamic_cast<ManualAlignmentWindow*>(views.app.StepWidget());
    ASSERT_TRUE(window);
    CAlignDocument& document = views.app.Document();
    QTest::mouseClick(window->Button(2116), Qt::LeftButton);
    const PlacementRect unmasked = document.At(1)->Rect();
    EXPECT_FALSE(unmasked.left - document.At(0)->Rect().left == 120 &&
                 unmasked.top - document.At(0)->Rect().top == 6);

    std::unique_ptr<CImageImpl> mask = CImageImpl::Create(400, 300, 8, kImageTypeBmp);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            mask->GetRow(y)[x] =
                (x - 200) * (x - 200) + (y - 110) * (y - 110) <= 150 * 150 ? 255 : 0;
    views.app.SetMask(std::move(mask));
    QTest::mouseClick(window->Button(2116), Qt::LeftButton);
    views.ExpectTruePlacements();
}
