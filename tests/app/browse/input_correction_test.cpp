// Shading and lens correction of input pictures and their preparation.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image_impl.h"
#include "input_correction.h"

namespace {

BITMAPINFOHEADER Header(int width, int height, int bits) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biSizeImage = static_cast<DWORD>(DibStride(width, bits) * height);
    return h;
}

// A 24-bit picture with every sample `value` (and, when `lower` >= 0, a low-byte plane of it).
std::unique_ptr<CImageImpl> Flat(int width, int height, BYTE value, int lower = -1) {
    const BITMAPINFOHEADER h = Header(width, height, 24);
    std::vector<BYTE> bits(h.biSizeImage, value);
    std::vector<BYTE> low(h.biSizeImage, static_cast<BYTE>(lower < 0 ? 0 : lower));
    return CImageImpl::FromBitmap(h, bits.data(), lower >= 0 ? low.data() : nullptr, nullptr,
                                  kImageTypeBmp);
}

// Blue sample of pixel (x, y), y from the top.
int Blue(const CImageImpl& p, int x, int y) {
    return p.GetRow(y)[3 * x];
}

} // namespace

TEST(InputCorrection, ShadingCurveOn24Bits) {
    // 101 x 101: centre (50, 50), R^2 = 50^2 + 50^2 = 5000; (25, 25) from it is r = R / 2. The
    // amount is level x 2.55 rounded (255 at 100, 128 at 50, 26 at 10 below).
    struct Case {
        int level, base, x, y, expected;
    };
    for (const Case c : {
             Case{100, 10, 50, 50, 10}, // centre unchanged
             Case{100, 10, 0, 0, 255},  // corner +255, clipped
             Case{100, 10, 75, 75, 73}, // trunc(255 / 4) = 63
             Case{50, 0, 0, 100, 128},  // amount 128 at a corner
             Case{50, 0, 75, 25, 32},   // trunc(128 / 4)
             Case{100, 0, 50, 0, 127},  // r^2 = 2500: trunc(255 / 2)
         }) {
        const auto picture = Flat(101, 101, static_cast<BYTE>(c.base));
        ShadingCorrector corrector;
        const auto shaded = ShadingCorrected(*picture, c.level, &corrector);
        ASSERT_TRUE(shaded);
        EXPECT_EQ(Blue(*shaded, c.x, c.y), c.expected) << c.level << " " << c.x << "," << c.y;
        EXPECT_NEAR(corrector.Radius(), 70.7107, 1e-4);
    }
    // 4 x 1: centre 1.5 rounds to column 2, R = 1.5; amount 26 at level 10.
    // Column 0: trunc(26 x 4 / 2.25) = 46; columns 1 and 3: trunc(26 / 2.25) = 11; column 2: 0.
    const auto even = ShadingCorrected(*Flat(4, 1, 0), 10);
    EXPECT_EQ(Blue(*even, 0, 0), 46);
    EXPECT_EQ(Blue(*even, 1, 0), 11);
    EXPECT_EQ(Blue(*even, 2, 0), 0);
    EXPECT_EQ(Blue(*even, 3, 0), 11);
}

TEST(InputCorrection, ShadingOf555And32BitPixelsAndRectangle) {
    // 5 x 5, centre (2, 2), R^2 = 8. Pixel (1, 1) has r^2 = 2: 31 x 2 / 8 -> 7, 255 x 2 / 8 -> 63.
    const BITMAPINFOHEADER h16 = Header(5, 5, 16);
    std::vector<BYTE> in16(h16.biSizeImage, 0), out16(h16.biSizeImage, 0xEE);
    const int stride16 = DibStride(5, 16);
    // Row 1 from the top is stored third from the bottom: index 5 - 1 - 1.
    const auto at16 = [&](std::vector<BYTE>& v, int x, int y) {
        return &v[(4 - y) * stride16 + 2 * x];
    };
    const int pixel = 1 << 10 | 2 << 5 | 3; // red 1, green 2, blue 3
    at16(in16, 1, 1)[0] = pixel & 255;
    at16(in16, 1, 1)[1] = pixel >> 8;
    ShadingCorrector corrector;
    ASSERT_TRUE(corrector.Correct(h16, in16.data(), out16.data(), 100));
    const int got = at16(out16, 1, 1)[0] | at16(out16, 1, 1)[1] << 8;
    EXPECT_EQ(got, 8 << 10 | 9 << 5 | 10);
    EXPECT_EQ(at16(out16, 0, 0)[0] | at16(out16, 0, 0)[1] << 8, 0x7FFF); // 31 in each channel
    EXPECT_EQ(at16(out16, 2, 2)[0] | at16(out16, 2, 2)[1] << 8, 0);

    const BITMAPINFOHEADER h32 = Header(5, 5, 32);
    std::vector<BYTE> in32(h32.biSizeImage, 77), out32(h32.biSizeImage, 0);
    ASSERT_TRUE(corrector.Correct(h32, in32.data(), out32.data(), 100));
    const BYTE* p = &out32[(4 - 1) * 20 + 4 * 1];
    EXPECT_EQ(p[0], 77 + 63);
    EXPECT_EQ(p[2], 77 + 63);
    EXPECT_EQ(p[3], 77); // the fourth byte is not a colour

    // Only pixels inside the rectangle (columns 0-1, rows 0-1) change.
    std::fill(out32.begin(), out32.end(), 0);
    corrector.SetRect(0, 0, 2, 2);
    ASSERT_TRUE(corrector.Correct(h32, in32.data(), out32.data(), 100));
    EXPECT_EQ(out32[(4 - 0) * 20 + 0], 255);    // (0, 0) corner
    EXPECT_EQ(out32[(4 - 4) * 20 + 4 * 4], 77); // (4, 4) corner outside
}

