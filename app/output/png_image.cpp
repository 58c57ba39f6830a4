#include "png_image.h"

#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "picture_io.h"

namespace {

// libpng refuses to work for a caller built against another minor version than its own, so
// the version asked for is the one of the headers we were built with.
constexpr char kPngVersion[] = PNG_LIBPNG_VER_STRING;
// Deflate stands for at most 258 bytes with a length and distance pair of 2 bits.
constexpr double kLargestDeflateExpansion = 1032;
// Transparent pixels are composed over this colour.
constexpr png_color_16 kBackground{0, 31, 127, 255, 127};
// Chunks the reader has no use for that libpng would read whole into one buffer of the size
// the chunk claims (about 1 GB for a 72-byte file whose length field lies): they are skipped.
constexpr png_byte kSkippedChunks[] = "tEXt\0zTXt\0iTXt\0sPLT\0eXIf\0pCAL\0sCAL";
constexpr int kSkippedChunkCount = 7;

// Writing is tuned for speed: deflate's run-length strategy (matches only with the byte before,
// no hash chains; a fast level in all but name) after the "up" row filter. On photographs this
// writes about 7 times faster than zlib's default level with libpng's choice among all five
// filters per row, for files about 1.05 to 1.2 times as large; flat canvas areas still shrink to
// almost nothing. Without a filter the files grow by 1.4 to 1.6 times.
constexpr int kWriteLevel = 1;
constexpr int kWriteStrategy = Z_RLE;
constexpr int kWriteFilters = PNG_FILTER_UP;
// Larger IDAT chunks than libpng's 8 KiB: fewer chunk headers and CRC restarts.
constexpr png_size_t kWriteBufferBytes = 256 * 1024;

[[noreturn]] void ErrorExit(png_structp png, png_const_charp /*message*/) {
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// Everything the reader must free, reachable through one pointer so that a jump back to the
// recovery point finds it intact.
struct ReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    FilePtr file;
    std::int64_t fileSize = 0;
    DibImage made;
    ~ReadState() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

struct WriteState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    FilePtr file;
    std::vector<BYTE> row;
    std::vector<png_color> palette;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    ~WriteState() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

// Everything the writer does that may jump back to its recovery point; it keeps no state of
// its own, so nothing is lost when libpng jumps out of it.
void WriteRows(WriteState& state, const CImageImpl& picture) {
    png_structp png = state.png;
    png_infop info = state.info;
    png_init_io(png, state.file.get());
    png_set_compression_level(png, kWriteLevel);
    png_set_compression_strategy(png, kWriteStrategy);
    png_set_compression_buffer_size(png, kWriteBufferBytes);
    // Palette pictures keep libpng's choice, which is no filter: their indexes are not
    // quantities that differences would make smaller.
    if (state.colorType == PNG_COLOR_TYPE_RGB)
        png_set_filter(png, PNG_FILTER_TYPE_BASE, kWriteFilters);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.GetWidth()),
                 static_cast<png_uint_32>(picture.GetHeight()), state.bitDepth, state.colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (state.colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, state.palette.data(), static_cast<int>(state.palette.size()));
    png_write_info(png, info);
    if (state.colorType == PNG_COLOR_TYPE_RGB) png_set_bgr(png); // rows are blue, green, red
    for (int y = 0; y < picture.GetHeight(); ++y) {
        std::memcpy(state.row.data(), picture.GetRow(y), state.row.size());
        png_write_row(png, state.row.data());
    }
    png_write_end(png, nullptr);
}

} // namespace

