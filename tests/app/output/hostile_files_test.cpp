// Damaged and hostile files made here: every reader must fail cleanly (or read a consistent
// picture) on lying headers, cut data and foreign files. The damaged files kept in
// tests/data/corrupt (read in corrupt_corpus_test.cpp) hold the other cases.
#include <gtest/gtest.h>

#include <zlib.h>

#include <climits>

#include "picture_test_support.h"

namespace {

constexpr int kAllTypes[] = {kImageTypeBmp, kImageTypeJpeg, kImageTypeTiff, kImageTypePng,
                             kImageTypeGif};

// Reads `path` as `type` and, when that works, checks that the picture is whole and that its
// derived pictures can be made. The pixel limit is the fuzzers' own, so that a file that
// declares a huge picture costs the same here as it did there.
bool ReadChecked(const std::string& path, int type) {
    auto picture = CImageImpl::New(type);
    picture->SetPixelLimit(std::int64_t{1} << 20);
    if (!picture->ReadFile(path)) {
        EXPECT_FALSE(picture->IsValid());
        return false;
    }
    EXPECT_GT(picture->GetWidth(), 0);
    EXPECT_GT(picture->GetHeight(), 0);
    EXPECT_NE(picture->GetBits(), nullptr);
    EXPECT_TRUE(picture->MakeThumbnail(16, 16));
    EXPECT_TRUE(picture->Crop(0, 0, picture->GetWidth(), picture->GetHeight()));
    return true;
}

// ---------------------------------------------------------------------------------------------
// BMP

Bytes BmpFile(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression,
              std::uint32_t colorsUsed, std::uint32_t offset, const Bytes& rest,
              std::uint32_t headerSize = 40) {
    Bytes bytes{'B', 'M'};
    AppendLe32(bytes, 0);
    AppendLe32(bytes, 0);
    AppendLe32(bytes, offset);
    AppendLe32(bytes, headerSize);
    AppendLe32(bytes, static_cast<std::uint32_t>(width));
    AppendLe32(bytes, static_cast<std::uint32_t>(height));
    AppendLe16(bytes, 1);
    AppendLe16(bytes, static_cast<std::uint32_t>(bits));
    AppendLe32(bytes, compression);
    for (int i = 0; i < 3; ++i) AppendLe32(bytes, 0);
    AppendLe32(bytes, colorsUsed);
    AppendLe32(bytes, 0);
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    return bytes;
}

TEST(HostileBmp, LyingHeadersAreRefused) {
    ScratchDir dir;
    const Bytes some(64, 0x11);
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"too wide", BmpFile(100001, 1, 24, BI_RGB, 0, 54, some)},
        {"too tall top-down", BmpFile(1, -100001, 24, BI_RGB, 0, 54, some)},
        {"most negative height", BmpFile(1, INT_MIN, 24, BI_RGB, 0, 54, some)},
        {"zero width", BmpFile(0, 5, 24, BI_RGB, 0, 54, some)},
        {"header size small", BmpFile(2, 2, 24, BI_RGB, 0, 54, some, 20)},
        {"zero bits", BmpFile(2, 2, 0, BI_RGB, 0, 54, some)},
        {"RLE8 at 24 bits", BmpFile(2, 2, 24, BI_RLE8, 0, 54, some)},
        {"JPEG inside", BmpFile(2, 2, 24, 4, 0, 54, some)},
        {"only a file header", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0}},
    };
    for (const auto& [name, bytes] : files) {
        WriteBytes(dir.File("h.bmp"), bytes);
        EXPECT_FALSE(ReadChecked(dir.File("h.bmp"), kImageTypeBmp)) << name;
    }
}

TEST(HostileBmp, RleThatWandersOffThePictureIsClipped) {
    ScratchDir dir;
    const Bytes rle{
        0x00, 0x02, 0xFF, 0x00, // delta far to the right of the row
        0xFF, 0x07,             // a run there: nothing to draw
        0x00, 0x00,             // next row
        0x02, 0x09,             // two pixels of 9 at its start
        0x00, 0x02, 0x00, 0xFF, // delta far above the picture: the picture is done
        0x05, 0x05,
    };
    Bytes rest(1024, 0);
    rest.insert(rest.end(), rle.begin(), rle.end());
    WriteBytes(dir.File("w.bmp"), BmpFile(3, 2, 8, BI_RLE8, 0, 14 + 40 + 1024, rest));
    auto picture = CImageImpl::New(kImageTypeBmp);
    ASSERT_TRUE(picture->ReadFile(dir.File("w.bmp")));
    EXPECT_EQ(picture->GetPixelIndex(0, 0), 9); // the second data row is the top one
    EXPECT_EQ(picture->GetPixelIndex(1, 0), 9);
    EXPECT_EQ(picture->GetPixelIndex(2, 0), 0);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(picture->GetPixelIndex(x, 1), 0);
}

