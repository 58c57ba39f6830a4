#include <gtest/gtest.h>

#include <cstring>

#include "core/image_codec.h"
#include "core/image_ptr.h"
#include "support/recording_prompts.h"

namespace {

struct ListDeleter {
    void operator()(NAttrListRec* list) const noexcept { NDestroyAttrList(list); }
};
using ListPtr = std::unique_ptr<NAttrListRec, ListDeleter>;

TEST(ImageCodec, ImagesRoundTripThroughAttributeLists) {
    RecordingPrompts prompts;
    for (NRepnKind kind : {NUByteRepn, NFloatRepn, NBitRepn, NShortRepn}) {
        NImagePtr image(NCreateImage(2, 3, 5, kind));
        for (int b = 0; b < 2; ++b)
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 5; ++c) {
                    const double v = kind == NBitRepn ? (r + c + b) % 2 : 10 * b + r * 5 + c;
                    if (kind == NShortRepn)
                        NPixel<std::int16_t>(image.get(), b, r, c) = static_cast<std::int16_t>(-v);
                    else
                        NSetPixel(image.get(), b, r, c, kind == NFloatRepn ? v + 0.25 : v);
                }
        ListPtr list(NImageEncodeAttrs(image.get()));
        ASSERT_TRUE(list) << NRepnName(kind);
        // A bit image packs eight pixels a byte: 30 pixels in 4 bytes, 8 hex digits.
        const char* data = nullptr;
        ASSERT_TRUE(NGetAttr(list.get(), "data", nullptr, NStringRepn, &data));
        if (kind == NBitRepn) {
            EXPECT_EQ(std::strlen(data), 8u);
        }
        NImagePtr back(NImageDecodeAttrs(list.get()));
        ASSERT_TRUE(back) << NRepnName(kind);
        EXPECT_EQ(back->repn, kind);
        EXPECT_EQ(back->nframes, 2);
        for (int b = 0; b < 2; ++b)
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 5; ++c)
                    ASSERT_EQ(NGetPixel(back.get(), b, r, c), NGetPixel(image.get(), b, r, c))
                        << NRepnName(kind);
    }
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST(ImageCodec, DamagedListsAreRefused) {
    RecordingPrompts prompts;
    NImagePtr image(NCreateImage(1, 2, 2, NUByteRepn));
    ListPtr list(NImageEncodeAttrs(image.get()));
    NSetAttr(list.get(), "data", nullptr, NStringRepn, NAttrValue::String("00ff"));
    EXPECT_EQ(NImageDecodeAttrs(list.get()), nullptr);
    EXPECT_EQ(prompts.OnlyText(),
              WarningText("NImageDecodeMethod: ubyte image has wrong data length"));
    prompts.Clear();
    NSetAttr(list.get(), "ncolors", nullptr, NLongRepn, NAttrValue::Number(3));
    EXPECT_EQ(NImageDecodeAttrs(list.get()), nullptr);
    EXPECT_EQ(prompts.OnlyText(),
              WarningText("NImageDecodeMethod: ubyte image has inconsistent nbands"));
    prompts.Clear();
    unsigned char in[4] = {1, 0, 1, 1}, out[1] = {0};
    EXPECT_FALSE(NPackData(NFloatRepn, 32, 8, 1, in, out, 1));
    EXPECT_EQ(prompts.OnlyText(),
              WarningText("NPackData: Packing float from 32 to 8 bits is not supported"));
    prompts.Clear();
    EXPECT_FALSE(NPackData(NUByteRepn, 8, 8, 4, in, out, 1));
    EXPECT_EQ(prompts.OnlyText(), WarningText("NPackData: Insufficient space for packed data"));
    prompts.Clear();
    ASSERT_TRUE(NPackData(NBitRepn, 8, 1, 4, in, out, 1));
    EXPECT_EQ(out[0], 0xB0); // 1011 then zeros
    EXPECT_FALSE(NUnpackData(NBitRepn, 1, 8, 4, out, in, 3));
    EXPECT_EQ(prompts.OnlyText(), WarningText("NUnpackData: Insufficient space for unpacked data"));
}

} // namespace
