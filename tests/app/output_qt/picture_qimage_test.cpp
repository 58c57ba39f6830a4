#include <gtest/gtest.h>

#include <QPainter>

#include "picture_qimage.h"

namespace {

// A 3 x 2 24-bit picture whose pixel (x, y) is red 10x + 1, green 20y + 2, blue 7.
std::unique_ptr<CImageImpl> ColourPicture() {
    auto picture = CImageImpl::Create(3, 2, 24, kImageTypeBmp);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            BYTE* p = picture->GetRow(y) + 3 * x; // blue, green, red
            p[0] = 7;
            p[1] = static_cast<BYTE>(20 * y + 2);
            p[2] = static_cast<BYTE>(10 * x + 1);
        }
    return picture;
}

TEST(PictureQImage, ColourAndPalettePicturesKeepTheirPixels) {
    const QImage colour = ToQImage(*ColourPicture());
    ASSERT_EQ(colour.size(), QSize(3, 2));
    EXPECT_EQ(colour.pixel(2, 1), qRgb(21, 22, 7)); // top row first, bytes reordered
    EXPECT_EQ(colour.pixel(0, 0), qRgb(1, 2, 7));

    auto indexed = CImageImpl::Create(2, 2, 8, kImageTypeBmp);
    const RGBQUAD entries[] = {{0, 0, 0, 0}, {30, 20, 10, 0}};
    ASSERT_TRUE(indexed->SetPalette(entries));
    ASSERT_TRUE(indexed->SetPixelIndex(1, 0, 1));
    const QImage image = ToQImage(*indexed);
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.pixel(1, 0), qRgb(10, 20, 30));
    EXPECT_EQ(image.pixel(0, 1), qRgb(0, 0, 0));
}

// ThumbnailImage is MakeThumbnail (the picture object's tests) shown by ToQImage (above).
TEST(PictureQImage, DrawingScalesTheWholePicture) {
    QImage canvas(6, 4, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        DrawPicture(painter, *ColourPicture(), QRect(0, 0, 6, 4)); // doubled
    }
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(1, 2, 7));
    EXPECT_EQ(canvas.pixel(5, 3), qRgb(21, 22, 7));
}

} // namespace
