#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "stitch_inputs.h"
#include "stitch_options.h"
#include "stitch_output.h"
#include "subcommands.h"

SubcommandMain FindSubcommand(const std::string& name) {
    if (name == "perspective") return RunPerspective;
    if (name == "interpolate") return RunInterpolate;
    if (name == "palette") return RunPalette;
    return nullptr;
}

int CommandFail(const char* command, int code, const std::string& message) {
    std::fprintf(stderr, "quiltstitch %s: %s\n", command, message.c_str());
    return code;
}

int CommandUsage(const char* command, const std::string& message) {
    std::fprintf(stderr, "quiltstitch %s: %s\nTry 'quiltstitch %s --help'.\n", command,
                 message.c_str(), command);
    return kExitUsage;
}

std::unique_ptr<CImageImpl> ReadCommandPicture(const std::string& path, std::string* error) {
    std::unique_ptr<CImageImpl> picture = ReadInputPicture(path, error);
    if (!picture) return picture;
    // 16-bit channels: the engine works on the high bytes.
    picture->DropLowerPlane();
    return picture;
}

PictureAdapter::PictureAdapter(CImageImpl& picture)
    : header(picture.GetHeader()), colours(picture.GetColorTable()) {
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(picture.GetStride() * picture.GetHeight());
    adapter = CBmpAdapter(&header, picture.GetBits(), colours.empty() ? nullptr : colours.data());
}

int WriteEngineResult(AdapterResult result, const std::string& path, std::string* error) {
    bool scene = false;
    const int type = OutputTypeForPath(path, &scene);
    if (type == kImageTypeNone || scene) {
        *error =
            path + ": the output must end in .jpg, .jpeg, .bmp, .rle, .tif, .tiff, .png or .gif";
        return kExitUsage;
    }
    const BITMAPINFOHEADER header = *result->GetHeader();
    std::vector<RGBQUAD> palette;
    if (header.biBitCount <= 8 && result->GetRgb() != nullptr)
        palette.assign(result->GetRgb(), result->GetRgb() + 256);
    std::unique_ptr<CImageImpl> picture = CImageImpl::FromBitmap(
        header, result->GetData(), nullptr, palette.empty() ? nullptr : palette.data(), type);
    result.Reset();
    if (!picture) {
        *error = path + ": the result cannot be made into a picture";
        return kExitCannotWrite;
    }
    return WritePicture(*picture, path, error) ? 0 : kExitCannotWrite;
}

bool ParseIntList(const std::string& text, std::size_t count, std::vector<int>* values) {
    values->clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || errno != 0 || value < -1000000 || value > 1000000)
            return false;
        values->push_back(static_cast<int>(value));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return values->size() == count;
}