TEST(InputCorrection, SixteenBitPictureKeepsSixteenBitsWithTheSameCurve) {
    // 5 x 5 of 16-bit zeros. Corner: + 65535; (1, 1): trunc(65535 x 2 / 8) = 16383 = 63 x 256 +
    // 255.
    const auto picture = Flat(5, 5, 0, 0);
    ASSERT_TRUE(picture->Is48Bit());
    const auto shaded = ShadingCorrected(*picture, 100);
    ASSERT_TRUE(shaded);
    ASSERT_TRUE(shaded->Is48Bit());
    EXPECT_EQ(shaded->GetRow(0)[0], 255);
    EXPECT_EQ(shaded->GetLowerRow(0)[0], 255);
    EXPECT_EQ(shaded->GetRow(1)[3], 63);
    EXPECT_EQ(shaded->GetLowerRow(1)[3], 255);
    EXPECT_EQ(shaded->GetRow(2)[6], 0);
    EXPECT_EQ(shaded->GetLowerRow(2)[6], 0);
    // A sample near the top saturates at 65535.
    const auto bright = ShadingCorrected(*Flat(5, 5, 250, 7), 100);
    EXPECT_EQ(bright->GetRow(1)[3], 255);
    EXPECT_EQ(bright->GetLowerRow(1)[3], 255);
}

TEST(InputCorrection, PreparationAndLens) {
    // A lens value cuts the picture to the engine's inner rectangle (CalcInnerRect), taken
    // from the middle: a flat picture stays flat there, corners too.
    const auto corrected = PreparePicture(Flat(120, 90, 100), PictureCorrection{0, 0, -30});
    ASSERT_TRUE(corrected);
    int w = 0, h = 0;
    InnerSize(120, 90, -30, w, h);
    EXPECT_EQ(corrected->GetWidth(), w);
    EXPECT_EQ(corrected->GetHeight(), h);
    EXPECT_NE(w * 1000 + h, 120 * 1000 + 90);
    EXPECT_NEAR(Blue(*corrected, w / 2, h / 2), 100, 1);
    EXPECT_NEAR(Blue(*corrected, 0, 0), 100, 1);
    EXPECT_NEAR(Blue(*corrected, w - 1, h - 1), 100, 1);

    // The lens value is a share of the largest kappa of the size, with its sign.
    EXPECT_DOUBLE_EQ(KappaOf(-100, 640, 480), -MaxKappa(640, 480));

    // Rotation then shading: a 3 x 5 picture turned a quarter becomes 5 x 3, and the shading
    // centre is that of the turned picture.
    const auto turned = PreparePicture(Flat(3, 5, 0), PictureCorrection{1, 100, 0});
    ASSERT_EQ(turned->GetWidth(), 5);
    EXPECT_EQ(Blue(*turned, 2, 1), 0);
    EXPECT_EQ(Blue(*turned, 0, 0), 255);

    // A 48-bit picture keeps both planes through the lens correction: with equal planes the
    // same geometry gives equal planes again.
    const auto wide = Flat(120, 90, 140, 140);
    const auto lensed = LensCorrected(*wide, 50);
    ASSERT_TRUE(lensed);
    ASSERT_TRUE(lensed->Is48Bit());
    for (int y = 0; y < lensed->GetHeight(); y += 7)
        EXPECT_EQ(std::memcmp(lensed->GetRow(y), lensed->GetLowerRow(y), 3 * lensed->GetWidth()),
                  0);

    // The preview form shows the whole corrected picture, not only its inner part.
    const auto preview = LensCorrectedPreview(*Flat(64, 48, 90), KappaOf(50, 64, 48));
    ASSERT_TRUE(preview);
    int iw = 0, ih = 0;
    InnerSize(64, 48, 50, iw, ih);
    EXPECT_GT(preview->GetWidth(), iw);
    EXPECT_GT(preview->GetHeight(), ih);
}
