// quiltstitch end to end: generated sequences with known geometry through every method, the
// exit statuses, the output kinds and the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>

#include "cli/cli_test_support.h"
#include "image_impl.h"
#include "support/camera_views.h"
#include "support/test_images.h"

namespace {

using camera_views::Scene;
using cli_test::PanSequence;
using cli_test::RunStitch;
using cli_test::ScratchDir;
using cli_test::TextureOrigin;
using cli_test::TextureSequence;
constexpr const auto& kOrigins = cli_test::kTextureOrigins;

std::unique_ptr<CImageImpl> ReadBack(const std::string& path, int type) {
    std::unique_ptr<CImageImpl> picture = CImageImpl::Open(path, type);
    return picture && picture->IsValid() ? std::move(picture) : nullptr;
}

TEST(Quiltstitch, AClosedTurnWrapsAround) {
    // Twelve views a twelfth of a turn apart: the report holds eleven pairs and the closing
    // pair, and one turn of the cylinder is 2 pi F wide. The focal length (35 mm film, 320
    // columns) is also found from the views alone.
    const double F = 300.0, focalMm = F * 35.0 / 320.0;
    std::vector<double> yaws;
    for (int k = 0; k < 12; ++k) yaws.push_back(k * std::numbers::pi / 6);
    PanSequence turn(Scene::Cylinder, F, yaws);
    std::vector<std::string> args = turn.paths;
    args.push_back("--estimate-focal");
    auto run = RunStitch(args);
    ASSERT_EQ(run.status, 0) << run.errors;
    double best = 0.0;
    ASSERT_EQ(std::sscanf(run.output.substr(run.output.find("best:")).c_str(), "best: %lf", &best),
              1)
        << run.output;
    EXPECT_NEAR(best, focalMm, 0.05 * focalMm);

    args = turn.paths;
    const std::string out = turn.dir.Path("turn.png"), report = turn.dir.Path("turn.json");
    args.insert(args.end(), {"-m", "cylinder-360", "-f", std::to_string(focalMm), "-o", out,
                             "--report", report, "-q"});
    run = RunStitch(args);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(cli_test::ReportNumbers(report, "dc").size(), 12u);
    EXPECT_EQ(cli_test::ReportNumbers(report, "confidence").size(), 12u);
    auto picture = ReadBack(out, kImageTypePng);
    ASSERT_TRUE(picture);
    EXPECT_NEAR(picture->GetWidth(), 2 * std::numbers::pi * F, 0.01 * 2 * std::numbers::pi * F);
}

TEST(Quiltstitch, ExitStatusesAndMessages) {
    TextureSequence seq;
    ScratchDir out;
    EXPECT_EQ(RunStitch(seq.Args({})).status, 64); // no output
    EXPECT_EQ(RunStitch(seq.Args({"-o", out.Path("a.xyz")})).status, 64);

    auto run = RunStitch({seq.paths[0], out.Path("missing.bmp"), "-o", out.Path("a.jpg")});
    EXPECT_EQ(run.status, 66);
    EXPECT_NE(run.errors.find("missing.bmp"), std::string::npos);

    TestDib small = TextureView(200, 300, 0, 0, ViewKind::Grey8);
    ASSERT_TRUE(cli_test::WriteTestPicture(small, out.Path("small.bmp")));
    run = RunStitch({seq.paths[0], out.Path("small.bmp"), "-o", out.Path("a.jpg")});
    EXPECT_EQ(run.status, 66);
    EXPECT_NE(run.errors.find("Something wrong with the image size."), std::string::npos);

    TestDib wide = TextureView(240, 360, 0, 200, ViewKind::Rgb24); // 12.5 % wider
    ASSERT_TRUE(cli_test::WriteTestPicture(wide, out.Path("wide.bmp")));
    run = RunStitch({seq.paths[0], out.Path("wide.bmp"), "-o", out.Path("a.jpg")});
    EXPECT_EQ(run.status, 66);
    EXPECT_NE(run.errors.find("Image size is wrong. (320 X 240 ?+10%)"), std::string::npos);
    // Among pictures that fit, it is left out with the warning and the others are stitched;
    // the report names it. One 6 % wider than the first fits and is trimmed by 10 columns a
    // side: it starts at texture column 210 as the untrimmed view would.
    TestDib wider = TextureView(240, 340, 6, 200, ViewKind::Rgb24);
    ASSERT_TRUE(cli_test::WriteTestPicture(wider, out.Path("wider.bmp")));
    run = RunStitch({seq.paths[0], out.Path("wide.bmp"), out.Path("wider.bmp"), "-m", "translation",
                     "-o", out.Path("b.jpg"), "--report", out.Path("b.json"), "-q"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.errors.find("wide.bmp: Image size is wrong."), std::string::npos);
    const std::string report = cli_test::ReadText(out.Path("b.json"));
    EXPECT_NE(report.find("\"skipped\": [\n    {\"path\": \"" + out.Path("wide.bmp")),
              std::string::npos)
        << report;
    const std::vector<double> dc = cli_test::ReportNumbers(out.Path("b.json"), "dc");
    ASSERT_EQ(dc.size(), 1u);
    EXPECT_LE(std::abs(dc[0] - 210), 4);

    // An engine refusal: the operation's result code is the exit status, and its message ends
    // the run.
    PanSequence turn(Scene::Cylinder, 300.0, {-1.0, -0.5, 0.0, 0.5, 1.0});
    std::vector<std::string> args = turn.paths;
    args.insert(args.end(), {"-m", "plane", "-o", out.Path("plane.jpg"), "-q"});
    run = RunStitch(args);
    EXPECT_EQ(run.status, 11) << run.errors;
    EXPECT_NE(run.errors.find("could not be made: The mosaic has too wide view"), std::string::npos)
        << run.errors;
}

TEST(Quiltstitch, CanvasEdgesNoPictureCoversAreTrimmedUnlessKept) {
    // Given offsets place the views exactly: they cover texture rows 0 .. 245 and columns
    // 0 .. 749. The engine's canvas adds a row of background below the base (middle) view,
    // whose rows are texture rows 6 .. 245. (Which part is covered is the engine's rule.)
    struct Case {
        const char* name;
        bool keep;
        int width, height;
    };
    const Case cases[] = {{"trimmed", false, 750, 246}, {"kept", true, 750, 247}};
    for (const Case& c : cases) {
        TextureSequence seq(ViewKind::Grey8);
        const std::string offsets = seq.dir.Path("offsets.txt");
        std::ofstream(offsets) << "6 210\n-4 220\n";
        const std::string out = seq.dir.Path("pano.bmp");
        std::vector<std::string> args = {"-m", "translation", "--offsets", offsets,
                                         "-o", out,           "-q"};
        if (c.keep) args.push_back("--keep-canvas");
        const auto run = RunStitch(seq.Args(args));
        ASSERT_EQ(run.status, 0) << c.name << ": " << run.errors;
        auto picture = ReadBack(out, kImageTypeBmp);
        ASSERT_TRUE(picture) << c.name;
        EXPECT_EQ(picture->GetWidth(), c.width) << c.name;
        EXPECT_EQ(picture->GetHeight(), c.height) << c.name;
        // Canvas (r, c) is texture (r, c): the first column, the last covered row and the last
        // column show the pictures.
        const auto texture = [](int r, int col) {
            return static_cast<int>(TextureValue(r, col, 1));
        };
        EXPECT_EQ(picture->GetPixelIndex(0, 100), texture(100, 0)) << c.name;
        EXPECT_EQ(picture->GetPixelIndex(300, 245), texture(245, 300)) << c.name;
        EXPECT_EQ(picture->GetPixelIndex(749, 100), texture(100, 749)) << c.name;
        if (c.keep) {
            EXPECT_EQ(picture->GetPixelIndex(300, 246), 255) << c.name;
        }
    }
}

TEST(Quiltstitch, OneTwoAndEightWorkersGiveTheSameResult) {
    // The same panorama, byte for byte, and the same diagnostic lines (less the timings) for
    // any number of workers, which also read the inputs (PNG and JPEG ones here as well). The
    // runs on the translated texture views show each flat method's alignment in the report and
    // the views' span in the panorama.
    PanSequence pan(Scene::Plane, 400.0, {-0.25, 0.0, 0.25});
    TextureSequence seq;
    TextureSequence png(ViewKind::Rgb24, ".png");
    TextureSequence jpeg(ViewKind::Rgb24, ".jpg");
    struct Job {
        const char* method;
        std::vector<std::string> inputs;
    };
    const Job jobs[] = {
        {"plane", pan.paths},  {"cylinder", pan.paths},          {"translation", png.paths},
        {"rigid", jpeg.paths}, {"translation-strip", seq.paths}, {"rigid-strip", seq.paths}};
    const auto withoutTimings = [](const std::string& text) {
        std::string kept, line;
        std::istringstream lines(text);
        while (std::getline(lines, line))
            if (line.find("msec") == std::string::npos) kept += line + "\n";
        return kept;
    };
    for (const Job& job : jobs) {
        std::string firstPicture, firstLines;
        for (const char* threads : {"1", "2", "8"}) {
            const std::string out = seq.dir.Path(std::string(job.method) + threads + ".bmp");
            const std::string report = seq.dir.Path("report.json");
            std::vector<std::string> args = job.inputs;
            args.insert(args.end(),
                        {"-m", job.method, "-f", "40", "-o", out, "--report", report, "-q", "-v"});
            const auto run = RunStitch(args, {std::string("STITCHKIT_THREADS=") + threads});
            ASSERT_EQ(run.status, 0) << job.method << " " << threads << ": " << run.errors;
            // Both pairs' confidences are measured and reported (none fell below the threshold).
            EXPECT_EQ(cli_test::ReportNumbers(report, "confidence").size(), 2u) << job.method;
            const std::string picture = cli_test::ReadText(out);
            ASSERT_FALSE(picture.empty());
            if (firstPicture.empty() && job.inputs != pan.paths) {
                // The alignment is on a grid of 4 pixels for views of this size; the three
                // views span 750 columns and 246 rows of the texture.
                const std::vector<double> dr = cli_test::ReportNumbers(report, "dr");
                const std::vector<double> dc = cli_test::ReportNumbers(report, "dc");
                ASSERT_EQ(dr.size(), 2u);
                for (int k = 0; k < 2; ++k) {
                    const TextureOrigin from = kOrigins[k], to = kOrigins[k + 1];
                    EXPECT_LE(std::abs(dr[k] - (to.top - from.top)), 4) << job.method;
                    EXPECT_LE(std::abs(dc[k] - (to.left - from.left)), 4) << job.method;
                }
                auto pano = ReadBack(out, kImageTypeBmp);
                ASSERT_TRUE(pano) << job.method;
                EXPECT_NEAR(pano->GetWidth(), 750, 8) << job.method;
                EXPECT_NEAR(pano->GetHeight(), 246, 8) << job.method;
            }
            if (firstPicture.empty()) {
                firstPicture = picture;
                firstLines = withoutTimings(run.output);
                continue;
            }
            EXPECT_TRUE(picture == firstPicture) << job.method << " with " << threads << " workers";
            EXPECT_EQ(withoutTimings(run.output), firstLines) << job.method << " " << threads;
        }
    }
    // Of several inputs that cannot be used, the first in the list is named, whichever worker
    // read which and whichever failed first: a large PNG cut short (found only after many rows),
    // then one too small (found at once), then one given twice.
    const std::string damaged = seq.dir.Path("damaged.png");
    TestDib large = TextureView(2400, 3200, 0, 0, ViewKind::Rgb24);
    ASSERT_TRUE(cli_test::WriteTestPicture(large, damaged));
    std::filesystem::resize_file(damaged, std::filesystem::file_size(damaged) * 9 / 10);
    const std::string small = seq.dir.Path("small.bmp");
    TestDib tiny = TextureView(100, 100, 0, 0, ViewKind::Rgb24);
    ASSERT_TRUE(cli_test::WriteTestPicture(tiny, small));
    const std::vector<std::string> bad = {png.paths[0], png.paths[1], damaged, small, png.paths[0]};
    for (const char* threads : {"1", "2", "8"}) {
        std::vector<std::string> args = bad;
        args.insert(args.end(), {"-o", seq.dir.Path("bad.bmp"), "-q"});
        const auto run = RunStitch(args, {std::string("STITCHKIT_THREADS=") + threads});
        EXPECT_EQ(run.status, 66) << threads;
        EXPECT_NE(run.errors.find(damaged + ": the picture cannot be read"), std::string::npos)
            << threads << ": " << run.errors;
        EXPECT_EQ(run.errors.find(small), std::string::npos) << threads << ": " << run.errors;
    }
}

TEST(Quiltstitch, AFolderOfTheOutputsNameIsRefusedAndNothingIsLeftBehind) {
    // The picture is written under a temporary name that takes the chosen name at the end: a
    // folder of that name makes the rename fail and the temporary file goes. (The scene file's
    // writer and its failures after writing are in atomic_write_test.cpp.)
    TextureSequence seq(ViewKind::Grey8);
    ScratchDir out;
    std::filesystem::create_directory(out.Path("pano.bmp"));
    auto run =
        RunStitch(seq.Args({"-m", "translation", "-f", "35", "-o", out.Path("pano.bmp"), "-q"}));
    EXPECT_EQ(run.status, 73);
    EXPECT_NE(run.errors.find(out.Path("pano.bmp")), std::string::npos) << run.errors;
    EXPECT_TRUE(std::filesystem::is_directory(out.Path("pano.bmp")));
    for (const std::string& file : out.Files())
        EXPECT_EQ(file.find(".part"), std::string::npos) << file;
    // A scene file is written naming its picture beside it.
    run = RunStitch(seq.Args({"-m", "translation", "-f", "35", "-o", out.Path("pano.ivr"), "-q"}));
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(cli_test::ReadText(out.Path("pano.ivr")).find("url \"pano.jpg\""), std::string::npos);
    EXPECT_TRUE(ReadBack(out.Path("pano.jpg"), kImageTypeJpeg));
}

TEST(Quiltstitch, AnAllocationFailureAnywhereEndsWithAStatus) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's operator new cannot be replaced by a preloaded one";
#else
    // The N-th operator new of a run throws std::bad_alloc, for N spread over every allocation
    // the run makes (one worker, so the count is the same each time). The engine turns it into
    // "No memory." (3); anywhere else it is an internal error (70); nothing aborts.
    TextureSequence seq(ViewKind::Grey8);
    const std::vector<std::string> args =
        seq.Args({"-m", "rigid", "-o", seq.dir.Path("p.bmp"), "-q"});
    const std::string preload = std::string("LD_PRELOAD=") + QUILT_THROWING_NEW;
    const auto counted = RunStitch(args, {preload, "QUILT_COUNT_NEW=1", "STITCHKIT_THREADS=1"});
    ASSERT_EQ(counted.status, 0) << counted.errors;
    long calls = 0;
    ASSERT_EQ(std::sscanf(counted.errors.c_str() + counted.errors.find("operator new calls:"),
                          "operator new calls: %ld", &calls),
              1)
        << counted.errors;
    std::map<int, int> statuses;
    for (long n = 1; n <= calls; n += std::max(1L, calls / 40)) {
        const auto run = RunStitch(
            args, {preload, "QUILT_THROW_AT_NEW=" + std::to_string(n), "STITCHKIT_THREADS=1"});
        ++statuses[run.status];
        EXPECT_TRUE(run.status == 0 || run.status == 3 || run.status == 66 || run.status == 70 ||
                    run.status == 73)
            << "allocation " << n << ": status " << run.status << "\n"
            << run.errors;
        if (run.status == 70) {
            EXPECT_NE(run.errors.find("internal error"), std::string::npos);
        }
    }
    EXPECT_GT(statuses[3], 0) << "some failures should be inside the engine";
    EXPECT_GT(statuses[70], 0) << "some failures should be outside the engine";
#endif
}

TEST(Quiltstitch, SixteenBitInputsKeepTheirDepthInTiff) {
    ScratchDir dir;
    std::vector<std::string> paths;
    for (int k = 0; k < 2; ++k) {
        TestDib view = TextureView(240, 320, 0, 200 * k, ViewKind::Rgb24);
        for (std::size_t i = 0; i < view.lower.size(); ++i)
            view.lower[i] = static_cast<unsigned char>(i * 7);
        paths.push_back(dir.Path("deep" + std::to_string(k) + ".tif"));
        ASSERT_TRUE(cli_test::WriteTestPicture(view, paths.back(), true));
    }
    const auto run =
        RunStitch({paths[0], paths[1], "-m", "translation", "-o", dir.Path("p16.tif"), "-q"});
    ASSERT_EQ(run.status, 0) << run.errors;
    const auto picture = ReadBack(dir.Path("p16.tif"), kImageTypeTiff);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->Is48Bit());
}

TEST(Quiltstitch, SubcommandOptionsReadTheSameWithOrWithoutEquals) {
    // The sub-commands read their options with the main command's reader.
    TextureSequence views;
    const std::string apart = views.dir.Path("apart.bmp"), joined = views.dir.Path("joined.bmp");
    auto run = RunStitch({"interpolate", views.paths[0], views.paths[1], "--t", "0.25", "--blend",
                          "dissolve", "--output", apart});
    ASSERT_EQ(run.status, 0) << run.errors;
    run = RunStitch({"interpolate", views.paths[0], views.paths[1], "--t=0.25", "--blend=dissolve",
                     "--output=" + joined});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_FALSE(cli_test::ReadText(apart).empty());
    EXPECT_EQ(cli_test::ReadText(apart), cli_test::ReadText(joined));
}

} // namespace
