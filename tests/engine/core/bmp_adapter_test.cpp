#include <gtest/gtest.h>

#include "core/image_ptr.h"
#include "support/recording_prompts.h"
#include "support/test_images.h"

namespace {

TEST(BmpAdapter, TwentyFourAndSixteenBitRowsAreFlippedIntoRgbBands) {
    TestDib dib(5, 2, 24);
    ASSERT_EQ(dib.Stride(), 16);
    // Bitmap memory row 1 is the picture's top row (row 0).
    dib.pixels[16 + 0] = 10;     // blue of (0, 0)
    dib.pixels[16 + 2] = 30;     // red
    dib.pixels[4 * 3 + 2] = 200; // red of (1, 4)
    CBmpAdapter adapter = dib.Adapter();
    NImagePtr image(adapter.ToNIL());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->nbands * 100 + image->nrows * 10 + image->ncolumns, 325);
    EXPECT_EQ(NGetPixel(image.get(), 0, 0, 0), 30.0);
    EXPECT_EQ(NGetPixel(image.get(), 2, 0, 0), 10.0);
    EXPECT_EQ(NGetPixel(image.get(), 0, 1, 4), 200.0);

    TestDib shallow(2, 1, 16);
    shallow.pixels = {0xFF, 0x7F, 0x1F, 0x00}; // 0x7FFF (white), 0x001F (blue only)
    CBmpAdapter five = shallow.Adapter();
    NImagePtr expanded(five.ToNIL());
    ASSERT_TRUE(expanded);
    for (int b = 0; b < 3; ++b) EXPECT_EQ(NGetPixel(expanded.get(), b, 0, 0), 248.0);
    EXPECT_EQ(NGetPixel(expanded.get(), 1, 0, 1), 0.0);
    EXPECT_EQ(NGetPixel(expanded.get(), 2, 0, 1), 248.0);
    EXPECT_EQ(five.ToNILDIB(), nullptr); // a view cannot unpack 5-5-5 pixels
}

TEST(BmpAdapter, EightBitGreyIsOneBandAndAColourPaletteIsExpanded) {
    TestDib dib(3, 2, 8);
    dib.SetGreyRamp();
    dib.At(0, 1) = 77;
    CBmpAdapter grey = dib.Adapter();
    for (bool expand : {true, false}) {
        NImagePtr image(grey.ToNIL(expand));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->nbands, 1);
        EXPECT_EQ(NGetPixel(image.get(), 0, 0, 1), 77.0);
    }
    NDIBImagePtr view(grey.ToNILDIB());
    ASSERT_TRUE(view);
    EXPECT_EQ(NGetPixel(view.get(), 0, 0, 1), 77.0);
    EXPECT_EQ(view->data, dib.pixels.data()); // a view, not a copy

    dib.palette[77] = RGBQUAD{1, 2, 3, 0}; // no longer a grey ramp
    CBmpAdapter colour = dib.Adapter();
    NImagePtr expanded(colour.ToNIL(true));
    ASSERT_TRUE(expanded);
    ASSERT_EQ(expanded->nbands, 3);
    EXPECT_EQ(NGetPixel(expanded.get(), 0, 0, 1), 3.0); // red
    EXPECT_EQ(NGetPixel(expanded.get(), 2, 0, 1), 1.0); // blue
    EXPECT_EQ(colour.ToNILDIB(true), nullptr);
}

TEST(BmpAdapter, UnsupportedOrLyingBitmapsGiveNull) {
    RecordingPrompts prompts;
    CBmpAdapter empty;
    EXPECT_THROW(empty.GetWidth(), CBmpAdapterException);
    EXPECT_EQ(empty.ToNIL(), nullptr);
    for (int bits : {1, 4, 32}) {
        TestDib dib(4, 4, bits);
        EXPECT_EQ(dib.Adapter().ToNIL(), nullptr) << bits;
    }
    TestDib compressed(4, 4, 24), topDown(4, 4, 24), lying(100, 4, 24);
    compressed.header.biCompression = BI_RLE8;
    topDown.header.biHeight = -4;
    lying.header.biSizeImage = 40; // too small for the rows: refused rather than read past
    EXPECT_EQ(compressed.Adapter().ToNIL(), nullptr);
    EXPECT_EQ(topDown.Adapter().ToNIL(), nullptr);
    EXPECT_EQ(lying.Adapter().ToNIL(), nullptr);
    EXPECT_EQ(lying.Adapter().ToNILDIB(), nullptr);
}

TEST(BmpAdapter, FromNILHandsAGreyPictureTheCallersPalette) {
    // (The bottom-up, blue-first rows FromNIL writes are read back against known pictures by
    // every test of a delivered composite.)
    NImagePtr grey(NCreateImage(1, 1, 3, NUByteRepn));
    unsigned short palette[512] = {};
    CBmpAdapter adapter;
    adapter.FromNIL(grey.get(), palette);
    EXPECT_EQ(adapter.GetHeader()->biBitCount, 8);
    EXPECT_EQ(adapter.GetRgb(), reinterpret_cast<RGBQUAD*>(palette));
    ReleaseAdapterResult(adapter);
}

TEST(BmpAdapter, InterleavedResultsHandTheirPixelMemoryOver) {
    NImage upper = NCreateDIBImage(3, 4, 5, NUByteRepn, nullptr);
    NImage lower = NCreateDIBImage(3, 4, 5, NUByteRepn, nullptr);
    ASSERT_TRUE(upper && lower);
    NSetPixel(upper, 1, 0, 0, 17);
    unsigned char* upperPixels = upper->data;
    unsigned char* lowerPixels = lower->data;
    CBmpAdapter result;
    result.FromNILDIB(upper, nullptr);
    result.FromNILDIB48Lower(lower);
    NDestroyDIBImage(upper);
    NDestroyDIBImage(lower);
    EXPECT_EQ(result.GetData(), upperPixels);
    EXPECT_EQ(result.GetData48Lower(), lowerPixels);
    NImagePtr read(result.ToNIL());
    EXPECT_EQ(NGetPixel(read.get(), 1, 0, 0), 17.0);
    NDIBImagePtr lowerView(result.ToNILDIB48Lower());
    ASSERT_TRUE(lowerView);
    EXPECT_EQ(lowerView->data, lowerPixels);
    ReleaseAdapterResult(result); // frees the lower plane too
    EXPECT_THROW(result.FromNILDIB(nullptr, nullptr), CBmpAdapterException);
}

} // namespace
