#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "core/image_ptr.h"
#include "core/memory.h"
#include "support/recording_prompts.h"
#include "support/test_images.h"

namespace {

TEST(BmpAdapter, DefaultAdapterIsEmptyAndSizeQueriesThrow) {
    CBmpAdapter adapter;
    EXPECT_TRUE(adapter.IsEmpty());
    EXPECT_THROW(adapter.GetWidth(), CBmpAdapterException);
    EXPECT_THROW(adapter.GetHeight(), CBmpAdapterException);
    EXPECT_EQ(adapter.ToNIL(), nullptr);
    EXPECT_EQ(adapter.ToNILDIB(), nullptr);
    EXPECT_THROW(adapter.FromNILDIB48Lower(nullptr), CBmpAdapterException);
}

TEST(BmpAdapter, TwentyFourBitRowsAreFlippedAndBandsAreRGB) {
    TestDib dib(5, 2, 24);
    ASSERT_EQ(dib.Stride(), 16);
    // Bitmap memory row 1 is the picture's top row (row 0).
    dib.pixels[16 + 0] = 10;     // blue of (0, 0)
    dib.pixels[16 + 1] = 20;     // green
    dib.pixels[16 + 2] = 30;     // red
    dib.pixels[4 * 3 + 2] = 200; // red of (1, 4)
    CBmpAdapter adapter = dib.Adapter();
    EXPECT_EQ(adapter.GetWidth(), 5);
    EXPECT_EQ(adapter.GetHeight(), 2);
    NImagePtr image(adapter.ToNIL());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->nbands, 3);
    EXPECT_EQ(image->nrows, 2);
    EXPECT_EQ(image->ncolumns, 5);
    EXPECT_EQ(image->interleaved, 0);
    EXPECT_EQ(NGetPixel(image.get(), 0, 0, 0), 30.0);
    EXPECT_EQ(NGetPixel(image.get(), 1, 0, 0), 20.0);
    EXPECT_EQ(NGetPixel(image.get(), 2, 0, 0), 10.0);
    EXPECT_EQ(NGetPixel(image.get(), 0, 1, 4), 200.0);
}

TEST(BmpAdapter, SixteenBitPixelsExpandFiveBitChannels) {
    TestDib dib(2, 1, 16);
    dib.pixels[0] = 0xFF; // 0x7FFF
    dib.pixels[1] = 0x7F;
    dib.pixels[2] = 0x1F; // 0x001F: blue only
    dib.pixels[3] = 0x00;
    CBmpAdapter adapter = dib.Adapter();
    NImagePtr image(adapter.ToNIL());
    ASSERT_TRUE(image);
    for (int b = 0; b < 3; ++b) EXPECT_EQ(NGetPixel(image.get(), b, 0, 0), 248.0);
    EXPECT_EQ(NGetPixel(image.get(), 0, 0, 1), 0.0);
    EXPECT_EQ(NGetPixel(image.get(), 1, 0, 1), 0.0);
    EXPECT_EQ(NGetPixel(image.get(), 2, 0, 1), 248.0);
    EXPECT_EQ(adapter.ToNILDIB(), nullptr); // a view cannot unpack 5-5-5 pixels
}

TEST(BmpAdapter, EightBitBandRule) {
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
    EXPECT_EQ(view->nbands, 1);
    EXPECT_EQ(NGetPixel(view.get(), 0, 0, 1), 77.0);
    EXPECT_EQ(view->data, dib.pixels.data()); // a view, not a copy

    dib.palette[77] = RGBQUAD{1, 2, 3, 0}; // no longer a grey ramp
    CBmpAdapter colour = dib.Adapter();
    NImagePtr expanded(colour.ToNIL(true));
    ASSERT_TRUE(expanded);
    ASSERT_EQ(expanded->nbands, 3);
    EXPECT_EQ(NGetPixel(expanded.get(), 0, 0, 1), 3.0); // red
    EXPECT_EQ(NGetPixel(expanded.get(), 1, 0, 1), 2.0);
    EXPECT_EQ(NGetPixel(expanded.get(), 2, 0, 1), 1.0); // blue
    EXPECT_EQ(colour.ToNILDIB(true), nullptr);
}

