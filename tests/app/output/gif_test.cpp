// GIF files and their LZW coding: exact bytes of a small file and of its code stream worked by
// hand, encoder and decoder against each other on long inputs, the writer's refusals, and
// hand-laid files (interlacing, local tables) read back.
#include <gtest/gtest.h>

#include <random>

#include "gif_lzw.h"
#include "picture_test_support.h"

namespace {

struct GifLayout {
    int width = 1;
    int height = 1;
    std::vector<std::array<int, 3>> globalTable;
    std::vector<std::array<int, 3>> localTable;
    bool interlaced = false;
    bool extension = false;
    int minCodeSize = 8;
    std::vector<BYTE> pixels;
};

Bytes MakeGif(const GifLayout& layout) {
    Bytes bytes{'G', 'I', 'F', '8', '9', 'a'};
    AppendLe16(bytes, static_cast<std::uint32_t>(layout.width));
    AppendLe16(bytes, static_cast<std::uint32_t>(layout.height));
    auto tableFlags = [](std::size_t count) {
        int n = 0;
        while ((std::size_t{2} << n) < count) ++n;
        return n;
    };
    bytes.push_back(layout.globalTable.empty()
                        ? 0
                        : static_cast<std::uint8_t>(0x80 | tableFlags(layout.globalTable.size())));
    bytes.push_back(0);
    bytes.push_back(0);
    for (const auto& c : layout.globalTable)
        for (int v : c) bytes.push_back(static_cast<std::uint8_t>(v));
    if (layout.extension) {
        const Bytes control{0x21, 0xF9, 4, 1, 0, 0, 0, 0};
        bytes.insert(bytes.end(), control.begin(), control.end());
    }
    bytes.push_back(0x2C);
    AppendLe16(bytes, 0);
    AppendLe16(bytes, 0);
    AppendLe16(bytes, static_cast<std::uint32_t>(layout.width));
    AppendLe16(bytes, static_cast<std::uint32_t>(layout.height));
    int flags = layout.interlaced ? 0x40 : 0;
    if (!layout.localTable.empty()) flags |= 0x80 | tableFlags(layout.localTable.size());
    bytes.push_back(static_cast<std::uint8_t>(flags));
    for (const auto& c : layout.localTable)
        for (int v : c) bytes.push_back(static_cast<std::uint8_t>(v));
    bytes.push_back(static_cast<std::uint8_t>(layout.minCodeSize));
    // The pixels as the encoder codes them, which the GifLzw tests check on their own.
    CGifLzwEncoder encoder(layout.minCodeSize, [&](std::span<const BYTE> block) {
        bytes.insert(bytes.end(), block.begin(), block.end());
    });
    encoder.AddPixels(layout.pixels);
    encoder.Finish();
    bytes.push_back(0);
    bytes.push_back(0x3B);
    return bytes;
}

std::vector<BYTE> DecodeAll(const Bytes& data, int minCodeSize, LzwResult* result = nullptr) {
    std::vector<BYTE> pixels;
    const LzwResult r = DecodeGifLzw(data, minCodeSize, [&](std::span<const BYTE> run) {
        pixels.insert(pixels.end(), run.begin(), run.end());
        return true;
    });
    if (result) *result = r;
    return pixels;
}

Bytes EncodeAll(const std::vector<BYTE>& pixels, int minCodeSize,
                std::vector<std::size_t>* blockSizes = nullptr) {
    Bytes data;
    CGifLzwEncoder encoder(minCodeSize, [&](std::span<const BYTE> block) {
        if (blockSizes) blockSizes->push_back(block[0]);
        data.insert(data.end(), block.begin() + 1, block.end());
    });
    encoder.AddPixels(pixels);
    encoder.Finish();
    return data;
}

// Worked by hand: codes 256 (clear), 0, 258 ("0 0"), 0, 257 (end), nine bits each, packed
// from the least significant bit: 0x0000_1010_0408_0100 -> 00 01 08 04 10 10.
TEST(GifLzw, TwoByTwoPictureOfIndexZero) {
    std::vector<std::size_t> blocks;
    const Bytes data = EncodeAll({0, 0, 0, 0}, 8, &blocks);
    EXPECT_EQ(data, (Bytes{0x00, 0x01, 0x08, 0x04, 0x10, 0x10}));
    EXPECT_EQ(blocks, (std::vector<std::size_t>{6}));
    LzwResult result{};
    EXPECT_EQ(DecodeAll(data, 8, &result), (std::vector<BYTE>{0, 0, 0, 0}));
    EXPECT_EQ(result, LzwResult::kEndCode);
}

TEST(GifLzw, LongInputsFillTheTableAndClearIt) {
    std::mt19937 random(7);
    for (int minCodeSize : {2, 4, 8}) {
        // Random pixels with runs, so both new strings and long matches occur, and far more
        // than 4096 codes are needed.
        std::vector<BYTE> pixels;
        while (pixels.size() < 200000) {
            const BYTE value = static_cast<BYTE>(random() % (1u << minCodeSize));
            const std::size_t run = random() % 4 == 0 ? random() % 40 : 1;
            pixels.insert(pixels.end(), run, value);
        }
        std::vector<std::size_t> blocks;
        const Bytes data = EncodeAll(pixels, minCodeSize, &blocks);
        ASSERT_GT(blocks.size(), 2u);
        for (std::size_t i = 0; i + 1 < blocks.size(); ++i) ASSERT_EQ(blocks[i], 254u);
        EXPECT_LE(blocks.back(), 254u);
        LzwResult result{};
        EXPECT_EQ(DecodeAll(data, minCodeSize, &result), pixels) << minCodeSize;
        EXPECT_EQ(result, LzwResult::kEndCode);
    }
}

// A code past the next table entry (the one being defined may come, as in the test above).
// Damaged streams that the reader meets are in the corpus: a table code right after a clear,
// code sizes outside 2 to 8, streams that end early.
TEST(GifLzw, DecoderRefusesACodeAheadOfTheTable) {
    // Clear, literal 0, then code 300 when 258 is the next to be defined.
    Bytes ahead;
    const std::uint32_t codes = 256 | (0u << 9) | (300u << 18);
    for (int i = 0; i < 4; ++i) ahead.push_back(static_cast<std::uint8_t>(codes >> (8 * i)));
    LzwResult result{};
    EXPECT_EQ(DecodeAll(ahead, 8, &result), (std::vector<BYTE>{0}));
    EXPECT_EQ(result, LzwResult::kCorrupt);
}

TEST(GifWrite, TwoByTwoFileBytes) {
    ScratchDir dir;
    auto picture = CImageImpl::Create(2, 2, 8, kImageTypeGif);
    std::vector<RGBQUAD> palette{{30, 20, 10, 0}, {60, 50, 40, 0}};
    picture->SetPalette(palette);
    ASSERT_TRUE(picture->WriteFile(dir.File("z.gif")));
    Bytes expected{'G', 'I', 'F', '8', '7', 'a', 2, 0, 2, 0, 0xF7, 0, 0};
    Bytes table(768, 0);
    table[0] = 10, table[1] = 20, table[2] = 30, table[3] = 40, table[4] = 50, table[5] = 60;
    expected.insert(expected.end(), table.begin(), table.end());
    const Bytes rest{0x2C, 0, 0,    0,    0,    2,    0,    2,    0, 0,
                     8,    6, 0x00, 0x01, 0x08, 0x04, 0x10, 0x10, 0, 0x3B};
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(ReadBytes(dir.File("z.gif")), expected);
}

// 1- and 4-bit pictures are written from their packed indexes (1-bit ones at code size 2); the
// colour table is the exact-bytes test's.
TEST(GifWrite, EveryDepthRoundTrips) {
    ScratchDir dir;
    for (int bits : {1, 4, 8}) {
        auto picture = CImageImpl::Create(37, 23, bits, kImageTypeGif);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                picture->SetPixelIndex(x, y, (x * y + x / 3) % (1 << bits));
        ASSERT_TRUE(picture->WriteFile(dir.File("d.gif")));
        const Bytes bytes = ReadBytes(dir.File("d.gif"));
        EXPECT_EQ(bytes[13 + 768 + 10], bits == 1 ? 2 : bits); // the code-size byte
        auto back = CImageImpl::Open(dir.File("d.gif"));
        ASSERT_TRUE(back->IsValid()) << bits;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(back->GetPixelIndex(x, y), picture->GetPixelIndex(x, y)) << bits;
    }
}

// A write that fails (not the opening) is reported, so no cut file passes for a whole one.
TEST(GifWrite, ReportsAFailedWrite) {
    PromptRecorder prompts;
    EXPECT_FALSE(CImageImpl::Create(2, 2, 8, kImageTypeGif)->WriteFile("/dev/full"));
    EXPECT_EQ(prompts.texts.size(), 1u);
}

TEST(GifRead, InterlacedRowsArePlacedByPass) {
    ScratchDir dir;
    GifLayout layout;
    layout.width = 2;
    layout.height = 5;
    layout.interlaced = true;
    layout.globalTable = {{0, 0, 0}, {255, 255, 255}};
    layout.minCodeSize = 2;
    // File rows in order belong to picture rows 0, 4, 2, 1, 3.
    layout.pixels = {0, 0, 1, 1, 0, 1, 1, 0, 1, 1};
    WriteBytes(dir.File("i.gif"), MakeGif(layout));
    auto picture = CImageImpl::Open(dir.File("i.gif"));
    ASSERT_TRUE(picture->IsValid());
    const int expected[5][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {1, 1}};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(picture->GetPixelIndex(x, y), expected[y][x]) << y;
}

TEST(GifRead, LocalTableExtensionsAndIndexesPastTheTable) {
    ScratchDir dir;
    GifLayout layout;
    layout.width = 4;
    layout.extension = true;
    layout.globalTable = {{1, 1, 1}, {2, 2, 2}};
    layout.localTable = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {0, 0, 0}};
    layout.pixels = {2, 1, 0, 200}; // 200 lies past the table: kept, and shown black
    WriteBytes(dir.File("l.gif"), MakeGif(layout));
    auto picture = CImageImpl::Open(dir.File("l.gif"));
    ASSERT_TRUE(picture->IsValid());
    EXPECT_EQ(picture->GetPixelIndex(3, 0), 200);
    BYTE rgb[12];
    picture->RowToRgb(0, rgb);
    EXPECT_EQ(std::vector<int>(rgb, rgb + 12),
              (std::vector<int>{70, 80, 90, 40, 50, 60, 10, 20, 30, 0, 0, 0}));
    EXPECT_EQ(picture->ReadPalette().size(), 4u);
}

} // namespace