bool CPngImage::ReadImage(const std::string& path, DibImage& dib) {
    auto state = std::make_unique<ReadState>();
    state->file = OpenFile(path, "rb");
    if (!state->file) return false;
    state->fileSize = FileSize(state->file.get());
    if (state->fileSize < 0) return false;
    state->png = png_create_read_struct(kPngVersion, nullptr, ErrorExit, IgnoreWarning);
    if (!state->png) return false;
    state->info = png_create_info_struct(state->png);
    if (!state->info) return false;
    if (setjmp(png_jmpbuf(state->png))) return false;

    png_structp png = state->png;
    png_infop info = state->info;
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks, kSkippedChunkCount);
    png_init_io(png, state->file.get());
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    // The file's rows, decoded, cannot be longer than deflate can expand the file to.
    const double rawBytes =
        static_cast<double>(width) * height * bitDepth * png_get_channels(png, info) / 8;
    if (rawBytes > kLargestDeflateExpansion * static_cast<double>(state->fileSize)) return false;
    const bool transparent =
        (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    int bitCount = 24;
    if (transparent) {
        // Palette, grey and transparency become RGB so the background colour can show.
        png_set_expand(png);
        png_set_gray_to_rgb(png);
        png_set_background(png, &kBackground, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    } else if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_packing(png); // 1, 2 and 4-bit indexes become one byte each
        bitCount = 8;
    } else if (colorType == PNG_COLOR_TYPE_GRAY) {
        png_set_expand_gray_1_2_4_to_8(png);
        bitCount = 8;
    }
    if (bitDepth == 16) png_set_strip_16(png);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const int channels = png_get_channels(png, info);
    if (png_get_bit_depth(png, info) != 8 || channels != (bitCount == 8 ? 1 : 3)) return false;
    if (!AllocateDib(state->made, static_cast<int>(width), static_cast<int>(height), bitCount,
                     false))
        return false;
    if (bitCount == 8) {
        if (colorType == PNG_COLOR_TYPE_PALETTE) {
            png_colorp entries = nullptr;
            int count = 0;
            if (!png_get_PLTE(png, info, &entries, &count)) return false;
            std::vector<RGBQUAD> palette(static_cast<std::size_t>(count));
            for (int i = 0; i < count && i < 256; ++i)
                palette[static_cast<std::size_t>(i)] =
                    RGBQUAD{entries[i].blue, entries[i].green, entries[i].red, 0};
            palette.resize(std::min<std::size_t>(palette.size(), 256));
            std::copy(palette.begin(), palette.end(), state->made.colors.begin());
            state->made.palette = std::move(palette);
        } else {
            state->made.colors = GreyPalette(256);
            state->made.palette = state->made.colors;
        }
    }
    if (png_get_rowbytes(png, info) > state->made.Stride()) return false;
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, state->made.Row(static_cast<int>(y)), nullptr);
    }
    png_read_end(png, nullptr);
    dib = std::move(state->made);
    return true;
}

bool CPngImage::WriteImage(const std::string& path) {
    auto state = std::make_unique<WriteState>();
    state->file = OpenFile(path, "wb");
    if (!state->file) return false;
    state->png = png_create_write_struct(kPngVersion, nullptr, ErrorExit, IgnoreWarning);
    if (!state->png) return false;
    state->info = png_create_info_struct(state->png);
    if (!state->info) return false;

    const int bits = GetBitsPerPixel();
    const int channels = bits <= 8 ? 1 : 3;
    const int width = GetWidth();
    const std::size_t rowBytes = (static_cast<std::size_t>(bits) * width + 7) / 8;
    state->row.resize(rowBytes);
    if (bits <= 8) {
        // As many entries as the depth can index (256 for 8 bits): PNG allows no more.
        const std::vector<RGBQUAD>& entries = ColourEntries();
        state->palette.assign(std::size_t{1} << bits, png_color{0, 0, 0});
        for (std::size_t i = 0; i < state->palette.size() && i < entries.size(); ++i)
            state->palette[i] =
                png_color{entries[i].rgbRed, entries[i].rgbGreen, entries[i].rgbBlue};
    }
    state->bitDepth = bits / channels;
    state->colorType = channels == 1 ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB;
    if (setjmp(png_jmpbuf(state->png))) return false;
    WriteRows(*state, *this);
    png_destroy_write_struct(&state->png, &state->info);
    state->png = nullptr;
    return CloseWritten(std::move(state->file));
}
