// Pictures that do not show the same place: quiltstitch refuses them (exit 65, nothing written)
// or, with --drop-unmatched, stitches the longest run of connected pictures; sequences made
// through known transforms score above the threshold in every pair.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"
#include "image_impl.h"
#include "pair_selection.h"
#include "support/camera_views.h"
#include "support/test_images.h"
#include "support/unrelated_view.h"

namespace {

using camera_views::Scene;
using cli_test::RunStitch;
using cli_test::ScratchDir;

constexpr int kRows = 240, kColumns = 320;

// Three views of the texture at known origins (750 columns together) in a scratch folder, and
// a picture of something else of the same size beside them.
struct Pictures {
    ScratchDir dir;
    std::vector<std::string> views;
    std::string unrelated;

    Pictures() {
        const int origins[3][2] = {{0, 0}, {6, 210}, {2, 430}};
        for (int k = 0; k < 3; ++k) {
            TestDib view =
                TextureView(kRows, kColumns, origins[k][0], origins[k][1], ViewKind::Rgb24);
            views.push_back(dir.Path("view" + std::to_string(k) + ".bmp"));
            EXPECT_TRUE(cli_test::WriteTestPicture(view, views.back()));
        }
        TestDib other = unrelated_view::View(kRows, kColumns);
        unrelated = dir.Path("elsewhere.bmp");
        EXPECT_TRUE(cli_test::WriteTestPicture(other, unrelated));
    }
};

std::vector<std::string> Joined(std::vector<std::string> pictures,
                                const std::vector<std::string>& more) {
    pictures.insert(pictures.end(), more.begin(), more.end());
    return pictures;
}

TEST(UnmatchedPictures, TwoUnrelatedPicturesAreRefusedWithNothingWritten) {
    Pictures p;
    for (const char* method : {"cylinder", "plane", "translation", "rigid-strip"}) {
        const std::string out = p.dir.Path(std::string(method) + ".png");
        const auto run = RunStitch({p.views[0], p.unrelated, "-m", method, "-o", out, "-q"});
        EXPECT_EQ(run.status, 65) << method << ": " << run.errors;
        EXPECT_FALSE(std::filesystem::exists(out)) << method;
        EXPECT_NE(run.errors.find(p.views[0] + " and " + p.unrelated), std::string::npos)
            << method << ": " << run.errors;
        EXPECT_NE(run.errors.find("pair confidence"), std::string::npos) << run.errors;
    }
}

TEST(UnmatchedPictures, AnUnrelatedPictureIsRefusedOrLeftOut) {
    Pictures p;
    const std::vector<std::string> pictures = Joined(p.views, {p.unrelated});
    const std::string refused = p.dir.Path("refused.png");
    auto run = RunStitch(Joined(pictures, {"-m", "translation", "-o", refused, "-q"}));
    EXPECT_EQ(run.status, 65) << run.errors;
    EXPECT_FALSE(std::filesystem::exists(refused));
    EXPECT_NE(run.errors.find(p.views[2] + " and " + p.unrelated), std::string::npos) << run.errors;

    const std::string out = p.dir.Path("kept.png"), report = p.dir.Path("kept.json");
    run = RunStitch(Joined(
        pictures, {"-m", "translation", "--drop-unmatched", "-o", out, "--report", report, "-q"}));
    ASSERT_EQ(run.status, 0) << run.errors;
    auto picture = CImageImpl::Open(out, kImageTypePng);
    ASSERT_TRUE(picture && picture->IsValid());
    // The three views of the texture span 750 columns; a fourth picture would add to them.
    EXPECT_NEAR(picture->GetWidth(), 750, 8);
    const std::string text = cli_test::ReadText(report);
    const std::size_t dropped = text.find("\"dropped\": [");
    ASSERT_NE(dropped, std::string::npos) << text;
    EXPECT_NE(text.find("\"path\": \"" + p.unrelated + "\"", dropped), std::string::npos) << text;
    // Every pair of the four pictures, then the three kept pictures' two pairs.
    EXPECT_EQ(cli_test::ReportNumbers(report, "confidence").size(), 3u + 2u) << text;
}

TEST(UnmatchedPictures, SequencesOfKnownTransformsScoreAboveTheThreshold) {
    Pictures p;
    // A camera turning about its vertical axis: three views of a plane, and a closed turn of
    // twelve views of a cylinder (eleven pairs and the closing one).
    const double F = 300.0;
    const auto write = [&](Scene scene, double yaw, const std::string& name) {
        NImagePtr view = camera_views::RenderView(scene, F, yaw, kRows, kColumns, 1);
        TestDib dib = DibFromImage(view.get());
        const std::string path = p.dir.Path(name);
        EXPECT_TRUE(cli_test::WriteTestPicture(dib, path));
        return path;
    };
    std::vector<std::string> pan, turn;
    for (int k = 0; k < 3; ++k)
        pan.push_back(write(Scene::Plane, (k - 1) * 0.25, "pan" + std::to_string(k) + ".bmp"));
    for (int k = 0; k < 12; ++k)
        turn.push_back(
            write(Scene::Cylinder, k * std::numbers::pi / 6, "turn" + std::to_string(k) + ".bmp"));
    const std::string focal = std::to_string(F * 35.0 / kColumns);
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::size_t pairs;
    };
    const Case cases[] = {
        {"translation", Joined(p.views, {"-m", "translation"}), 2},
        {"rigid", Joined(p.views, {"-m", "rigid"}), 2},
        {"translation strip", Joined(p.views, {"-m", "translation-strip"}), 2},
        {"plane", Joined(pan, {"-m", "plane"}), 2},
        {"cylinder", Joined(pan, {"-m", "cylinder", "-f", focal}), 2},
        {"closed turn", Joined(turn, {"-m", "cylinder-360", "-f", focal}), 12},
    };
    for (const Case& c : cases) {
        const std::string report = p.dir.Path("report.json");
        const auto run =
            RunStitch(Joined(c.args, {"-o", p.dir.Path("out.png"), "--report", report, "-q"}));
        ASSERT_EQ(run.status, 0) << c.name << ": " << run.errors;
        const std::vector<double> confidences = cli_test::ReportNumbers(report, "confidence");
        ASSERT_EQ(confidences.size(), c.pairs) << c.name;
        for (const double confidence : confidences)
            EXPECT_GE(confidence, kMinimumPairConfidence) << c.name;
    }
}

TEST(UnmatchedPictures, TheLongestRunOfConnectedPicturesIsKept) {
    struct Case {
        const char* name;
        int count;
        std::vector<PairConfidence> pairs;
        int begin, end;
    };
    const double weak = kMinimumPairConfidence / 2, good = 0.9;
    const Case cases[] = {
        {"the later run is longer",
         5,
         {{0, 1, good}, {1, 2, weak}, {2, 3, good}, {3, 4, good}},
         2,
         5},
        {"equal runs: the earlier", 4, {{0, 1, good}, {1, 2, weak}, {2, 3, good}}, 0, 2},
        {"a weak closing pair joins nothing", 3, {{0, 1, good}, {1, 2, good}, {2, 0, weak}}, 0, 3},
        {"an unmeasured pair is no break", 3, {{0, 1, -1.0}, {1, 2, good}}, 0, 3},
        {"nothing connected: the first picture", 3, {{0, 1, weak}, {1, 2, weak}}, 0, 1},
    };
    for (const Case& c : cases) {
        const PictureRun run = LongestConnectedRun(c.count, c.pairs);
        EXPECT_EQ(run.begin, c.begin) << c.name;
        EXPECT_EQ(run.end, c.end) << c.name;
    }
}

} // namespace
