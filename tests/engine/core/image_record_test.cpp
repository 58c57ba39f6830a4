#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "core/image_ptr.h"
#include "core/image_record.h"
#include "core/memory.h"
#include "support/recording_prompts.h"

namespace {

TEST(ImageRecord, CreationRefusesBadArgumentsInOrder) {
    RecordingPrompts prompts;
    EXPECT_EQ(NCreateImage(3, 0, 10, NUByteRepn), nullptr);
    EXPECT_EQ(prompts.Boxes().at(0).caption, "Warning");
    EXPECT_EQ(prompts.Boxes()[0].flags, 0x1030u);
    EXPECT_EQ(NCreateImage(0, 0, 10, NUByteRepn), nullptr); // only the first problem is shown
    EXPECT_EQ(NCreateImage(1, 2, -7, NUByteRepn), nullptr);
    EXPECT_EQ(NCreateImage(1, 2, 2, NLongRepn), nullptr);
    EXPECT_EQ(NCreateDIBImage(3, 2, 0, NUByteRepn, nullptr), nullptr);
    EXPECT_EQ(prompts.Take(), WarningTexts({"NCreateImage: Invalid number of rows: 0",
                                            "NCreateImage: Invalid number of bands: 0",
                                            "NCreateImage: Invalid number of columns: -7",
                                            "NCreateImage: Invalid pixel representation: 5",
                                            "NCreateImage: Invalid number of columns: 0"}));
}

TEST(ImageRecord, HugeSizesAreReportedAsAllocationFailures) {
    RecordingPrompts prompts;
    // 3 x 100000 x 100000 doubles (240 GB) and a pixel count beyond the 32-bit field.
    EXPECT_EQ(NCreateImage(3, 100000, 100000, NDoubleRepn), nullptr);
    EXPECT_EQ(NCreateImage(INT_MAX, INT_MAX, INT_MAX, NUByteRepn), nullptr);
    EXPECT_EQ(NCreateDIBImage(3, 70000, 70000, NUByteRepn, nullptr), nullptr);
    ASSERT_EQ(prompts.Count(), 6u);
    for (std::size_t i = 0; i < prompts.Count(); i += 2) {
        EXPECT_EQ(prompts.Boxes()[i].text.rfind("Warning: Try to allocate memory size:", 0), 0u);
        EXPECT_EQ(prompts.Boxes()[i + 1].text, WarningText("NMalloc: Memory allocation failure"));
        EXPECT_EQ(prompts.Boxes()[i + 1].flags, 0u); // the plain box
    }
}

TEST(ImageRecord, NewPlanarImageIsZeroedAndIndexed) {
    RecordingPrompts prompts;
    NImagePtr image(NCreateImage(2, 3, 5, NShortRepn));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->flags, 1u);
    EXPECT_EQ(image->npixels, 30u);
    EXPECT_EQ(image->nframes, 2);
    EXPECT_EQ(image->nviewpoints * image->ncolors * image->ncomponents, 1);
    EXPECT_TRUE(NAttrListEmpty(image->attributes));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image->data) % 2, 0u);
    for (int b = 0; b < 2; ++b)
        for (int r = 0; r < 3; ++r) {
            // Planes are contiguous, band-major, rows without padding.
            EXPECT_EQ(image->band_index[b][r], image->data + ((b * 3 + r) * 5) * 2);
            for (int c = 0; c < 5; ++c) EXPECT_EQ(NGetPixel(image.get(), b, r, c), 0.0);
        }
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST(ImageRecord, InterleavedLayoutIsBottomUpWithPaddedRows) {
    unsigned char pixels[16 * 2] = {};
    NDIBImagePtr image(NCreateDIBImage(3, 2, 5, NUByteRepn, pixels));
    ASSERT_TRUE(image);
    EXPECT_EQ(NImageStride(image.get()), 16);    // 15 bytes of pixels padded to 16
    EXPECT_EQ(image->row_index[0], pixels + 16); // row 0 is the last row in memory
    EXPECT_EQ(image->row_index[1], pixels);
    EXPECT_EQ(image->band_index[0], image->row_index);
    pixels[16 + 3 * 4 + 2] = 77; // band 2 of pixel (0, 4)
    EXPECT_EQ(NGetPixel(image.get(), 2, 0, 4), 77.0);
    EXPECT_EQ(image->owns_data, 0);
}

