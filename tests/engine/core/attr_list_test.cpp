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

std::vector<std::string> Names(NAttrList list) {
    std::vector<std::string> names;
    NAttrListPosn posn;
    for (NFirstAttr(list, &posn); NAttrExists(&posn); NNextAttr(&posn))
        names.emplace_back(NGetAttrName(&posn));
    return names;
}

TEST(AttrList, OrderValuesAndRefusedKinds) {
    RecordingPrompts prompts;
    ListPtr list(NCreateAttrList());
    ASSERT_TRUE(NAppendAttr(list.get(), "a", nullptr, NLongRepn, NAttrValue::Number(1)));
    ASSERT_TRUE(NAppendAttr(list.get(), "b", nullptr, NDoubleRepn, NAttrValue::Number(0.1)));
    ASSERT_TRUE(NAppendAttr(list.get(), "a", nullptr, NLongRepn, NAttrValue::Number(3)));
    ASSERT_TRUE(NSetAttr(list.get(), "a", nullptr, NLongRepn, NAttrValue::Number(-7.9)));
    ASSERT_TRUE(NSetAttr(list.get(), "c", nullptr, NStringRepn, NAttrValue::String("x")));
    EXPECT_EQ(Names(list.get()), (std::vector<std::string>{"a", "b", "a", "c"}));
    std::int32_t a = 0;
    ASSERT_TRUE(NGetAttr(list.get(), "a", nullptr, NLongRepn, &a));
    EXPECT_EQ(a, -7); // integers are truncated toward zero when encoded
    double b = 0;
    ASSERT_TRUE(NGetAttr(list.get(), "b", nullptr, NDoubleRepn, &b));
    EXPECT_EQ(b, 0.1); // every bit of a double is kept
    NAttrListPosn posn;
    ASSERT_TRUE(NLookupAttr(list.get(), "b", &posn));
    NDeleteAttr(&posn);
    EXPECT_STREQ(NGetAttrName(&posn), "a"); // the position moves on
    EXPECT_EQ(Names(list.get()), (std::vector<std::string>{"a", "a", "c"}));
    // A string that is no keyword of a dictionary, or read as a number, is refused.
    std::int32_t value = 0;
    EXPECT_EQ(prompts.Count(), 0u);
    EXPECT_FALSE(NGetAttr(list.get(), "c", NBandInterpDict, NLongRepn, &value));
    EXPECT_FALSE(NGetAttr(list.get(), "c", nullptr, NFloatRepn, &value));
    EXPECT_EQ(prompts.Count(), 2u);
}

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
