#include "bmp_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void Put16(std::vector<unsigned char>& out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<unsigned char>& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

std::string WriteBmpFile(const std::string& path, const BITMAPINFOHEADER& header,
                         const unsigned char* pixels) {
    if (header.biBitCount != 24 && header.biBitCount != 8) return "only 8- and 24-bit pictures";
    const unsigned paletteBytes = header.biBitCount == 8 ? 256 * 4 : 0;
    const auto imageBytes =
        static_cast<unsigned>(DibStride(header.biWidth, header.biBitCount) * header.biHeight);
    std::vector<unsigned char> head;
    head.push_back('B');
    head.push_back('M');
    Put32(head, 14 + 40 + paletteBytes + imageBytes);
    Put32(head, 0);
    Put32(head, 14 + 40 + paletteBytes);
    Put32(head, 40);
    Put32(head, static_cast<unsigned>(header.biWidth));
    Put32(head, static_cast<unsigned>(header.biHeight));
    Put16(head, 1);
    Put16(head, header.biBitCount);
    Put32(head, BI_RGB);
    Put32(head, imageBytes);
    Put32(head, 2835);
    Put32(head, 2835);
    Put32(head, header.biBitCount == 8 ? 256 : 0);
    Put32(head, 0);
    for (unsigned i = 0; i < paletteBytes / 4; ++i) {
        head.insert(head.end(), {static_cast<unsigned char>(i), static_cast<unsigned char>(i),
                                 static_cast<unsigned char>(i), 0});
    }
    const std::string temp = path + ".part";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) return std::strerror(errno);
    bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size() &&
              std::fwrite(pixels, 1, imageBytes, f) == imageBytes;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        std::remove(temp.c_str());
        return why.empty() ? "write failed" : why;
    }
    return {};
}
