// Uses the installed StitchKit: makes a stitching session and writes a palette as text, then
// prints the package version it was configured with. Exit status 0 when the library behaved.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "stitchkit/StitchKit.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: stitchkit_consumer PALETTE_FILE\n");
        return 64;
    }
    MFCPanorama session;
    if (session.GetImagesCount() != 0) {
        std::fprintf(stderr, "a new session holds %d images\n", session.GetImagesCount());
        return 1;
    }
    // Two entries written as "%2X %2X %2X\r" of red, green and blue.
    const RGBQUAD palette[2] = {{0x05, 0xAB, 0x12, 0}, {0xFF, 0x00, 0xC3, 0}};
    MFCBmpTool tool;
    if (tool.SavePaletteInTxt(palette, 2, argv[1]) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (text != "12 AB  5\rC3  0 FF\r") {
        std::fprintf(stderr, "unexpected palette text\n");
        return 1;
    }
    std::printf("StitchKit %s\n", STITCHKIT_PACKAGE_VERSION);
    return 0;
}
