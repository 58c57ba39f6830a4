#include "jpeg_image.h"

#include <csetjmp>
#include <cstdio>
#include <utility>
#include <vector>

#include "jpeg_errors.h"
#include "picture_io.h"
#include "picture_prompt.h"

namespace {

// Everything the reader must free, reachable through one pointer so that a jump back to the
// recovery point finds it intact.
struct ReadState {
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    FilePtr file;
    DibImage made;
    bool created = false;
};

struct WriteState {
    jpeg_compress_struct cinfo{};
    JpegErrors errors{};
    FilePtr file;
    bool created = false;
};

} // namespace

bool CJpegImage::ReadImage(const std::string& path, DibImage& dib) {
    auto state = std::make_unique<ReadState>();
    state->file = OpenFile(path, "rb");
    if (!state->file) {
        PicturePrompt(PictureText(QT_TRANSLATE_NOOP("PictureLayer", "can't open %1\n"), {path}));
        return false;
    }
    const std::int64_t fileSize = FileSize(state->file.get());
    if (fileSize < 0) return false;
    jpeg_decompress_struct& cinfo = state->cinfo;
    UseJpegErrors(reinterpret_cast<j_common_ptr>(&cinfo), state->errors);
    if (setjmp(state->errors.recovery)) {
        if (state->created) jpeg_destroy_decompress(&state->cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    state->created = true;
    jpeg_stdio_src(&cinfo, state->file.get());
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK ||
        !JpegFileCanHoldBlocks(cinfo, fileSize)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = cinfo.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    // The picture is sized from the header before any pixel is decoded.
    jpeg_calc_output_dimensions(&cinfo);
    const bool grey = cinfo.out_color_components == 1;
    if (cinfo.output_width == 0 || cinfo.output_height == 0 ||
        !AllocateDib(state->made, static_cast<int>(cinfo.output_width),
                     static_cast<int>(cinfo.output_height), grey ? 8 : 24, false)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != (grey ? 1 : 3)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (grey) {
        state->made.colors = GreyPalette(256);
        state->made.palette = state->made.colors;
    }
    const int width = static_cast<int>(cinfo.output_width);
    while (cinfo.output_scanline < cinfo.output_height) {
        // The file's first row is the picture's top row.
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = state->made.Row(y);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) {
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
        if (!grey) {
            for (int x = 0; x < width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    dib = std::move(state->made);
    return true;
}

bool CJpegImage::WriteImage(const std::string& path) {
    if (path.empty()) return false;
    auto state = std::make_unique<WriteState>();
    jpeg_compress_struct& cinfo = state->cinfo;
    UseJpegErrors(reinterpret_cast<j_common_ptr>(&cinfo), state->errors);
    if (setjmp(state->errors.recovery)) {
        if (state->created) jpeg_destroy_compress(&state->cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    state->created = true;
    state->file = OpenFile(path, "wb");
    if (!state->file) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_stdio_dest(&cinfo, state->file.get());
    cinfo.image_width = static_cast<JDIMENSION>(GetWidth());
    cinfo.image_height = static_cast<JDIMENSION>(GetHeight());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, GetJpegQuality(), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                   JPOOL_IMAGE, cinfo.image_width * 3, 1);
    while (cinfo.next_scanline < cinfo.image_height) {
        RowToRgb(static_cast<int>(cinfo.next_scanline), buffer[0]);
        jpeg_write_scanlines(&cinfo, buffer, 1);
    }
    jpeg_finish_compress(&cinfo);
    const bool written = CloseWritten(std::move(state->file));
    jpeg_destroy_compress(&cinfo);
    return written;
}
