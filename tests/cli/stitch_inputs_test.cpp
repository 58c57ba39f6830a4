// quiltstitch's inputs: pictures of every depth the readers take, and hand-set matches checked
// line by line.
#include <gtest/gtest.h>

#include <array>
#include <fstream>

#include "cli/cli_test_support.h"
#include "image_impl.h"
#include "support/test_images.h"

namespace {

using cli_test::RunStitch;
using cli_test::ScratchDir;

constexpr int kRows = 240, kColumns = 320;
// View k's origin in the texture; the offsets file gives the same steps (its comments and
// blank lines are skipped).
constexpr const auto& kOrigins = cli_test::kTextureOrigins;
constexpr const char* kOffsets = "# dr dc\n6 210\n\n-4 220\n";

int Texture(int row, int column) {
    return static_cast<int>(TextureValue(row, column, 1));
}

// Colours of the 4-bit views: entry i = (red 17 i, green 255 - 17 i, blue 8 i).
RGBQUAD Entry4(int i) {
    return RGBQUAD{static_cast<BYTE>(8 * i), static_cast<BYTE>(255 - 17 * i),
                   static_cast<BYTE>(17 * i), 0};
}

// A view of the texture with `bits` bits per pixel: the texture's top bits index a black and
// white palette (1 bit) or the colours above (4 bits).
std::string WriteView(const ScratchDir& dir, int k, int bits) {
    std::unique_ptr<CImageImpl> view = CImageImpl::Create(kColumns, kRows, bits, kImageTypeBmp);
    std::vector<RGBQUAD> palette;
    for (int i = 0; i < (1 << bits); ++i)
        palette.push_back(bits == 1 ? RGBQUAD{BYTE(255 * i), BYTE(255 * i), BYTE(255 * i), 0}
                                    : Entry4(i));
    view->SetPalette(palette);
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColumns; ++x)
            view->SetPixelIndex(x, y,
                                Texture(y + kOrigins[k].top, x + kOrigins[k].left) >> (8 - bits));
    const std::string path = dir.Path("view" + std::to_string(k) + ".bmp");
    EXPECT_TRUE(view->WriteFile(path));
    return path;
}

// The colour a texture value has in a view of `bits` bits, as red, green, blue.
std::array<int, 3> Expected(int value, int bits) {
    if (bits == 1) {
        const int level = value >= 128 ? 255 : 0;
        return {level, level, level};
    }
    const RGBQUAD e = Entry4(value >> 4);
    return {e.rgbRed, e.rgbGreen, e.rgbBlue};
}

std::array<int, 3> Pixel(const CImageImpl& picture, int x, int y) {
    if (picture.GetBitsPerPixel() == 8) {
        const int level = picture.GetPixelIndex(x, y);
        return {level, level, level};
    }
    const BYTE* p = picture.GetRow(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

// Pixels of the panorama that differ from the texture as a view of `bits` bits shows it, over
// the texture window [top, top + rows) x [left, left + columns), sampled every 3 pixels. The
// uncovered edges are trimmed, so panorama (x, y) is texture column x, row y.
int Mismatches(const CImageImpl& pano, int bits, int top, int left, int rows, int columns) {
    int count = 0;
    for (int r = top; r < top + rows; r += 3)
        for (int c = left; c < left + columns; c += 3)
            if (c >= pano.GetWidth() || r >= pano.GetHeight() ||
                Pixel(pano, c, r) != Expected(Texture(r, c), bits))
                ++count;
    return count;
}

TEST(StitchInputs, PicturesOfOneAndFourBitsAreJoined) {
    struct Case {
        const char* name;
        std::array<int, 3> bits; // of each view
        int outputBits;          // black and white pictures stay grey; any colour makes colour
    };
    const Case cases[] = {
        {"1-bit", {1, 1, 1}, 8},
        {"4-bit", {4, 4, 4}, 24},
        {"1-bit among 4-bit", {4, 1, 4}, 24},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        std::vector<std::string> args;
        for (int k = 0; k < 3; ++k) args.push_back(WriteView(dir, k, c.bits[k]));
        std::ofstream(dir.Path("offsets.txt")) << kOffsets;
        const std::string out = dir.Path("pano.bmp");
        for (const char* a : {"-m", "translation", "--base", "1", "-q", "--offsets"})
            args.push_back(a);
        args.insert(args.end(), {dir.Path("offsets.txt"), "-o", out});
        const auto run = RunStitch(args);
        ASSERT_EQ(run.status, 0) << c.name << ": " << run.errors;
        std::unique_ptr<CImageImpl> pano = CImageImpl::Open(out, kImageTypeBmp);
        ASSERT_TRUE(pano->IsValid()) << c.name;
        EXPECT_EQ(pano->GetBitsPerPixel(), c.outputBits) << c.name;
        // View 0 alone in texture columns 0 .. 209, view 1 alone in columns 320 .. 429 (rows
        // 6 .. 239 are inside it).
        EXPECT_EQ(Mismatches(*pano, c.bits[0], 0, 0, kRows, 210), 0) << c.name;
        EXPECT_EQ(Mismatches(*pano, c.bits[1], 6, 320, kRows - 6, 110), 0) << c.name;
    }
}

TEST(StitchInputs, SubcommandsTakeOneBitPicturesToo) {
    ScratchDir dir;
    const std::string view = WriteView(dir, 0, 1);
    const auto run = RunStitch({"perspective", view, "-o", dir.Path("straight.bmp"), "--line",
                                "50,10,60,200", "--line", "250,10,240,200"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(CImageImpl::Open(dir.Path("straight.bmp"), kImageTypeBmp)->IsValid());
}

TEST(StitchInputs, MatchesOutsideThePicturesAreRefusedByLine) {
    const cli_test::TextureSequence views;
    const ScratchDir& dir = views.dir;
    // Texture points (100, 250), (200, 300) in views 0 and 1; (120, 480), (50, 500) in views
    // 1 and 2.
    const std::string good01 = "0 1 100 250 94 40\n0 1 200 300 194 90\n";
    const std::string good12 = "1 2 114 270 118 50\n1 2 44 290 48 70\n";
    const auto run = [&](const std::string& pair01) {
        std::ofstream(dir.Path("matches.txt")) << "# i j r1 c1 r2 c2\n" << good12 << pair01;
        return RunStitch(views.Args({"-m", "translation", "--matches", dir.Path("matches.txt"),
                                     "-o", dir.Path("pano.jpg"), "-q"}));
    };
    const auto good = run(good01);
    ASSERT_EQ(good.status, 0) << good.errors;

    // Each bad line is the file's fourth: the comment and two good lines come first.
    const char* badLines[] = {
        "0 1 1e300 250 94 40", // far outside
        "0 1 100 250 94 -1",   // left of the picture
        "0 1 240 250 94 40",   // one row below the last
        "0 1 100 320 94 40",   // one column past the last
        "0 1 nan 250 94 40",   // not a number
        "0 1 100 250 94 1e999",
    };
    for (const char* bad : badLines) {
        const auto refused = run(std::string(bad) + "\n" + good01);
        EXPECT_EQ(refused.status, 66) << bad;
        EXPECT_NE(refused.errors.find("matches.txt:4: '" + std::string(bad) + "'"),
                  std::string::npos)
            << bad << ": " << refused.errors;
    }
}

} // namespace
