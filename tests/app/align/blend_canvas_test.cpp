// Composition rules of the picture views, against hand-computed pixels and counts.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "blend_canvas.h"

namespace {

// A w x h picture of one colour (blue, green, red), rows padded to 4 bytes.
struct Solid {
    std::vector<std::uint8_t> bits;
    Bgr24View view;
    Solid(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
        const std::ptrdiff_t stride = (3 * w + 3) / 4 * 4;
        bits.assign(static_cast<std::size_t>(stride) * h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t* p = bits.data() + y * stride + 3 * x;
                p[0] = b, p[1] = g, p[2] = r;
            }
        view = {bits.data(), w, h, stride};
    }
};

std::array<int, 4> At(const BlendCanvas& canvas, int x, int y) {
    const std::uint8_t* p = canvas.Pixel(x, y);
    return {p[0], p[1], p[2], canvas.Coverage(x, y)};
}

BlendCanvas Canvas(int w, int h) {
    BlendCanvas canvas;
    EXPECT_TRUE(canvas.Resize(w, h));
    canvas.ClearToDefault();
    return canvas;
}

} // namespace

TEST(BlendCanvas, SizesRoundUpToMultiplesOfFour) {
    const int cases[][4] = {{301, 200, 304, 200}, {300, 1, 300, 4}, {4, 4, 4, 4}, {1, 7, 4, 8}};
    for (const auto& c : cases) {
        BlendCanvas canvas;
        ASSERT_TRUE(canvas.Resize(c[0], c[1]));
        EXPECT_EQ(canvas.Width(), c[2]);
        EXPECT_EQ(canvas.Height(), c[3]);
        EXPECT_EQ(canvas.Stride() % 4, 0);
        EXPECT_EQ(canvas.Header().biSizeImage, static_cast<DWORD>(c[2] * c[3] * 3));
    }
}

TEST(BlendCanvas, MixModesAgainstHandValues) {
    BlendCanvas canvas = Canvas(8, 8);
    EXPECT_EQ(At(canvas, 3, 3), (std::array<int, 4>{222, 222, 222, 0}));
    // Mode 1 over nothing draws the source itself.
    canvas.Compose(Solid(2, 2, 90, 91, 92).view, 0, 0, kComposeHalfMix);
    EXPECT_EQ(At(canvas, 1, 1), (std::array<int, 4>{90, 91, 92, 1}));
    // Modes 0, 1, 2 at one place: 90 -> 90/2 + 30/2 = 60 -> (2 * 60 + 150) / 3 = 90.
    canvas.Compose(Solid(4, 4, 90, 255, 0).view, 4, 4, kComposeOpaque);
    canvas.Compose(Solid(4, 4, 30, 255, 7).view, 4, 4, kComposeHalfMix);
    EXPECT_EQ(At(canvas, 5, 5), (std::array<int, 4>{60, 254, 3, 2}));
    canvas.Compose(Solid(4, 4, 150, 0, 10).view, 4, 4, kComposeAverage);
    EXPECT_EQ(At(canvas, 7, 7), (std::array<int, 4>{90, 169, 5, 3})); // (2*254+0)/3 = 169
    // The pixels around stay as they were.
    EXPECT_EQ(At(canvas, 3, 5), (std::array<int, 4>{222, 222, 222, 0}));
}

TEST(BlendCanvas, AverageIsExactIntegerDivisionForEveryCount) {
    for (int n = 1; n < 256; n += 7) {
        for (int canvasValue : {0, 1, 127, 254, 255}) {
            for (int source : {0, 3, 128, 255}) {
                BlendCanvas canvas = Canvas(4, 4);
                canvas.Clear(0, 0, static_cast<std::uint8_t>(canvasValue));
                const Solid picture(1, 1, 0, 0, static_cast<std::uint8_t>(source));
                // Raise the count to n without touching colours: n opaque draws of the
                // canvas colour.
                const Solid same(1, 1, 0, 0, static_cast<std::uint8_t>(canvasValue));
                for (int k = 0; k < n; ++k) canvas.Compose(same.view, 0, 0, kComposeOpaque);
                canvas.Compose(picture.view, 0, 0, kComposeAverage);
                ASSERT_EQ(At(canvas, 0, 0)[2], (n * canvasValue + source) / (n + 1))
                    << "n " << n << " canvas " << canvasValue << " source " << source;
            }
        }
    }
}