TEST(HostileBmp, PixelLimitRefusesBeforeAllocating) {
    ScratchDir dir;
    // A 100000 x 100000 RLE picture that is only an end-of-bitmap mark: 10 GB of pixels from
    // a few bytes. With a limit below its size the reader refuses it.
    Bytes rest(1024, 0);
    rest.push_back(0);
    rest.push_back(1);
    WriteBytes(dir.File("big.bmp"), BmpFile(100000, 100000, 8, BI_RLE8, 0, 0, rest));
    auto picture = CImageImpl::New(kImageTypeBmp);
    picture->SetPixelLimit(1000);
    EXPECT_FALSE(picture->ReadFile(dir.File("big.bmp")));
    WriteBytes(dir.File("small.bmp"), BmpFile(10, 10, 8, BI_RLE8, 0, 0, rest));
    EXPECT_TRUE(picture->ReadFile(dir.File("small.bmp")));
}

// ---------------------------------------------------------------------------------------------
// GIF

Bytes GifFile(int width, int height, int codeSize, const Bytes& data) {
    Bytes bytes{'G', 'I', 'F', '8', '9', 'a'};
    AppendLe16(bytes, static_cast<std::uint32_t>(width));
    AppendLe16(bytes, static_cast<std::uint32_t>(height));
    bytes.insert(bytes.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255}); // 2-entry global table
    bytes.push_back(0x2C);
    AppendLe32(bytes, 0);
    AppendLe16(bytes, static_cast<std::uint32_t>(width));
    AppendLe16(bytes, static_cast<std::uint32_t>(height));
    bytes.push_back(0);
    bytes.push_back(static_cast<std::uint8_t>(codeSize));
    bytes.push_back(static_cast<std::uint8_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    bytes.insert(bytes.end(), {0, 0x3B});
    return bytes;
}

TEST(HostileGif, LyingHeadersAndStreamsAreRefused) {
    ScratchDir dir;
    // Clear (4), pixel 1, end (5) at 3 bits each, for a 1 x 1 picture of code size 2.
    const Bytes onePixel{static_cast<std::uint8_t>(4 | (1 << 3) | (5 << 6)), 0x01};
    WriteBytes(dir.File("ok.gif"), GifFile(1, 1, 2, onePixel));
    ASSERT_TRUE(ReadChecked(dir.File("ok.gif"), kImageTypeGif));
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"zero width", GifFile(0, 1, 2, onePixel)},
        {"code size 0", GifFile(1, 1, 0, onePixel)},
        {"unknown block", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x99}},
    };
    for (const auto& [name, bytes] : files) {
        WriteBytes(dir.File("h.gif"), bytes);
        EXPECT_FALSE(ReadChecked(dir.File("h.gif"), kImageTypeGif)) << name;
    }
}

TEST(HostileGif, IndexesPastTheTableGiveBlack) {
    ScratchDir dir;
    // Code size 8 with a 2-entry table; the only pixel is index 200.
    std::uint32_t codes = 256 | (200u << 9) | (257u << 18);
    Bytes data;
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<std::uint8_t>(codes >> (8 * i)));
    WriteBytes(dir.File("i.gif"), GifFile(1, 1, 8, data));
    auto picture = CImageImpl::Open(dir.File("i.gif"));
    ASSERT_TRUE(picture->IsValid());
    EXPECT_EQ(picture->GetPixelIndex(0, 0), 200);
    BYTE rgb[3] = {1, 1, 1};
    picture->RowToRgb(0, rgb);
    EXPECT_EQ(std::vector<int>(rgb, rgb + 3), (std::vector<int>{0, 0, 0}));
}

// ---------------------------------------------------------------------------------------------
// PNG, JPEG, TIFF

void AppendBe32(Bytes& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A PNG chunk with its CRC.
void AppendChunk(Bytes& bytes, const char* type, const Bytes& data) {
    AppendBe32(bytes, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = bytes.size();
    bytes.insert(bytes.end(), type, type + 4);
    bytes.insert(bytes.end(), data.begin(), data.end());
    AppendBe32(bytes, static_cast<std::uint32_t>(
                          crc32(0, bytes.data() + start, static_cast<uInt>(bytes.size() - start))));
}

Bytes PngWithHeader(std::uint32_t width, std::uint32_t height, int depth, int colorType) {
    Bytes bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    AppendBe32(header, width);
    AppendBe32(header, height);
    header.insert(header.end(), {static_cast<std::uint8_t>(depth),
                                 static_cast<std::uint8_t>(colorType), 0, 0, 0});
    AppendChunk(bytes, "IHDR", header);
    // A tiny IDAT: a zlib stream of a few zero bytes.
    Bytes raw(16, 0);
    Bytes packed(64);
    uLongf packedSize = packed.size();
    compress(packed.data(), &packedSize, raw.data(), raw.size());
    packed.resize(packedSize);
    AppendChunk(bytes, "IDAT", packed);
    AppendChunk(bytes, "IEND", {});
    return bytes;
}

TEST(HostilePng, LyingHeadersAreRefused) {
    ScratchDir dir;
    WriteBytes(dir.File("ok.png"), PngWithHeader(3, 1, 8, 0));
    ASSERT_TRUE(ReadChecked(dir.File("ok.png"), kImageTypePng)); // the builder makes good files
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"too wide", PngWithHeader(100001, 1, 8, 2)},
        {"zero width", PngWithHeader(0, 1, 8, 2)},
        {"bad colour type", PngWithHeader(1, 1, 8, 5)},
    };
    for (const auto& [name, bytes] : files) {
        WriteBytes(dir.File("h.png"), bytes);
        EXPECT_FALSE(ReadChecked(dir.File("h.png"), kImageTypePng)) << name;
    }
}

