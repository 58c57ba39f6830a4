#include <gtest/gtest.h>

#include "image_impl.h"

TEST(ImageImpl, Placeholder) {
    EXPECT_EQ(CImageImpl::TypeFromExtension("a.bmp"), kImageTypeBmp);
}
