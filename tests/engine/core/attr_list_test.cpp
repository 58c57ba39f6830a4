#include <gtest/gtest.h>

#include "core/attr_list.h"
#include "core/image_ptr.h"
#include "core/memory.h"
#include "support/recording_prompts.h"

namespace {

struct ListDeleter {
    void operator()(NAttrListRec* list) const noexcept { NDestroyAttrList(list); }
};
using ListPtr = std::unique_ptr<NAttrListRec, ListDeleter>;

// (The engine keeps only images in attribute lists: numbers, strings and their dictionary
// encodings have no reader in it.)
TEST(AttrList, ImagesAreOwnedCopiedDeeplyAndExtracted) {
    RecordingPrompts prompts;
    ListPtr list(NCreateAttrList());
    NImage image = NCreateImage(1, 2, 2, NUByteRepn);
    NSetPixel(image, 0, 1, 1, 99);
    ASSERT_TRUE(NAppendAttr(list.get(), "image", nullptr, NImageRepn, NAttrValue::Pointer(image)));
    // Setting the same object again must not destroy it.
    ASSERT_TRUE(NSetAttr(list.get(), "image", nullptr, NImageRepn, NAttrValue::Pointer(image)));
    NAppendAttr(list.get(), "n", nullptr, NLongRepn, NAttrValue::Number(3));

    ListPtr copy(NCopyAttrList(list.get()));
    ASSERT_TRUE(copy);
    NImage copied = nullptr;
    ASSERT_TRUE(NGetAttr(copy.get(), "image", nullptr, NImageRepn, &copied));
    EXPECT_NE(copied, image);
    EXPECT_EQ(NGetPixel(copied, 0, 1, 1), 99.0);

    NImage taken = nullptr;
    ASSERT_TRUE(NExtractAttr(list.get(), "image", nullptr, NImageRepn, &taken, true));
    EXPECT_EQ(taken, image);
    NImagePtr owned(taken); // the caller owns it now; the list's destruction must not free it
    // A kind that does not match is a bad value; a missing one matters only when required.
    ASSERT_TRUE(NExtractAttr(list.get(), "absent", nullptr, NImageRepn, &taken, false));
    EXPECT_FALSE(NExtractAttr(list.get(), "absent", nullptr, NImageRepn, &taken, true));
    EXPECT_FALSE(NExtractAttr(list.get(), "n", nullptr, NImageRepn, &taken, true));
    EXPECT_EQ(prompts.Count(), 2u);
    char* text = nullptr;
    NAppendAttr(list.get(), "s", nullptr, NStringRepn, NAttrValue::String("kept"));
    ASSERT_TRUE(NExtractAttr(list.get(), "s", nullptr, NStringRepn, &text, true));
    EXPECT_STREQ(text, "kept");
    NFree(text);
}

} // namespace