// A little-endian TIFF of one IFD whose entries are (tag, type, count, value).
Bytes TiffFile(const std::vector<std::array<std::uint32_t, 4>>& entries, const Bytes& pixels) {
    Bytes bytes{'I', 'I', 42, 0};
    AppendLe32(bytes, 8);
    AppendLe16(bytes, static_cast<std::uint32_t>(entries.size()));
    for (const auto& e : entries) {
        AppendLe16(bytes, e[0]);
        AppendLe16(bytes, e[1]);
        AppendLe32(bytes, e[2]);
        AppendLe32(bytes, e[3]);
    }
    AppendLe32(bytes, 0);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}

Bytes SimpleTiff(std::uint32_t width, std::uint32_t height, std::uint32_t bits,
                 std::uint32_t offset, std::uint32_t byteCount) {
    constexpr std::uint32_t kShort = 3, kLong = 4;
    const std::vector<std::array<std::uint32_t, 4>> entries = {
        {256, kLong, 1, width}, {257, kLong, 1, height}, {258, kShort, 1, bits},
        {259, kShort, 1, 1},    {262, kShort, 1, 1},     {273, kLong, 1, offset},
        {277, kShort, 1, 1},    {278, kLong, 1, height}, {279, kLong, 1, byteCount},
    };
    // Header 8 + count 2 + 9 entries x 12 + next 4 = 122: pixels start there.
    return TiffFile(entries, Bytes(16, 0x80));
}

// A 16-bit grey strip TIFF of `samples` samples per pixel and `dataBytes` bytes of pixels:
// 10 entries, so the pixels start at 8 + 2 + 120 + 4 = 134.
Bytes GreyTiff16(std::uint32_t width, std::uint32_t height, std::uint32_t samples,
                 std::uint32_t compression, std::uint32_t dataBytes) {
    constexpr std::uint32_t kShort = 3, kLong = 4;
    const std::vector<std::array<std::uint32_t, 4>> entries = {
        {256, kLong, 1, width},        {257, kLong, 1, height}, {258, kShort, 1, 16},
        {259, kShort, 1, compression}, {262, kShort, 1, 1},     {273, kLong, 1, 134},
        {277, kShort, 1, samples},     {278, kLong, 1, height}, {279, kLong, 1, dataBytes},
        {284, kShort, 1, 1},
    };
    return TiffFile(entries, Bytes(dataBytes, 0x40));
}

TEST(HostileTiff, LyingHeadersAreRefused) {
    ScratchDir dir;
    PromptRecorder quiet;
    WriteBytes(dir.File("ok.tif"), SimpleTiff(4, 4, 8, 122, 16));
    ASSERT_TRUE(ReadChecked(dir.File("ok.tif"), kImageTypeTiff)); // the builder makes good files
    WriteBytes(dir.File("ok16.tif"), GreyTiff16(3, 2, 2, 1, 24)); // grey and alpha
    ASSERT_TRUE(ReadChecked(dir.File("ok16.tif"), kImageTypeTiff));
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"too wide", SimpleTiff(100001, 1, 8, 122, 16)},
        {"64 bits", SimpleTiff(1, 1, 64, 122, 8)},
        {"more samples than grey and alpha", GreyTiff16(2, 1, 3, 1, 12)},
        {"more than LZW can expand to", GreyTiff16(10000, 1000, 1, 5, 64)},
        {"more than deflate can expand to", GreyTiff16(10000, 1000, 1, 8, 64)},
        {"zero size", SimpleTiff(0, 0, 8, 122, 16)},
    };
    for (const auto& [name, bytes] : files) {
        WriteBytes(dir.File("h.tif"), bytes);
        EXPECT_FALSE(ReadChecked(dir.File("h.tif"), kImageTypeTiff)) << name;
    }
}

TEST(HostileFiles, ForeignFilesFailInEveryReader) {
    ScratchDir dir;
    PromptRecorder quiet;
    Bytes text;
    for (char c : std::string("This is a plain text file, not a picture.\n"))
        text.push_back(static_cast<std::uint8_t>(c));
    WriteBytes(dir.File("text"), text);
    WriteBytes(dir.File("empty"), {});
    for (int type : kAllTypes) {
        EXPECT_FALSE(ReadChecked(dir.File("text"), type)) << type;
        EXPECT_FALSE(ReadChecked(dir.File("empty"), type)) << type;
        EXPECT_FALSE(ReadChecked(dir.File("missing"), type)) << type;
    }
    // A directory is not a file either.
    for (int type : kAllTypes) EXPECT_FALSE(ReadChecked(dir.File(""), type)) << type;
}

} // namespace