TEST(BmpAdapter, UnsupportedBitmapsGiveNull) {
    RecordingPrompts prompts;
    for (int bits : {1, 4, 32}) {
        TestDib dib(4, 4, bits);
        CBmpAdapter adapter = dib.Adapter();
        EXPECT_EQ(adapter.ToNIL(), nullptr) << bits;
    }
    TestDib compressed(4, 4, 24);
    compressed.header.biCompression = BI_RLE8;
    CBmpAdapter rle = compressed.Adapter();
    EXPECT_EQ(rle.ToNIL(), nullptr);
    EXPECT_EQ(prompts.Count(), 0u);

    TestDib topDown(4, 4, 24);
    topDown.header.biHeight = -4;
    CBmpAdapter negative = topDown.Adapter();
    EXPECT_EQ(negative.ToNIL(), nullptr);
    EXPECT_EQ(prompts.OnlyText(), WarningText("NCreateImage: Invalid number of rows: -4"));

    // A stated image size too small for the rows is refused rather than read past.
    TestDib lying(100, 4, 24);
    lying.header.biSizeImage = 40;
    CBmpAdapter bad = lying.Adapter();
    EXPECT_EQ(bad.ToNIL(), nullptr);
    EXPECT_EQ(bad.ToNILDIB(), nullptr);
}

TEST(BmpAdapter, FromNILWritesBottomUpBGRWithPadding) {
    NImagePtr image(NCreateImage(3, 2, 1, NUByteRepn));
    NSetPixel(image.get(), 0, 0, 0, 1); // red, top row
    NSetPixel(image.get(), 2, 1, 0, 9); // blue, bottom row
    CBmpAdapter adapter;
    adapter.FromNIL(image.get(), nullptr);
    ASSERT_FALSE(adapter.IsEmpty());
    const BITMAPINFOHEADER* h = adapter.GetHeader();
    EXPECT_EQ(h->biSize, 40u);
    EXPECT_EQ(h->biWidth, 1);
    EXPECT_EQ(h->biHeight, 2);
    EXPECT_EQ(h->biBitCount, 24);
    EXPECT_EQ(h->biPlanes, 1);
    EXPECT_EQ(h->biSizeImage, 8u); // two rows of 3 bytes padded to 4
    const unsigned char* p = adapter.GetData();
    EXPECT_EQ(p[0], 9); // bitmap row 0 = bottom picture row, blue first
    EXPECT_EQ(p[4 + 2], 1);
    ReleaseAdapterResult(adapter);

    NImagePtr grey(NCreateImage(1, 1, 3, NUByteRepn));
    unsigned short palette[512] = {};
    adapter.FromNIL(grey.get(), palette);
    EXPECT_EQ(adapter.GetHeader()->biSizeImage, 4u);
    EXPECT_EQ(adapter.GetHeader()->biBitCount, 8);
    EXPECT_EQ(adapter.GetHeader()->biClrUsed, 255u);
    EXPECT_EQ(adapter.GetHeader()->biClrImportant, 255u);
    EXPECT_EQ(adapter.GetRgb(), reinterpret_cast<RGBQUAD*>(palette));
    ReleaseAdapterResult(adapter);
}

TEST(BmpAdapter, RoundTripThroughPlanarAndInterleavedResults) {
    NImagePtr texture = MakeTextureImage(3, 7, 9, 5);
    CBmpAdapter adapter;
    adapter.FromNIL(texture.get(), nullptr);
    NImagePtr back(adapter.ToNIL());
    ASSERT_TRUE(back);
    for (int b = 0; b < 3; ++b)
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < 9; ++c)
                ASSERT_EQ(NGetPixel(back.get(), b, r, c), NGetPixel(texture.get(), b, r, c));
    ReleaseAdapterResult(adapter);

    // An interleaved result hands its own pixel memory over, as does the lower plane.
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
    EXPECT_EQ(result.GetHeader()->biBitCount, 24);
    EXPECT_EQ(result.GetHeader()->biWidth, 5);
    NImagePtr read(result.ToNIL());
    EXPECT_EQ(NGetPixel(read.get(), 1, 0, 0), 17.0);
    NDIBImagePtr lowerView(result.ToNILDIB48Lower());
    ASSERT_TRUE(lowerView);
    EXPECT_EQ(lowerView->data, lowerPixels);
    ReleaseAdapterResult(result); // frees the lower plane too

    EXPECT_THROW(result.FromNILDIB(nullptr, nullptr), CBmpAdapterException);
}

TEST(BmpAdapter, CopiesShareThePointers) {
    TestDib dib(2, 2, 24);
    CBmpAdapter a = dib.Adapter();
    CBmpAdapter b(a);
    EXPECT_EQ(b.GetHeader(), a.GetHeader());
    EXPECT_EQ(b.GetData(), a.GetData());
    EXPECT_EQ(b.GetData48Lower(), a.GetData48Lower());
}

} // namespace
