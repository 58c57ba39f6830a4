// Pictures that do not show the same place: quiltstitch refuses them (exit 65, nothing written)
// or, with --drop-unmatched, stitches the longest run of connected pictures. (That pictures of
// known transforms pass is shown by every other quiltstitch test that exits with 0.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"
#include "image_impl.h"
#include "pair_selection.h"
#include "support/test_images.h"
#include "support/unrelated_view.h"

namespace {

using cli_test::RunStitch;
using cli_test::ScratchDir;

// The three views of the texture (750 columns together) and a picture of something else of
// the same size beside them.
struct Pictures : cli_test::TextureSequence {
    std::string unrelated = dir.Path("elsewhere.bmp");
    Pictures() {
        TestDib other = unrelated_view::View(240, 320);
        EXPECT_TRUE(cli_test::WriteTestPicture(other, unrelated));
    }
};

TEST(UnmatchedPictures, AnUnrelatedPictureIsRefusedOrLeftOut) {
    // The refusal names the pair (each operation's pair confidence is the engine's test).
    Pictures p;
    const std::string refused = p.dir.Path("refused.png");
    auto run = RunStitch(p.Args({p.unrelated, "-m", "translation", "-o", refused, "-q"}));
    EXPECT_EQ(run.status, 65) << run.errors;
    EXPECT_FALSE(std::filesystem::exists(refused));
    EXPECT_NE(run.errors.find(p.paths[2] + " and " + p.unrelated), std::string::npos) << run.errors;

    const std::string out = p.dir.Path("kept.png"), report = p.dir.Path("kept.json");
    run = RunStitch(p.Args({p.unrelated, "-m", "translation", "--drop-unmatched", "-o", out,
                            "--report", report, "-q"}));
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
