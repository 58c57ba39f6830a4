#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "core/image_ptr.h"
#include "core/image_record.h"
#include "support/recording_prompts.h"

namespace {

TEST(ImageRecord, BadArgumentsAndHugeSizesAreRefusedWithABox) {
    RecordingPrompts prompts;
    EXPECT_EQ(NCreateImage(3, 0, 10, NUByteRepn), nullptr);
    EXPECT_EQ(NCreateImage(0, 2, 10, NUByteRepn), nullptr);
    EXPECT_EQ(NCreateImage(1, 2, -7, NUByteRepn), nullptr);
    EXPECT_EQ(prompts.Count(), 3u);
    prompts.Clear();
    // 3 x 100000 x 100000 doubles (240 GB) and a pixel count beyond the 32-bit field: reported
    // as allocation failures (two boxes each), never wrapped into a small allocation.
    EXPECT_EQ(NCreateImage(3, 100000, 100000, NDoubleRepn), nullptr);
    EXPECT_EQ(NCreateImage(INT_MAX, INT_MAX, INT_MAX, NUByteRepn), nullptr);
    EXPECT_EQ(NCreateDIBImage(3, 70000, 70000, NUByteRepn, nullptr), nullptr);
    EXPECT_EQ(prompts.Count(), 6u);
}

TEST(ImageRecord, PlanarImagesAreZeroedBandMajorAndInterleavedOnesBottomUpAndPadded) {
    NImagePtr image(NCreateImage(2, 3, 5, NShortRepn));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->npixels, 30u);
    for (int b = 0; b < 2; ++b)
        for (int r = 0; r < 3; ++r) {
            EXPECT_EQ(image->band_index[b][r], image->data + ((b * 3 + r) * 5) * 2);
            for (int c = 0; c < 5; ++c) EXPECT_EQ(NGetPixel(image.get(), b, r, c), 0.0);
        }
    unsigned char pixels[16 * 2] = {};
    NDIBImagePtr dib(NCreateDIBImage(3, 2, 5, NUByteRepn, pixels));
    ASSERT_TRUE(dib);
    EXPECT_EQ(NImageStride(dib.get()), 16);    // 15 bytes of pixels padded to 16
    EXPECT_EQ(dib->row_index[0], pixels + 16); // row 0 is the last row in memory
    pixels[16 + 3 * 4 + 2] = 77;               // band 2 of pixel (0, 4)
    EXPECT_EQ(NGetPixel(dib.get(), 2, 0, 4), 77.0);
    EXPECT_EQ(dib->owns_data, 0);
}

TEST(ImageRecord, SetPixelKeepsTheLowByte) {
    // (Only byte pictures are written pixel by pixel in the engine.)
    NImagePtr ubyte(NCreateImage(1, 1, 2, NUByteRepn));
    NSetPixel(ubyte.get(), 0, 0, 0, 300.7);
    NSetPixel(ubyte.get(), 0, 0, 1, -1.5);
    EXPECT_EQ(NGetPixel(ubyte.get(), 0, 0, 0), 44.0);
    EXPECT_EQ(NGetPixel(ubyte.get(), 0, 0, 1), 255.0);
}

TEST(ImageRecord, CopiesOfBandsAndWholeImages) {
    RecordingPrompts prompts;
    NImagePtr image(NCreateImage(3, 2, 2, NUByteRepn));
    for (int b = 0; b < 3; ++b) NSetPixel(image.get(), b, 1, 1, 10 * (b + 1));
    EXPECT_EQ(NCopyImage(image.get(), image.get(), -1), image.get());
    NImagePtr band1(NCopyImage(image.get(), nullptr, 1));
    ASSERT_TRUE(band1);
    EXPECT_EQ(band1->nbands, 1);
    EXPECT_EQ(NGetPixel(band1.get(), 0, 1, 1), 20.0);
    NImagePtr dest(NCreateImage(1, 2, 2, NUByteRepn));
    EXPECT_EQ(NCopyImage(band1.get(), dest.get(), 0), dest.get());
    EXPECT_EQ(NGetPixel(dest.get(), 0, 1, 1), 20.0);

    // An interleaved image is copied whole, padding and all.
    unsigned char pixels[8 * 2];
    for (int i = 0; i < 16; ++i) pixels[i] = static_cast<unsigned char>(i * 7);
    NDIBImagePtr view(NCreateDIBImage(3, 2, 2, NUByteRepn, pixels));
    NImagePtr copy(NCopyImage(view.get(), nullptr, -1));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->owns_data, 1);
    EXPECT_EQ(std::memcmp(copy->data, pixels, sizeof pixels), 0);
    NImagePtr green(NCopyImage(view.get(), nullptr, 1));
    EXPECT_EQ(NGetPixel(green.get(), 0, 0, 1), pixels[8 + 3 + 1]);

    // NCopyBand into bands 1 and 2 of a three-band image; bands that do not fit are refused.
    NImagePtr two(NCreateImage(2, 2, 3, NUByteRepn)), three(NCreateImage(3, 2, 3, NUByteRepn));
    NSetPixel(two.get(), 0, 1, 2, 9);
    NSetPixel(two.get(), 1, 0, 0, 4);
    EXPECT_FALSE(NCopyBand(two.get(), -1, three.get(), 2)); // bands 2 and 3
    EXPECT_EQ(prompts.Count(), 1u);
    EXPECT_TRUE(NCopyBand(two.get(), -1, three.get(), 1));
    EXPECT_EQ(NGetPixel(three.get(), 1, 1, 2), 9.0);
    EXPECT_EQ(NGetPixel(three.get(), 2, 0, 0), 4.0);
    EXPECT_EQ(NGetPixel(three.get(), 0, 1, 2), 0.0);
}

} // namespace