TEST(BlendCanvas, NothingOutsideCanvasOrClipAndCountsWrap) {
    BlendCanvas canvas = Canvas(8, 8);
    const Solid picture(4, 4, 1, 2, 3);
    canvas.Compose(picture.view, 8, 0, kComposeOpaque);  // right of the canvas
    canvas.Compose(picture.view, -4, 2, kComposeOpaque); // left of it
    canvas.Compose(picture.view, 5, 5, kComposeOpaque, CanvasRect{0, 0, 0, 4}); // empty clip
    canvas.Compose(picture.view, 6, 6, kComposeOpaque, std::nullopt, 6, 6);     // scrolled to 0,0
    EXPECT_EQ(At(canvas, 0, 0), (std::array<int, 4>{1, 2, 3, 1}));
    EXPECT_EQ(At(canvas, 4, 4), (std::array<int, 4>{222, 222, 222, 0}));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(At(canvas, x, y)[3], x < 4 && y < 4 ? 1 : 0);
    for (int k = 0; k < 255; ++k) canvas.Compose(picture.view, 0, 0, kComposeOpaque);
    EXPECT_EQ(At(canvas, 0, 0)[3], 0); // 256 draws wrap the byte
}

TEST(BlendCanvas, ClipDrawsThatPartAtThePosition) {
    // A picture whose columns count 0, 10, 20, ... in red; clip columns 2 .. 5, rows 1 .. 3.
    std::vector<std::uint8_t> bits(24 * 6, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) bits[y * 24 + 3 * x + 2] = static_cast<std::uint8_t>(10 * x);
    const Bgr24View picture{bits.data(), 8, 6, 24};
    BlendCanvas canvas = Canvas(12, 12);
    canvas.Compose(picture, 4, 4, kComposeOpaque, CanvasRect{2, 1, 6, 4});
    EXPECT_EQ(At(canvas, 4, 4)[2], 20);
    EXPECT_EQ(At(canvas, 7, 6)[2], 50);
    EXPECT_EQ(At(canvas, 8, 4)[3], 0); // past the clip's right edge
    EXPECT_EQ(At(canvas, 4, 7)[3], 0); // past its bottom
    EXPECT_EQ(At(canvas, 3, 4)[3], 0);
}

TEST(BlendCanvas, FramedModes) {
    // Too small an area: nothing at all.
    for (int mode : {kComposeInvertedFrame, kComposeStripedFrame, kComposeDoubleStripedFrame}) {
        BlendCanvas canvas = Canvas(8, 8);
        canvas.Compose(Solid(3, 8, 0, 0, 0).view, 0, 0, mode);
        canvas.Compose(Solid(8, 3, 0, 0, 0).view, 0, 0, mode);
        EXPECT_EQ(At(canvas, 1, 1), (std::array<int, 4>{222, 222, 222, 0})) << mode;
    }
    // Inverted frame over grey 222: ((222 ^ 255) * 4) mod 256 = 132; the inside half-mixes
    // over a count of 1 (drawn first in mode 0): 222 / 2 + 100 / 2 = 161.
    BlendCanvas canvas = Canvas(8, 8);
    canvas.Compose(Solid(8, 8, 222, 222, 222).view, 0, 0, kComposeOpaque);
    canvas.Compose(Solid(8, 8, 100, 100, 100).view, 0, 0, kComposeInvertedFrame);
    EXPECT_EQ(At(canvas, 0, 0), (std::array<int, 4>{132, 132, 132, 2}));
    EXPECT_EQ(At(canvas, 7, 6), (std::array<int, 4>{132, 132, 132, 2}));
    EXPECT_EQ(At(canvas, 2, 2), (std::array<int, 4>{161, 161, 161, 2}));
    // Stripes: (r + c) mod 3 = 0 blue, 1 red, 2 green.
    BlendCanvas striped = Canvas(16, 16);
    striped.Compose(Solid(16, 16, 9, 9, 9).view, 0, 0, kComposeDoubleStripedFrame);
    EXPECT_EQ(At(striped, 0, 0), (std::array<int, 4>{255, 0, 0, 1}));
    EXPECT_EQ(At(striped, 1, 0), (std::array<int, 4>{0, 0, 255, 1}));
    EXPECT_EQ(At(striped, 2, 0), (std::array<int, 4>{0, 255, 0, 1}));
    // Inner frame of mode 5 (h = w = 16): row 4 over columns 5 .. 11, column 5 over rows 5 .. 10.
    EXPECT_EQ(At(striped, 5, 4), (std::array<int, 4>{255, 0, 0, 1}));  // r + c = 9
    EXPECT_EQ(At(striped, 11, 5), (std::array<int, 4>{0, 0, 255, 1})); // row 5, r + c = 16
    EXPECT_EQ(At(striped, 6, 5), (std::array<int, 4>{0, 255, 0, 1}));  // column 6, r + c = 11
    EXPECT_EQ(At(striped, 5, 11), (std::array<int, 4>{0, 0, 255, 1})); // row h - 5 = 11
    EXPECT_EQ(At(striped, 4, 4), (std::array<int, 4>{9, 9, 9, 1}));    // inside, not on a frame
    EXPECT_EQ(At(striped, 12, 4), (std::array<int, 4>{9, 9, 9, 1}));   // past the inner row's end
    EXPECT_EQ(At(striped, 4, 11), (std::array<int, 4>{9, 9, 9, 1}));   // left of the inner row
}