TEST(ImageRecord, SetPixelTruncatesAndKeepsLowBits) {
    NImagePtr ubyte(NCreateImage(1, 1, 2, NUByteRepn));
    NSetPixel(ubyte.get(), 0, 0, 0, 300.7);
    NSetPixel(ubyte.get(), 0, 0, 1, -1.5);
    EXPECT_EQ(NGetPixel(ubyte.get(), 0, 0, 0), 44.0);
    EXPECT_EQ(NGetPixel(ubyte.get(), 0, 0, 1), 255.0);

    NImagePtr bit(NCreateImage(1, 1, 1, NBitRepn));
    NSetPixel(bit.get(), 0, 0, 0, 200.0); // stored as a byte, read back signed
    EXPECT_EQ(NGetPixel(bit.get(), 0, 0, 0), -56.0);

    NImagePtr real(NCreateImage(1, 1, 1, NFloatRepn));
    NSetPixel(real.get(), 0, 0, 0, -2.25);
    EXPECT_EQ(NGetPixel(real.get(), 0, 0, 0), -2.25);

    RecordingPrompts prompts;
    NImagePtr shorts(NCreateImage(1, 1, 1, NShortRepn));
    NPixel<std::int16_t>(shorts.get(), 0, 0, 0) = -1234;
    NSetPixel(shorts.get(), 0, 0, 0, 5.0);
    EXPECT_EQ(prompts.OnlyText(), ErrorText("NSetPixel: short images not supported"));
    EXPECT_EQ(prompts.Boxes()[0].flags, 0x1030u);
    EXPECT_EQ(NGetPixel(shorts.get(), 0, 0, 0), -1234.0);
}

TEST(ImageRecord, CopyImageShortcutsAndSingleBand) {
    NImagePtr image(NCreateImage(3, 2, 2, NUByteRepn));
    for (int b = 0; b < 3; ++b) NSetPixel(image.get(), b, 1, 1, 10 * (b + 1));
    EXPECT_EQ(NCopyImage(image.get(), image.get(), -1), image.get());

    NImagePtr band1(NCopyImage(image.get(), nullptr, 1));
    ASSERT_TRUE(band1);
    EXPECT_EQ(band1->nbands, 1);
    EXPECT_EQ(NGetPixel(band1.get(), 0, 1, 1), 20.0);

    NImagePtr all(NCopyImage(image.get(), nullptr, -1));
    ASSERT_TRUE(all);
    EXPECT_NE(all.get(), image.get());
    EXPECT_EQ(NGetPixel(all.get(), 2, 1, 1), 30.0);

    // A one-band source copied as band 0 into a separate destination is really copied.
    NImagePtr dest(NCreateImage(1, 2, 2, NUByteRepn));
    EXPECT_EQ(NCopyImage(band1.get(), dest.get(), 0), dest.get());
    EXPECT_EQ(NGetPixel(dest.get(), 0, 1, 1), 20.0);
}

TEST(ImageRecord, DestinationRuleChecksInOrder) {
    RecordingPrompts prompts;
    NImagePtr src(NCreateImage(3, 4, 5, NUByteRepn));
    NImagePtr wrongRowsAndKind(NCreateImage(3, 6, 5, NFloatRepn));
    NImagePtr wrongKind(NCreateImage(1, 4, 5, NFloatRepn));
    NImagePtr wrongBands(NCreateImage(2, 4, 5, NUByteRepn));
    EXPECT_EQ(NCopyImagePixels(src.get(), wrongRowsAndKind.get(), -1), nullptr);
    EXPECT_EQ(NCopyImagePixels(src.get(), wrongKind.get(), 2), nullptr);
    EXPECT_EQ(NCopyImagePixels(src.get(), nullptr, 3), nullptr);
    EXPECT_EQ(NCheckDest("Op", wrongBands.get(), 3, 4, 5, NUByteRepn), nullptr);
    EXPECT_EQ(prompts.Take(),
              WarningTexts({"NCopyImagePixels: Destination image has 6 rows; 4 expected",
                            "NCopyImagePixels: Destination image has float pixels; ubyte expected",
                            "NCopyImagePixels: Band 3 referenced in image of 3 band(s)",
                            "Op: Destination image has 2 bands; 3 expected"}));
}

TEST(ImageRecord, InterleavedCopyIsAWholeBufferCopy) {
    unsigned char pixels[8 * 2];
    for (int i = 0; i < 16; ++i) pixels[i] = static_cast<unsigned char>(i * 7);
    NDIBImagePtr view(NCreateDIBImage(3, 2, 2, NUByteRepn, pixels));
    NImagePtr copy(NCopyImage(view.get(), nullptr, -1));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->interleaved, 1);
    EXPECT_EQ(copy->owns_data, 1);
    EXPECT_EQ(std::memcmp(copy->data, pixels, sizeof pixels), 0);
    NImagePtr green(NCopyImage(view.get(), nullptr, 1));
    ASSERT_TRUE(green);
    EXPECT_EQ(NGetPixel(green.get(), 0, 0, 1), pixels[8 + 3 + 1]);
}

