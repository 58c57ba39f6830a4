#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "stitchkit/MFCBmpTool.h"
#include "support/scratch_dir.h"
#include "support/test_images.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Entry i = (red i, green 255 - i, blue 7i mod 256): all distinct.
std::vector<RGBQUAD> DistinctPalette() {
    std::vector<RGBQUAD> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = RGBQUAD{static_cast<BYTE>(i * 7 % 256), static_cast<BYTE>(255 - i),
                             static_cast<BYTE>(i), 0};
    return palette;
}

TEST(PaletteTool, PaletteFileHasNineBytesPerEntry) {
    ScratchDir dir;
    MFCBmpTool tool;
    const RGBQUAD entries[2] = {{10, 0, 255, 0}, {0xC3, 0x4B, 0x01, 0}}; // blue, green, red
    const auto given = dir.Path("given.txt");
    EXPECT_EQ(tool.SavePaletteInTxt(entries, 2, given), 0);
    EXPECT_EQ(ReadAll(given), std::string("FF  0  A\r 1 4B C3\r"));
    // A write that fails is reported.
    EXPECT_EQ(tool.SavePaletteInTxt(entries, 2, "/dev/full"), -1);
}

// The current image's palette: as many entries as the picture's depth can index, or
// biClrUsed when that is set and no larger. The palette vectors hold exactly that many
// entries, so a read past them is caught by the address sanitizer.
TEST(PaletteTool, TheImagesPaletteIsWrittenAsFarAsItExists) {
    struct Case {
        int bits;
        DWORD clrUsed;
        std::size_t entries; // what the picture's palette holds and the file gets
    };
    const Case cases[] = {{1, 0, 2}, {4, 0, 16}, {8, 0, 256}, {8, 3, 3}, {4, 300, 16}};
    ScratchDir dir;
    MFCBmpTool tool;
    for (const Case& c : cases) {
        TestDib dib(4, 2, c.bits);
        dib.header.biClrUsed = c.clrUsed;
        dib.palette.assign(c.entries, RGBQUAD{0, 0, 0, 0});
        std::string expected;
        for (std::size_t i = 0; i < c.entries; ++i) {
            const auto v = static_cast<BYTE>(i);
            dib.palette[i] = RGBQUAD{v, v, v, 0};
            char line[16];
            std::snprintf(line, sizeof line, "%2X %2X %2X\r", v, v, v);
            expected += line;
        }
        CBmpAdapter adapter = dib.Adapter();
        tool.SetImage(&adapter);
        const auto path = dir.Path("own.txt");
        EXPECT_EQ(tool.SavePaletteInTxt(path), 0) << c.bits << " " << c.clrUsed;
        EXPECT_EQ(ReadAll(path), expected) << c.bits << " " << c.clrUsed;
    }
}

TEST(PaletteTool, ColoursMapToTheNearestEntryInAPaddedEightBitPicture) {
    std::vector<RGBQUAD> palette = DistinctPalette();
    // Width 5: 15 bytes of 24-bit rows padded to 16, 5 bytes of 8-bit rows padded to 8.
    TestDib dib(5, 3, 24);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c) {
            const RGBQUAD& e = palette[static_cast<std::size_t>(r * 50 + c * 9)];
            dib.At(r, c, 0) = e.rgbBlue;
            dib.At(r, c, 1) = e.rgbGreen;
            dib.At(r, c, 2) = e.rgbRed;
        }
    // One pixel one step of red off entry 77: its nearest entry is still 77 (the next entries
    // differ by 7 in blue).
    dib.At(2, 4, 0) = palette[77].rgbBlue;
    dib.At(2, 4, 1) = palette[77].rgbGreen;
    dib.At(2, 4, 2) = static_cast<BYTE>(palette[77].rgbRed + 1);
    const int expectedLast = 77;
    CBmpAdapter source = dib.Adapter();
    MFCBmpTool tool;
    tool.SetImage(&source);
    const std::unique_ptr<CBmpAdapter> made(tool.GetFrom24To8BitImage(palette.data()));
    ASSERT_NE(made, nullptr);
    const AdapterResult out(*made);
    const BITMAPINFOHEADER& h = *out->GetHeader();
    EXPECT_EQ((std::vector<int>{h.biWidth, h.biHeight, h.biBitCount}), (std::vector<int>{5, 3, 8}));
    EXPECT_EQ(h.biSizeImage, 8u * 3u);
    EXPECT_EQ(out->GetRgb(), palette.data()); // the given palette, not a copy
    for (int r = 0; r < 3; ++r) {
        const unsigned char* row = out->GetData() + (2 - r) * 8; // bottom-up
        for (int c = 0; c < 5; ++c) {
            const int expected = r == 2 && c == 4 ? expectedLast : r * 50 + c * 9;
            EXPECT_EQ(row[c], expected) << r << "," << c;
        }
        for (int pad = 5; pad < 8; ++pad) EXPECT_EQ(row[pad], 0);
    }
}

} // namespace
