// quiltstitch palette: an 8-bit bitmap of a picture for a given palette.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "stitch_inputs.h"
#include "stitch_options.h"
#include "stitchkit/MFCBmpTool.h"
#include "subcommands.h"

namespace {

constexpr const char* kCommand = "palette";
constexpr std::size_t kEntries = 256;

constexpr const char* kUsage = R"(Usage: quiltstitch palette IMAGE --palette FILE -o OUTPUT.bmp
Turn a picture into an 8-bit bitmap whose every pixel is the index of the nearest colour of
a palette.

      --palette FILE      the palette: one "RR GG BB" line of hexadecimal red, green and blue
                          per entry, 1 to 256 entries (lines ended by CR, LF or both, as the
                          engine's palette files are)
  -o, --output FILE.bmp   the 8-bit bitmap
  -h, --help              this text

Exit status: 0 done, 3 not enough memory, 64 bad usage, 66 an input that cannot be read,
73 an output that cannot be written.
)";

// The entries of a palette file, or false with `error` set.
bool ReadPaletteFile(const std::string& path, std::vector<RGBQUAD>* palette, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = path + ": the palette cannot be read";
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    std::size_t start = 0;
    int lineNumber = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        unsigned red = 0, green = 0, blue = 0;
        char extra = 0;
        if (std::sscanf(line.c_str(), "%x %x %x %c", &red, &green, &blue, &extra) != 3 ||
            red > 255 || green > 255 || blue > 255) {
            *error = path + ": line " + std::to_string(lineNumber) +
                     " is not three hexadecimal values 0-FF";
            return false;
        }
        if (palette->size() == kEntries) {
            *error = path + ": more than 256 entries";
            return false;
        }
        palette->push_back(
            RGBQUAD{static_cast<BYTE>(blue), static_cast<BYTE>(green), static_cast<BYTE>(red), 0});
    }
    if (palette->empty()) {
        *error = path + ": no entries";
        return false;
    }
    return true;
}

} // namespace

int RunPalette(int argc, char** argv) {
    std::string input, output, paletteFile;
    ArgReader reader(argc, argv);
    while (reader.Next()) {
        const std::string& arg = reader.Arg();
        auto value = [&](std::string* out) { return reader.Value(out); };
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "-o" || arg == "--output") {
            if (!value(&output)) return CommandUsage(kCommand, arg + " needs a file name");
        } else if (arg == "--palette") {
            if (!value(&paletteFile)) return CommandUsage(kCommand, "--palette needs a file name");
        } else if (reader.IsOption()) {
            return CommandUsage(kCommand, "unknown option " + arg);
        } else if (input.empty()) {
            input = arg;
        } else {
            return CommandUsage(kCommand, "one picture only (" + arg + ")");
        }
    }
    if (input.empty()) return CommandUsage(kCommand, "no picture given");
    if (paletteFile.empty()) return CommandUsage(kCommand, "no palette given (--palette FILE)");
    if (output.empty()) return CommandUsage(kCommand, "no output given (-o FILE.bmp)");
    if (PictureTypeForPath(output) != kImageTypeBmp)
        return CommandUsage(kCommand, output + ": the output must be a .bmp file");

    std::string error;
    std::vector<RGBQUAD> palette;
    if (!ReadPaletteFile(paletteFile, &palette, &error))
        return CommandFail(kCommand, kExitNoInput, error);
    // Entries past the file's repeat its first one: an equally near later index is never
    // chosen, so only the file's entries are used.
    palette.resize(kEntries, palette.front());
    std::unique_ptr<CImageImpl> picture = ReadCommandPicture(input, &error);
    if (!picture) return CommandFail(kCommand, kExitNoInput, error);

    // The tool reads 24-bit bitmaps: pictures of other depths are expanded first.
    const int width = picture->GetWidth(), height = picture->GetHeight();
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const std::size_t stride = static_cast<std::size_t>(DibStride(width, 24));
    header.biSizeImage = static_cast<DWORD>(stride * height);
    std::vector<BYTE> pixels(stride * height), rgb(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        picture->RowToRgb(y, rgb.data());
        BYTE* row = pixels.data() + (height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = rgb[3 * x + 2];
            row[3 * x + 1] = rgb[3 * x + 1];
            row[3 * x + 2] = rgb[3 * x];
        }
    }
    picture.reset();
    CBmpAdapter source(&header, pixels.data());
    MFCBmpTool tool;
    tool.SetImage(&source);
    const std::unique_ptr<CBmpAdapter> result(tool.GetFrom24To8BitImage(palette.data()));
    if (!result) return CommandFail(kCommand, 3, "not enough memory for the 8-bit picture");
    if (const int code = WriteEngineResult(AdapterResult(*result), output, &error); code != 0)
        return CommandFail(kCommand, code, error);
    return 0;
}
