// The in-memory bitmap of the correction previews.
#include <gtest/gtest.h>

#include "dib.h"

TEST(CDib, LayoutAndFit) {
    CDib dib;
    ASSERT_TRUE(dib.Create(3, 2, 24));
    EXPECT_EQ(dib.RowLength(), 12); // 9 bytes padded to 12
    EXPECT_EQ(dib.ImageBytes(), 24u);
    ASSERT_TRUE(dib.Create(5, 5, 8));

    CDib big, fitted;
    ASSERT_TRUE(big.Create(400, 300, 24));
    ASSERT_TRUE(big.FitInto(200, 200, fitted));
    int w = 0, h = 0;
    ASSERT_TRUE(fitted.GetSize(&w, &h));
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 150);
}

TEST(CDib, FitSamplesBilinearly) {
    // A 4 x 1 red ramp 0, 100, 200, 250 halved: output x samples source x = 2 x.
    CDib ramp, half;
    ASSERT_TRUE(ramp.Create(4, 2, 24));
    const int reds[] = {0, 100, 200, 250};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) ramp.Bits()[y * ramp.RowLength() + 3 * x + 2] = reds[x];
    ASSERT_TRUE(ramp.FitInto(2, 2, half));
    std::uint8_t rgb[3];
    half.PixelRgb(0, 0, rgb);
    EXPECT_EQ(rgb[0], 0);
    half.PixelRgb(1, 0, rgb);
    EXPECT_EQ(rgb[0], 200);
    // An 8-bit picture goes through its palette.
    CDib indexed, out;
    ASSERT_TRUE(indexed.Create(2, 2, 8));
    indexed.Palette()[0] = RGBQUAD{10, 20, 30, 0};
    ASSERT_TRUE(indexed.FitInto(4, 4, out));
    out.PixelRgb(3, 3, rgb);
    EXPECT_EQ(rgb[0], 30);
    EXPECT_EQ(rgb[2], 10);
}