TEST(ImageRecord, CopyAttrsFollowsBandInterpretationRule) {
    RecordingPrompts prompts;
    NImagePtr rgb(NCreateImage(3, 2, 2, NUByteRepn));
    ASSERT_TRUE(NSetBandInterp(rgb.get(), NBandInterpNone, 1, NBandInterpNone, 1, NBandInterpRGB, 3,
                               NBandInterpNone, 1));
    NAppendAttr(rgb->attributes, "name", nullptr, NStringRepn, NAttrValue::String("left"));

    NImagePtr same(NCreateImage(3, 2, 2, NUByteRepn));
    ASSERT_EQ(NCopyImageAttrs(rgb.get(), same.get()), same.get());
    EXPECT_EQ(same->ncolors, 3);
    EXPECT_EQ(same->nframes, 1);
    EXPECT_EQ(NGetBandInterp(same.get(), NColorInterpAttr), NBandInterpRGB);

    NImagePtr grey(NCreateImage(1, 2, 2, NUByteRepn));
    ASSERT_EQ(NCopyImageAttrs(rgb.get(), grey.get()), grey.get());
    EXPECT_EQ(grey->nframes, 1);
    EXPECT_EQ(grey->ncolors, 1);
    EXPECT_EQ(NGetBandInterp(grey.get(), NColorInterpAttr), NBandInterpNone);
    const char* name = nullptr;
    EXPECT_TRUE(NGetAttr(grey->attributes, "name", nullptr, NStringRepn, &name));
    EXPECT_STREQ(name, "left");

    // An empty source list empties the destination's.
    NImagePtr plain(NCreateImage(1, 2, 2, NUByteRepn));
    ASSERT_EQ(NCopyImageAttrs(plain.get(), grey.get()), grey.get());
    EXPECT_TRUE(NAttrListEmpty(grey->attributes));
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST(ImageRecord, SetBandInterpReportsConflictButStillSets) {
    RecordingPrompts prompts;
    NImagePtr image(NCreateImage(4, 1, 1, NFloatRepn));
    EXPECT_FALSE(NSetBandInterp(image.get(), NBandInterpNone, 2, NBandInterpNone, 1,
                                NBandInterpNone, 1, NBandInterpGradient, 3));
    EXPECT_EQ(prompts.OnlyText(),
              WarningText("NSetBandInterp: No. bands (4) conflicts with no. of frames, etc. "
                          "(2 1 1 3)"));
    EXPECT_EQ(image->ncomponents, 3);
    EXPECT_EQ(NGetBandInterp(image.get(), NComponentInterpAttr), NBandInterpGradient);
    const char* text = nullptr;
    NGetAttr(image->attributes, NComponentInterpAttr, nullptr, NStringRepn, &text);
    EXPECT_STREQ(text, "gradient"); // stored through the dictionary's keyword
}

TEST(ImageRecord, CopyBandChecksAndCopies) {
    RecordingPrompts prompts;
    NImagePtr src(NCreateImage(2, 2, 3, NUByteRepn));
    NImagePtr dest(NCreateImage(3, 2, 3, NUByteRepn)), narrow(NCreateImage(3, 2, 2, NUByteRepn));
    NSetPixel(src.get(), 0, 1, 2, 9);
    NSetPixel(src.get(), 1, 0, 0, 4);
    EXPECT_FALSE(NCopyBand(src.get(), 0, nullptr, 0));
    EXPECT_FALSE(NCopyBand(src.get(), 0, dest.get(), 3));
    EXPECT_FALSE(NCopyBand(src.get(), 5, dest.get(), 0));
    EXPECT_FALSE(NCopyBand(src.get(), 0, narrow.get(), 0));
    EXPECT_EQ(prompts.Take(),
              WarningTexts({"NCopyBand: No destination specified",
                            "NCopyBand: Band 3 referenced in image of 3 bands",
                            "NCopyBand: Band 5 referenced in image of 2 band(s)",
                            "NCopyBand: Destination image has 2 columns; 3 expected"}));
    EXPECT_FALSE(NCopyBand(src.get(), -1, dest.get(), 2)); // bands 2 and 3 of a 3-band image
    EXPECT_EQ(prompts.Take().size(), 1u);

    EXPECT_TRUE(NCopyBand(src.get(), -1, dest.get(), 1));
    EXPECT_EQ(NGetPixel(dest.get(), 1, 1, 2), 9.0);
    EXPECT_EQ(NGetPixel(dest.get(), 2, 0, 0), 4.0);
    EXPECT_EQ(NGetPixel(dest.get(), 0, 1, 2), 0.0);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST(ImageRecord, SelectBand) {
    RecordingPrompts prompts;
    NImagePtr image(NCreateImage(3, 2, 4, NFloatRepn));
    std::uint32_t count = 0;
    unsigned char* first = nullptr;
    ASSERT_TRUE(NSelectBand("Op", image.get(), -1, &count, &first));
    EXPECT_EQ(count, 24u);
    EXPECT_EQ(first, image->data);
    ASSERT_TRUE(NSelectBand("Op", image.get(), 2, &count, &first));
    EXPECT_EQ(count, 8u);
    EXPECT_EQ(first, image->data + 2 * 8 * 4);
    EXPECT_FALSE(NSelectBand("Op", image.get(), -2, &count, &first));
    EXPECT_EQ(prompts.OnlyText(), WarningText("Op: Band -2 referenced in image of 3 band(s)"));
}

TEST(Memory, ZeroSizeIsSilentAndMemoryIsZeroed) {
    RecordingPrompts prompts;
    EXPECT_EQ(NMalloc(0), nullptr);
    auto* p = static_cast<unsigned char*>(NMalloc(64));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(p[i], 0);
    NFree(p);
    NFree(nullptr);
    EXPECT_EQ(prompts.Count(), 0u);
}

} // namespace
