// BMP files: bytes written, hand-made files of the supported layouts read back (the OS/2 core
// header only by the corpus test, which reads a cut one safely).
#include <gtest/gtest.h>

#include <cstring>

#include "bmp_image.h"
#include "picture_io.h"
#include "picture_test_support.h"

namespace {

// A 14-byte file header.
Bytes FileHeader(std::uint32_t fileSize, std::uint32_t pixelOffset) {
    Bytes bytes{'B', 'M'};
    AppendLe32(bytes, fileSize);
    AppendLe32(bytes, 0);
    AppendLe32(bytes, pixelOffset);
    return bytes;
}

// A 40-byte (or larger, zero-padded) info header.
Bytes InfoHeader(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression,
                 std::uint32_t colorsUsed, std::uint32_t sizeImage = 0,
                 std::uint32_t headerSize = 40) {
    Bytes bytes;
    AppendLe32(bytes, headerSize);
    AppendLe32(bytes, static_cast<std::uint32_t>(width));
    AppendLe32(bytes, static_cast<std::uint32_t>(height));
    AppendLe16(bytes, 1);
    AppendLe16(bytes, static_cast<std::uint32_t>(bits));
    AppendLe32(bytes, compression);
    AppendLe32(bytes, sizeImage);
    AppendLe32(bytes, 2835);
    AppendLe32(bytes, 2835);
    AppendLe32(bytes, colorsUsed);
    AppendLe32(bytes, 0);
    bytes.resize(headerSize, 0);
    return bytes;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::unique_ptr<CImageImpl> ReadBmp(const ScratchDir& dir, const Bytes& bytes) {
    WriteBytes(dir.File("t.bmp"), bytes);
    auto picture = CImageImpl::New(kImageTypeBmp);
    if (!picture->ReadFile(dir.File("t.bmp"))) return nullptr;
    return picture;
}

TEST(BmpWrite, TwentyFourBitFileBytes) {
    ScratchDir dir;
    auto picture = CImageImpl::Create(2, 2, 24, kImageTypeBmp);
    SetPixel(*picture, 0, 0, {1, 2, 3});
    SetPixel(*picture, 1, 0, {4, 5, 6});
    SetPixel(*picture, 0, 1, {7, 8, 9});
    SetPixel(*picture, 1, 1, {10, 11, 12});
    ASSERT_TRUE(picture->WriteFile(dir.File("w.bmp")));
    const Bytes expected = {
        'B', 'M', 70, 0,  0,  0,  0, 0, 0, 0, 54, 0, 0, 0, // file header
        40,  0,   0,  0,  2,  0,  0, 0, 2, 0, 0,  0, 1, 0,
        24,  0, // size, width, height, planes, bits
        0,   0,   0,  0,  16, 0,  0, 0, 0, 0, 0,  0, 0, 0,
        0,   0,                         // compression, image size, pels
        0,   0,   0,  0,  0,  0,  0, 0, // colours used, important
        9,   8,   7,  12, 11, 10, 0, 0, // bottom row, blue green red
        3,   2,   1,  6,  5,  4,  0, 0, // top row
    };
    EXPECT_EQ(ReadBytes(dir.File("w.bmp")), expected);
}

TEST(BmpWrite, PaletteFileHasAFullColourTableFromThePalette) {
    ScratchDir dir;
    auto picture = CImageImpl::Create(1, 1, 8, kImageTypeBmp);
    const std::vector<RGBQUAD> palette{{10, 20, 30, 0}, {40, 50, 60, 0}};
    picture->SetPalette(palette);
    picture->SetPixelIndex(0, 0, 1);
    ASSERT_TRUE(picture->WriteFile(dir.File("p.bmp")));
    const Bytes bytes = ReadBytes(dir.File("p.bmp"));
    ASSERT_EQ(bytes.size(), 14u + 40 + 1024 + 4);
    EXPECT_EQ(GetLe32(bytes.data() + 2), 1082u);  // file size
    EXPECT_EQ(GetLe32(bytes.data() + 10), 1078u); // pixel offset
    EXPECT_EQ(GetLe32(bytes.data() + 14 + 32), 256u);
    EXPECT_EQ(Bytes(bytes.begin() + 54, bytes.begin() + 62), (Bytes{10, 20, 30, 0, 40, 50, 60, 0}));
    EXPECT_EQ(bytes[62], 0);
    EXPECT_EQ(bytes[1078], 1);
}

TEST(BmpRead, EightBitWithShortColourTableAfterALargerHeaderAndPixelOffset) {
    ScratchDir dir;
    // A 124-byte info header, a colour table of 2 entries after it, then 6 unused bytes before
    // the pixels at offset 14 + 124 + 8 + 6 = 152.
    const Bytes table{10, 20, 30, 0, 40, 50, 60, 0};
    const Bytes gap(6, 0xEE);
    const Bytes pixels{1, 0, 1, 0, /*top*/ 0, 0, 1, 0};
    const Bytes file =
        Join({FileHeader(160, 152), InfoHeader(3, 2, 8, BI_RGB, 2, 0, 124), table, gap, pixels});
    auto picture = ReadBmp(dir, file);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->GetBitsPerPixel(), 8);
    ASSERT_EQ(picture->ReadPalette().size(), 2u);
    EXPECT_EQ(picture->GetPixelIndex(0, 1), 1); // bottom row first in the file
    EXPECT_EQ(picture->GetPixelIndex(1, 1), 0);
    BYTE rgb[9]; // the top row, indexes 0 0 1
    picture->RowToRgb(0, rgb);
    EXPECT_EQ(std::vector<int>(rgb, rgb + 9),
              (std::vector<int>{30, 20, 10, 30, 20, 10, 60, 50, 40}));
}

TEST(BmpRead, TopDownRowsAreTurnedBottomUp) {
    ScratchDir dir;
    const Bytes pixels{0, 0, 255, 0, /*second row*/ 255, 0, 0, 0};
    auto picture =
        ReadBmp(dir, Join({FileHeader(62, 54), InfoHeader(1, -2, 24, BI_RGB, 0), pixels}));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->GetHeight(), 2);
    EXPECT_EQ(PixelAt(*picture, 0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelAt(*picture, 0, 1), (Rgb{0, 0, 255}));
}

TEST(BmpRead, SixteenAndThirtyTwoBitPixelsBecomeTwentyFourBit) {
    ScratchDir dir;
    // 5-5-5 pixels: red max, green max, blue max, then 16 of 31 in every channel, which
    // scales to (16 x 255 + 15) / 31 = 132.
    Bytes pixels;
    for (std::uint32_t value : {0x7C00u, 0x03E0u, 0x001Fu, 0x4210u}) AppendLe16(pixels, value);
    auto picture = ReadBmp(dir, Join({InfoHeader(4, 1, 16, BI_RGB, 0), pixels}));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->GetBitsPerPixel(), 24);
    EXPECT_EQ(PixelAt(*picture, 0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelAt(*picture, 1, 0), (Rgb{0, 255, 0}));
    EXPECT_EQ(PixelAt(*picture, 2, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(PixelAt(*picture, 3, 0), (Rgb{132, 132, 132}));

    Bytes masks;
    AppendLe32(masks, 0xFF000000);
    AppendLe32(masks, 0x00FF0000);
    AppendLe32(masks, 0x0000FF00);
    Bytes pixel;
    AppendLe32(pixel, 0x11223344);
    auto fields = ReadBmp(dir, Join({InfoHeader(1, 1, 32, BI_BITFIELDS, 0), masks, pixel}));
    ASSERT_TRUE(fields);
    EXPECT_EQ(PixelAt(*fields, 0, 0), (Rgb{0x11, 0x22, 0x33}));
}

TEST(BmpRead, Rle8RunsAbsoluteRunsDeltasAndClipping) {
    ScratchDir dir;
    const Bytes rle{
        0x02, 0x05,                      // bottom row: two pixels of 5
        0x00, 0x03, 7,    8,    9, 0x00, // absolute 7 8 9 (9 falls off the row), padding byte
        0x00, 0x00,                      // end of line
        0x00, 0x02, 0x01, 0x01,          // delta: one right, one up -> x 1 of the top row
        0x06, 0x04,                      // six pixels of 4, clipped at the row's end
        0x00, 0x01,                      // end of bitmap
    };
    auto picture =
        ReadBmp(dir, Join({InfoHeader(4, 3, 8, BI_RLE8, 0, rle.size()), Bytes(1024, 0), rle}));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->GetHeader().biCompression, BI_RGB); // expanded on reading
    const int expected[3][4] = {{0, 4, 4, 4}, {0, 0, 0, 0}, {5, 5, 7, 8}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(picture->GetPixelIndex(x, y), expected[y][x]) << x << "," << y;
}

TEST(BmpRead, RleThatWandersOffThePictureIsClippedAndHugeSizesMeetThePixelLimit) {
    ScratchDir dir;
    const Bytes rle{
        0x00, 0x02, 0xFF, 0x00, // delta far to the right of the row
        0xFF, 0x07,             // a run there: nothing to draw
        0x00, 0x00,             // next row
        0x02, 0x09,             // two pixels of 9 at its start
        0x00, 0x02, 0x00, 0xFF, // delta far above the picture: the picture is done
        0x05, 0x05,
    };
    auto picture = ReadBmp(dir, Join({InfoHeader(3, 2, 8, BI_RLE8, 0), Bytes(1024, 0), rle}));
    ASSERT_TRUE(picture);
    const int expected[2][3] = {{9, 9, 0}, {0, 0, 0}}; // the second data row is the top one
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(picture->GetPixelIndex(x, y), expected[y][x]);

    // 100000 x 100000 pixels from an end-of-bitmap mark: refused under a smaller pixel limit
    // before anything is allocated; 10 x 10 passes.
    auto limited = CImageImpl::New(kImageTypeBmp);
    limited->SetPixelLimit(1000);
    for (const int side : {100000, 10}) {
        WriteBytes(dir.File("big.bmp"),
                   Join({InfoHeader(side, side, 8, BI_RLE8, 0), Bytes(1024, 0), Bytes{0, 1}}));
        EXPECT_EQ(limited->ReadFile(dir.File("big.bmp")), side == 10) << side;
    }
}

TEST(BmpRead, Rle4AlternatesNibbles) {
    ScratchDir dir;
    const Bytes rle{0x05, 0x12, 0x00, 0x00, 0x00, 0x03, 0xAB, 0xC0, 0x01, 0xD0, 0x00, 0x01};
    auto picture = ReadBmp(dir, Join({InfoHeader(5, 2, 4, BI_RLE4, 0), Bytes(64, 0), rle}));
    ASSERT_TRUE(picture);
    const int bottom[5] = {1, 2, 1, 2, 1};
    const int top[5] = {0xA, 0xB, 0xC, 0xD, 0};
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(picture->GetPixelIndex(x, 1), bottom[x]) << x;
        EXPECT_EQ(picture->GetPixelIndex(x, 0), top[x]) << x;
    }
}

TEST(BmpRoundTrip, EveryWrittenDepthReadsBackTheSame) {
    ScratchDir dir;
    for (int bits : {1, 4, 8, 24}) {
        auto picture = CImageImpl::Create(7, 5, bits, kImageTypeBmp);
        for (std::size_t i = 0; i < picture->GetStride() * 5; ++i)
            picture->GetBits()[i] = static_cast<BYTE>(i * 37 + bits);
        // Padding bytes are not part of the picture; clear them for the comparison.
        const std::size_t used = (7 * static_cast<std::size_t>(bits) + 7) / 8;
        for (int y = 0; y < 5; ++y)
            std::fill(picture->GetRow(y) + used, picture->GetRow(y) + picture->GetStride(), 0);
        ASSERT_TRUE(picture->WriteFile(dir.File("r.bmp")));
        auto back = CImageImpl::Open(dir.File("r.bmp"));
        ASSERT_TRUE(back->IsValid()) << bits;
        ASSERT_EQ(back->GetBitsPerPixel(), bits);
        for (int y = 0; y < 5; ++y)
            EXPECT_EQ(0, std::memcmp(back->GetRow(y), picture->GetRow(y), used))
                << bits << " " << y;
    }
}

} // namespace
