#include "thumbnail_maker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <libexif/exif-data.h>
#include <png.h>
#include <tiffio.h>

#include "image_impl.h"
#include "jpeg_errors.h"
#include "picture_io.h"
#include "picture_prompt.h"
#include "picture_qimage.h"
#include "picture_sniff.h"
#include "tiff_handle.h"

namespace {

// The normal size of the shared cache.
constexpr int kCacheSide = 128;
// An EXIF thumbnail is used when its longer side reaches the size wanted (at least this),
// its aspect is within kExifAspectTolerance of the picture's, and it is not larger than
// kLargestExifThumbnail (it is decoded whole).
constexpr int kSmallestExifThumbnail = kCacheSide;
constexpr double kExifAspectTolerance = 0.03;
constexpr int kLargestExifThumbnail = 1024;
constexpr char kSoftware[] = "Quiltwork";

// ---------------------------------------------------------------------------------------
// Reduction: rows of a picture averaged into boxes.

// Averages the rows of a sourceWidth x sourceHeight picture into targetWidth x targetHeight
// boxes: source column x falls in box column x * targetWidth / sourceWidth, and the same for
// rows, so every source pixel counts once and no row is held after it was added. Colours
// are averaged weighted by their alpha (premultiplied); boxes that no row reached stay
// transparent.
class BoxReducer {
public:
    BoxReducer(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight)
        : m_sourceWidth(sourceWidth), m_sourceHeight(sourceHeight), m_targetWidth(targetWidth),
          m_targetHeight(targetHeight), m_column(static_cast<std::size_t>(sourceWidth)),
          m_columnCount(static_cast<std::size_t>(targetWidth), 0),
          m_sum(static_cast<std::size_t>(targetWidth) * 4, 0),
          m_image(targetWidth, targetHeight, QImage::Format_ARGB32_Premultiplied) {
        for (int x = 0; x < sourceWidth; ++x) {
            const int box =
                static_cast<int>(static_cast<std::int64_t>(x) * targetWidth / sourceWidth);
            m_column[static_cast<std::size_t>(x)] = box;
            ++m_columnCount[static_cast<std::size_t>(box)];
        }
        m_image.fill(Qt::transparent);
    }

    bool IsValid() const { return !m_image.isNull(); }
    int SourceWidth() const { return m_sourceWidth; }

    // Adds source row `y` (rows come in increasing order, some may be missing) of 8-bit
    // pixels with `channels` samples each: grey, grey + alpha, RGB or RGBA.
    void AddRow(int y, const std::uint8_t* pixels, int channels) {
        if (y < 0 || y >= m_sourceHeight) return;
        const int band =
            static_cast<int>(static_cast<std::int64_t>(y) * m_targetHeight / m_sourceHeight);
        if (band != m_band) {
            Flush();
            m_band = band;
        }
        ++m_rows;
        std::uint64_t* sum = m_sum.data();
        const int* column = m_column.data();
        switch (channels) {
        case 1:
            for (int x = 0; x < m_sourceWidth; ++x) {
                std::uint64_t* box = sum + 4 * column[x];
                box[0] += pixels[x], box[1] += pixels[x], box[2] += pixels[x], box[3] += 255;
            }
            break;
        case 3:
            for (int x = 0; x < m_sourceWidth; ++x, pixels += 3) {
                std::uint64_t* box = sum + 4 * column[x];
                box[0] += pixels[0], box[1] += pixels[1], box[2] += pixels[2], box[3] += 255;
            }
            break;
        default: // 2 or 4: the last sample is alpha
            for (int x = 0; x < m_sourceWidth; ++x, pixels += channels) {
                std::uint64_t* box = sum + 4 * column[x];
                const unsigned alpha = pixels[channels - 1];
                const unsigned red = pixels[0];
                const unsigned green = channels == 4 ? pixels[1] : red;
                const unsigned blue = channels == 4 ? pixels[2] : red;
                box[0] += (red * alpha + 127) / 255, box[1] += (green * alpha + 127) / 255;
                box[2] += (blue * alpha + 127) / 255, box[3] += alpha;
            }
            break;
        }
        m_any = true;
    }

    // The boxes (premultiplied ARGB); null when no row was added.
    QImage Finish() {
        Flush();
        return m_any ? m_image : QImage();
    }

private:
    void Flush() {
        if (m_band < 0 || m_rows == 0) return;
        auto* out = reinterpret_cast<QRgb*>(m_image.scanLine(m_band));
        for (int box = 0; box < m_targetWidth; ++box) {
            const std::uint64_t count =
                static_cast<std::uint64_t>(m_columnCount[static_cast<std::size_t>(box)]) * m_rows;
            std::uint64_t* sum = m_sum.data() + 4 * box;
            if (count == 0) continue;
            auto mean = [&](int c) { return static_cast<int>((sum[c] + count / 2) / count); };
            out[box] = qRgba(mean(0), mean(1), mean(2), mean(3));
        }
        std::fill(m_sum.begin(), m_sum.end(), 0);
        m_rows = 0;
    }

    int m_sourceWidth, m_sourceHeight, m_targetWidth, m_targetHeight;
    std::vector<int> m_column;
    std::vector<int> m_columnCount;
    std::vector<std::uint64_t> m_sum;
    QImage m_image;
    int m_band = -1;
    int m_rows = 0;
    bool m_any = false;
};

// width x height fitted inside side x side with the aspect kept, the longer side `side`.
QSize FitInside(int width, int height, int side) {
    if (width <= 0 || height <= 0 || side <= 0) return {};
    if (width >= height) {
        const int h = static_cast<int>(std::lround(static_cast<double>(height) * side / width));
        return {side, std::max(1, h)};
    }
    const int w = static_cast<int>(std::lround(static_cast<double>(width) * side / height));
    return {std::max(1, w), side};
}

// The box grid for reducing a width x height picture to a thumbnail of longer side `side`:
// the fitted size, never larger than the picture.
QSize ReducedSize(int width, int height, int side) {
    const QSize fitted = FitInside(width, height, side);
    return {std::min(width, fitted.width()), std::min(height, fitted.height())};
}

// What a decoder found: whether the header was sane, the picture's size, its reduced
// pixels, whether every row was decoded, and the EXIF orientation (1 = top left).
struct Decoded {
    bool header = false;
    int width = 0;
    int height = 0;
    QImage image; // premultiplied ARGB, any size, the picture's aspect (nearly)
    bool complete = false;
    int orientation = 1;
    bool needsLayer = false; // a layout read here only by the picture layer
};

// ---------------------------------------------------------------------------------------
// JPEG

// A file source with a large buffer. libjpeg's own stdio source reads 4 KiB at a time, and
// its entropy decoder takes its fast path only while a few KiB of data are buffered, so
// with that source most blocks of a large picture are decoded the slow way.
struct JpegFileSource {
    static constexpr std::size_t kBufferSize = 64 * 1024;
    jpeg_source_mgr pub{};
    std::FILE* file = nullptr;
    bool startOfFile = true;
    std::vector<JOCTET> buffer = std::vector<JOCTET>(kBufferSize);
};

void SourceInit(j_decompress_ptr cinfo) {
    reinterpret_cast<JpegFileSource*>(cinfo->src)->startOfFile = true;
}

boolean SourceFill(j_decompress_ptr cinfo) {
    auto* source = reinterpret_cast<JpegFileSource*>(cinfo->src);
    std::size_t count = std::fread(source->buffer.data(), 1, source->buffer.size(), source->file);
    if (count == 0) {
        if (source->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF); // ends the decoding (see UseJpegErrors)
        source->buffer[0] = 0xFF;     // as libjpeg's source: a fake end of image
        source->buffer[1] = JPEG_EOI;
        count = 2;
    }
    source->pub.next_input_byte = source->buffer.data();
    source->pub.bytes_in_buffer = count;
    source->startOfFile = false;
    return TRUE;
}

void SourceSkip(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr* source = cinfo->src;
    if (count <= 0) return;
    while (count > static_cast<long>(source->bytes_in_buffer)) {
        count -= static_cast<long>(source->bytes_in_buffer);
        source->fill_input_buffer(cinfo);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void SourceTerm(j_decompress_ptr /*cinfo*/) {}

void UseFileSource(j_decompress_ptr cinfo, JpegFileSource& source, std::FILE* file) {
    source.file = file;
    source.pub.init_source = SourceInit;
    source.pub.fill_input_buffer = SourceFill;
    source.pub.skip_input_data = SourceSkip;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = SourceTerm;
    source.pub.bytes_in_buffer = 0;
    source.pub.next_input_byte = nullptr;
    cinfo->src = &source.pub;
}

// Everything a decoding must free or keep, reachable through one pointer so that a jump back
// to the recovery point finds it intact.
struct JpegState {
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    JpegFileSource source;
    bool created = false;
    bool headerRead = false;
    bool started = false;
    std::optional<BoxReducer> reducer;
    std::vector<std::uint8_t> row;
    Decoded result;
    ~JpegState() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

// The largest of 1/8, 1/4, 1/2, 1 that keeps the decoded picture at least target x target
// boxes, so the reduction is done in the DCT.
unsigned JpegScaleDenominator(unsigned width, unsigned height, const QSize& target) {
    for (unsigned denominator = 8; denominator > 1; denominator /= 2) {
        const unsigned w = (width + denominator - 1) / denominator;
        const unsigned h = (height + denominator - 1) / denominator;
        if (w >= static_cast<unsigned>(target.width()) &&
            h >= static_cast<unsigned>(target.height()))
            return denominator;
    }
    return 1;
}

// Decodes the picture the header of `state` describes (read already), scaled in the DCT and
// reduced to boxes for a thumbnail of longer side `side`. The state's reducer holds the rows
// decoded; false when a jump ended it or the picture cannot be decoded.
bool DecodeJpegRows(JpegState& state, int side) {
    jpeg_decompress_struct& cinfo = state.cinfo;
    const QSize target = ReducedSize(static_cast<int>(cinfo.image_width),
                                     static_cast<int>(cinfo.image_height), side);
    cinfo.scale_num = 1;
    cinfo.scale_denom = JpegScaleDenominator(cinfo.image_width, cinfo.image_height, target);
    cinfo.out_color_space = cinfo.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.do_block_smoothing = FALSE;
    jpeg_calc_output_dimensions(&cinfo);
    const int width = static_cast<int>(cinfo.output_width);
    const int height = static_cast<int>(cinfo.output_height);
    if (width <= 0 || height <= 0) return false;
    state.reducer.emplace(width, height, std::min(width, target.width()),
                          std::min(height, target.height()));
    if (!state.reducer->IsValid()) return false;
    state.row.resize(static_cast<std::size_t>(width) * 3);
    state.started = true;
    jpeg_start_decompress(&cinfo);
    const int channels = cinfo.output_components;
    if (channels != 1 && channels != 3) return false;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = state.row.data();
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) return false;
        state.reducer->AddRow(y, state.row.data(), channels);
    }
    return true;
}

// The reduced rows of a JPEG held in memory (an EXIF thumbnail), when its header says it is
// between `smallest` and kLargestExifThumbnail on its longer side and its aspect is that of
// a width x height picture; null otherwise or when it does not decode in full.
QImage DecodeExifThumbnail(const unsigned char* data, std::size_t size, int smallest, int width,
                           int height, int side) {
    auto state = std::make_unique<JpegState>();
    UseJpegErrors(reinterpret_cast<j_common_ptr>(&state->cinfo), state->errors);
    if (setjmp(state->errors.recovery)) return {};
    jpeg_create_decompress(&state->cinfo);
    state->created = true;
    jpeg_mem_src(&state->cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&state->cinfo, TRUE) != JPEG_HEADER_OK) return {};
    const int w = static_cast<int>(state->cinfo.image_width);
    const int h = static_cast<int>(state->cinfo.image_height);
    const int longer = std::max(w, h);
    if (w <= 0 || h <= 0 || longer < smallest || longer > kLargestExifThumbnail) return {};
    const double aspect = static_cast<double>(w) / h;
    const double pictureAspect = static_cast<double>(width) / height;
    if (std::abs(aspect - pictureAspect) > kExifAspectTolerance * pictureAspect) return {};
    if (!DecodeJpegRows(*state, side)) return {};
    return state->reducer->Finish();
}

// The orientation of IFD 0 and, when the EXIF data hold a JPEG thumbnail whose own
// orientation (if it has one) is the same, that thumbnail.
struct ExifFacts {
    int orientation = 1;
    std::vector<unsigned char> thumbnail;
};

std::optional<int> ExifOrientation(ExifData* data, ExifIfd ifd) {
    ExifEntry* entry = exif_content_get_entry(data->ifd[ifd], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || entry->size < 2 ||
        !entry->data)
        return std::nullopt;
    return exif_get_short(entry->data, exif_data_get_byte_order(data));
}

ExifFacts ReadExifFacts(const unsigned char* app1, unsigned length) {
    ExifFacts facts;
    struct Unref {
        void operator()(ExifData* data) const noexcept { exif_data_unref(data); }
    };
    std::unique_ptr<ExifData, Unref> data(exif_data_new());
    if (!data) return facts;
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data.get(), app1, length);
    const std::optional<int> main = ExifOrientation(data.get(), EXIF_IFD_0);
    facts.orientation = main.value_or(1);
    const std::optional<int> own = ExifOrientation(data.get(), EXIF_IFD_1);
    if (data->data && data->size > 3 && data->data[0] == 0xFF && data->data[1] == 0xD8 &&
        (!own || *own == facts.orientation))
        facts.thumbnail.assign(data->data, data->data + data->size);
    return facts;
}

Decoded DecodeJpeg(const std::string& path, int side) {
    FilePtr file = OpenFile(path, "rb");
    const std::int64_t fileSize = file ? FileSize(file.get()) : -1;
    if (fileSize < 0) return {};
    auto state = std::make_unique<JpegState>();
    Decoded& result = state->result;
    UseJpegErrors(reinterpret_cast<j_common_ptr>(&state->cinfo), state->errors);
    if (setjmp(state->errors.recovery)) {
        // A jump from the header leaves it unread; one from the rows keeps what they gave.
        if (state->started && state->reducer) state->result.image = state->reducer->Finish();
        return std::move(state->result);
    }
    jpeg_create_decompress(&state->cinfo);
    state->created = true;
    jpeg_save_markers(&state->cinfo, JPEG_APP0 + 1, 0xFFFF);
    UseFileSource(&state->cinfo, state->source, file.get());
    if (jpeg_read_header(&state->cinfo, TRUE) != JPEG_HEADER_OK) return result;
    const int width = static_cast<int>(state->cinfo.image_width);
    const int height = static_cast<int>(state->cinfo.image_height);
    if (width <= 0 || height <= 0 || width > CImageImpl::kMaxSide ||
        height > CImageImpl::kMaxSide || !JpegFileCanHoldBlocks(state->cinfo, fileSize))
        return {};
    result.header = true;
    result.width = width;
    result.height = height;

    for (jpeg_saved_marker_ptr marker = state->cinfo.marker_list; marker; marker = marker->next) {
        if (marker->marker != JPEG_APP0 + 1 || marker->data_length < 6 ||
            std::memcmp(marker->data, "Exif\0\0", 6) != 0)
            continue;
        const ExifFacts facts = ReadExifFacts(marker->data, marker->data_length);
        result.orientation = facts.orientation;
        if (!facts.thumbnail.empty()) {
            QImage thumbnail =
                DecodeExifThumbnail(facts.thumbnail.data(), facts.thumbnail.size(),
                                    std::max(kSmallestExifThumbnail, side), width, height, side);
            if (!thumbnail.isNull()) {
                result.image = std::move(thumbnail);
                result.complete = true;
                return std::move(result);
            }
        }
        break;
    }
    result.complete = DecodeJpegRows(*state, side);
    if (state->reducer) result.image = state->reducer->Finish();
    return std::move(result);
}

// ---------------------------------------------------------------------------------------
// PNG

constexpr char kPngVersion[] = PNG_LIBPNG_VER_STRING;
constexpr png_alloc_size_t kLargestPngChunk = 8 << 20;

[[noreturn]] void PngErrorExit(png_structp png, png_const_charp /*message*/) {
    png_longjmp(png, 1);
}

void PngIgnoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

struct PngReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    FilePtr file;
    std::optional<BoxReducer> reducer;
    std::vector<std::uint8_t> row;
    Decoded result;
    ~PngReadState() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

// Reads the rows into the reducer. An interlaced file is read pass by pass and only the last
// pass, which holds every odd row in full, is kept: the reduction needs no more, and no
// pass has to be held for the next one.
void ReadPngRows(PngReadState& state, int width, int height, bool interlaced, int channels) {
    png_structp png = state.png;
    if (!interlaced) {
        for (int y = 0; y < height; ++y) {
            png_read_row(png, state.row.data(), nullptr);
            state.reducer->AddRow(y, state.row.data(), channels);
        }
        return;
    }
    for (int pass = 0; pass < 7; ++pass) {
        const png_uint_32 columns = PNG_PASS_COLS(static_cast<png_uint_32>(width), pass);
        const png_uint_32 rows = PNG_PASS_ROWS(static_cast<png_uint_32>(height), pass);
        if (columns == 0 || rows == 0) continue;
        for (png_uint_32 i = 0; i < rows; ++i) {
            png_read_row(png, state.row.data(), nullptr);
            if (pass == 6)
                state.reducer->AddRow(static_cast<int>(2 * i + 1), state.row.data(), channels);
        }
    }
}

Decoded DecodePng(const std::string& path, int side) {
    auto state = std::make_unique<PngReadState>();
    Decoded& result = state->result;
    state->file = OpenFile(path, "rb");
    const std::int64_t fileSize = state->file ? FileSize(state->file.get()) : -1;
    if (fileSize < 0) return {};
    state->png = png_create_read_struct(kPngVersion, nullptr, PngErrorExit, PngIgnoreWarning);
    if (!state->png) return {};
    state->info = png_create_info_struct(state->png);
    if (!state->info) return {};
    if (setjmp(png_jmpbuf(state->png))) {
        if (state->reducer) state->result.image = state->reducer->Finish();
        return std::move(state->result);
    }
    png_structp png = state->png;
    png_infop info = state->info;
    png_set_user_limits(png, CImageImpl::kMaxSide, CImageImpl::kMaxSide);
    // Chunks a thumbnail has no use for, which libpng would otherwise read whole into memory
    // (a damaged one may claim a gigabyte), are skipped; others may not claim more than this.
    static constexpr png_byte kSkipped[] = "tEXt\0zTXt\0iTXt\0iCCP\0eXIf\0sPLT\0hIST\0pCAL\0sCAL";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped, 9);
    png_set_chunk_malloc_max(png, kLargestPngChunk);
    png_init_io(png, state->file.get());
    png_read_info(png, info);
    const int width = static_cast<int>(png_get_image_width(png, info));
    const int height = static_cast<int>(png_get_image_height(png, info));
    // The rows, decoded, cannot be longer than deflate can expand the file to (1032 times).
    const double rawBytes = static_cast<double>(width) * height * png_get_bit_depth(png, info) *
                            png_get_channels(png, info) / 8;
    if (width <= 0 || height <= 0 || rawBytes > 1032.0 * static_cast<double>(fileSize)) return {};
    result.header = true;
    result.width = width;
    result.height = height;
    const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    if (interlaced && height < 2) {
        result.needsLayer = true; // no row in the last pass
        return std::move(result);
    }

    png_set_expand(png); // palette to RGB, small greys to 8 bits, transparency to alpha
    png_set_strip_16(png);
    png_read_update_info(png, info);
    const int channels = png_get_channels(png, info);
    if (png_get_bit_depth(png, info) != 8 || channels < 1 || channels > 4 ||
        png_get_rowbytes(png, info) < static_cast<std::size_t>(width) * channels)
        return std::move(result);
    const QSize target = ReducedSize(width, height, side);
    // An interlaced picture keeps only its odd rows: at least two per box.
    const int boxRows = interlaced ? std::min(target.height(), height / 2) : target.height();
    state->reducer.emplace(width, height, target.width(), boxRows);
    if (!state->reducer->IsValid()) return std::move(result);
    state->row.resize(png_get_rowbytes(png, info));
    ReadPngRows(*state, width, height, interlaced, channels);
    result.image = state->reducer->Finish();
    result.complete = true;
    return std::move(result);
}

// ---------------------------------------------------------------------------------------
// TIFF

Decoded DecodeTiff(const std::string& path, int side) {
    Decoded result;
    TiffPtr tif = OpenTiffQuietly(path, "r");
    if (!tif) return result;
    TIFF* t = tif.get();
    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height))
        return result;
    if (width == 0 || height == 0 || width > static_cast<std::uint32_t>(CImageImpl::kMaxSide) ||
        height > static_cast<std::uint32_t>(CImageImpl::kMaxSide))
        return result;
    result.header = true;
    result.width = static_cast<int>(width);
    result.height = static_cast<int>(height);

    std::uint16_t bits = 1, samples = 1, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
    std::uint16_t photometric = 0, orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(t, TIFFTAG_ORIENTATION, &orientation);
    const bool hasPhotometric = TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric) != 0;
    const bool grey =
        photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    const bool rgb = photometric == PHOTOMETRIC_RGB;
    // Files laid out as plain rows of grey or RGB samples are read here, row by row, as the
    // picture layer reads them: 16-bit samples by their high byte in stored order, 8-bit ones
    // turned to the top-left orientation (which only files of that orientation need not be).
    const bool plain = hasPhotometric && !TIFFIsTiled(t) && planar == PLANARCONFIG_CONTIG &&
                       format == SAMPLEFORMAT_UINT && (bits == 8 || bits == 16) &&
                       ((grey && samples <= 2) || (rgb && samples >= 3 && samples <= 4)) &&
                       (bits == 16 || orientation == ORIENTATION_TOPLEFT);
    if (!plain) {
        result.needsLayer = true; // tiles, palettes, YCbCr, separate planes, ...
        return result;
    }
    const tmsize_t lineBytes = TIFFScanlineSize(t);
    if (lineBytes < static_cast<tmsize_t>(width) * samples * (bits / 8)) return result;
    const QSize target = ReducedSize(result.width, result.height, side);
    BoxReducer reducer(result.width, result.height, target.width(), target.height());
    if (!reducer.IsValid()) return result;
    std::vector<std::uint8_t> line(static_cast<std::size_t>(lineBytes));
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * 3);
    const bool whiteIsZero = photometric == PHOTOMETRIC_MINISWHITE;
    for (std::uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(t, line.data(), y, 0) < 0) {
            result.image = reducer.Finish();
            return result;
        }
        for (std::uint32_t x = 0; x < width; ++x) {
            for (int c = 0; c < (grey ? 1 : 3); ++c) {
                const std::size_t sample = static_cast<std::size_t>(x) * samples + c;
                std::uint8_t value = 0;
                if (bits == 16) {
                    std::uint16_t wide = 0;
                    std::memcpy(&wide, line.data() + 2 * sample, 2);
                    value = static_cast<std::uint8_t>(wide >> 8);
                } else {
                    value = line[sample];
                }
                if (whiteIsZero) value = static_cast<std::uint8_t>(255 - value);
                pixels[static_cast<std::size_t>(x) * (grey ? 1 : 3) + c] = value;
            }
        }
        reducer.AddRow(static_cast<int>(y), pixels.data(), grey ? 1 : 3);
    }
    result.image = reducer.Finish();
    result.complete = true;
    return result;
}

// ---------------------------------------------------------------------------------------
// BMP and GIF headers; their pictures are read by the picture layer.

bool ReadHead(const std::string& path, std::vector<std::uint8_t>& head, std::size_t count) {
    FilePtr file = OpenFile(path, "rb");
    if (!file || FileSize(file.get()) < 0) return false;
    head.resize(count);
    head.resize(std::fread(head.data(), 1, count, file.get()));
    return true;
}

bool SaneSides(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= CImageImpl::kMaxSide &&
           height <= CImageImpl::kMaxSide;
}

// The size a bitmap's header gives (the 14-byte file header is optional, as for the reader).
Decoded BmpHeader(const std::string& path) {
    Decoded result;
    std::vector<std::uint8_t> head;
    if (!ReadHead(path, head, 14 + 40)) return result;
    const std::size_t start = head.size() >= 2 && head[0] == 'B' && head[1] == 'M' ? 14 : 0;
    if (head.size() < start + 16) return result;
    const BYTE* info = head.data() + start;
    const std::uint32_t headerSize = GetLe32(info);
    std::int64_t width = 0, height = 0;
    int bits = 0;
    if (headerSize == 12) {
        width = GetLe16(info + 4);
        height = GetLe16(info + 6);
        bits = GetLe16(info + 10);
    } else if (headerSize >= 40 && headerSize <= 1024 && head.size() >= start + 40) {
        width = static_cast<std::int32_t>(GetLe32(info + 4));
        height = static_cast<std::int32_t>(GetLe32(info + 8));
        bits = GetLe16(info + 14);
    } else {
        return result;
    }
    height = height < 0 ? -height : height;
    const bool depth =
        bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!depth || !SaneSides(width, height)) return result;
    result.header = true;
    result.width = static_cast<int>(width);
    result.height = static_cast<int>(height);
    return result;
}

// The logical screen of a GIF (the first picture, which the layer reads, may be smaller).
Decoded GifHeader(const std::string& path) {
    Decoded result;
    std::vector<std::uint8_t> head;
    if (!ReadHead(path, head, 13) || head.size() < 13) return result;
    if (std::memcmp(head.data(), "GIF87a", 6) != 0 && std::memcmp(head.data(), "GIF89a", 6) != 0)
        return result;
    const int width = GetLe16(head.data() + 6);
    const int height = GetLe16(head.data() + 8);
    if (!SaneSides(width, height)) return result;
    result.header = true;
    result.width = width;
    result.height = height;
    return result;
}

// Reads the whole picture through the picture layer and reduces it. A thumbnail is not worth
// more than this many pixels of memory (a run-length BMP of a few bytes can claim billions).
constexpr std::int64_t kLayerPixelLimit = 250'000'000;

void DecodeThroughLayer(const std::string& path, int type, int side, Decoded& result) {
    const std::unique_ptr<CImageImpl> picture = CImageImpl::New(type);
    picture->SetPixelLimit(kLayerPixelLimit);
    if (!picture->ReadFile(path) || !picture->IsValid()) return;
    result.header = true;
    result.width = picture->GetWidth();
    result.height = picture->GetHeight();
    const QSize target = ReducedSize(result.width, result.height, side);
    const std::unique_ptr<CImageImpl> reduced =
        picture->MakeThumbnail(target.width(), target.height());
    if (!reduced) return;
    result.image = ToQImage(*reduced).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    result.complete = !result.image.isNull();
}

Decoded DecodeFile(const std::string& path, int type, int side) {
    switch (type) {
    case kImageTypeJpeg:
        return DecodeJpeg(path, side);
    case kImageTypePng:
    case kImageTypeTiff: {
        Decoded result = type == kImageTypePng ? DecodePng(path, side) : DecodeTiff(path, side);
        if (result.needsLayer) DecodeThroughLayer(path, type, side, result);
        return result;
    }
    case kImageTypeBmp:
    case kImageTypeGif: {
        Decoded result = type == kImageTypeBmp ? BmpHeader(path) : GifHeader(path);
        if (result.header) DecodeThroughLayer(path, type, side, result);
        return result;
    }
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------------------
// Final thumbnails

// `image` (premultiplied ARGB) scaled to fit side x side with the aspect of a width x height
// picture (or its own), composed over `background`.
QImage FinishThumbnail(const QImage& image, int width, int height, int side, QColor background) {
    if (image.isNull()) return {};
    const QSize fitted = width > 0 && height > 0 ? FitInside(width, height, side)
                                                 : FitInside(image.width(), image.height(), side);
    QImage scaled = image.size() == fitted
                        ? image
                        : image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled = scaled.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out(fitted, QImage::Format_RGB32);
    if (out.isNull() || scaled.isNull()) return {};
    const int backRed = background.red(), backGreen = background.green(),
              backBlue = background.blue();
    for (int y = 0; y < fitted.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < fitted.width(); ++x) {
            const int rest = 255 - qAlpha(in[x]);
            auto over = [&](int value, int back) { return value + (back * rest + 127) / 255; };
            dst[x] = qRgb(over(qRed(in[x]), backRed), over(qGreen(in[x]), backGreen),
                          over(qBlue(in[x]), backBlue));
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// The shared cache

struct CacheKey {
    QString file;     // the cache file
    QByteArray uri;   // the picture's file URI
    QByteArray mtime; // its modification time in seconds
    QByteArray size;  // its size in bytes
};

QString CacheRoot() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + "/.cache";
    return QDir::cleanPath(base) + "/thumbnails";
}

std::optional<CacheKey> MakeCacheKey(const QString& absolutePath, const struct stat& status) {
    const QString root = CacheRoot();
    if (absolutePath.startsWith(root + '/')) return std::nullopt; // never thumbnails of thumbnails
    CacheKey key;
    key.uri = QUrl::fromLocalFile(absolutePath).toEncoded();
    const QByteArray digest = QCryptographicHash::hash(key.uri, QCryptographicHash::Md5).toHex();
    key.file = root + "/normal/" + QString::fromLatin1(digest) + ".png";
    key.mtime = QByteArray::number(static_cast<qlonglong>(status.st_mtime));
    key.size = QByteArray::number(static_cast<qlonglong>(status.st_size));
    return key;
}

// A cache entry made for this file as it is now: its picture (premultiplied ARGB) and the
// picture size it records (0 when it records none).
struct CacheEntry {
    QImage image;
    int width = 0;
    int height = 0;
};

std::optional<CacheEntry> ReadCacheEntry(const CacheKey& key) {
    QImageReader reader(key.file, "png");
    QImage image;
    if (!reader.read(&image) || image.isNull()) return std::nullopt;
    if (image.text(QStringLiteral("Thumb::URI")).toUtf8() != key.uri ||
        image.text(QStringLiteral("Thumb::MTime")).toLatin1() != key.mtime)
        return std::nullopt;
    CacheEntry entry;
    entry.image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    entry.width = image.text(QStringLiteral("Thumb::Image::Width")).toInt();
    entry.height = image.text(QStringLiteral("Thumb::Image::Height")).toInt();
    if (entry.width <= 0 || entry.height <= 0) entry.width = entry.height = 0;
    return entry;
}

struct PngWriteState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_text> chunks;
    ~PngWriteState() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

// Everything the writer does that may jump back to its recovery point; it keeps no state of
// its own.
void WritePngRows(PngWriteState& state, std::FILE* file, const QImage& image) {
    png_structp png = state.png;
    png_infop info = state.info;
    const bool alpha = image.format() == QImage::Format_RGBA8888;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
                 static_cast<png_uint_32>(image.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_text(png, info, state.chunks.data(), static_cast<int>(state.chunks.size()));
    png_set_compression_level(png, 1); // a small picture: speed matters more than bytes
    png_write_info(png, info);
    for (int y = 0; y < image.height(); ++y)
        png_write_row(png, const_cast<png_bytep>(image.constScanLine(y)));
    png_write_end(png, nullptr);
}

// Writes `image` (RGB888 or RGBA8888) with tEXt chunks to `file`; false on any failure.
bool WritePng(std::FILE* file, const QImage& image,
              const std::vector<std::pair<QByteArray, QByteArray>>& texts) {
    auto state = std::make_unique<PngWriteState>();
    state->png = png_create_write_struct(kPngVersion, nullptr, PngErrorExit, PngIgnoreWarning);
    if (!state->png) return false;
    state->info = png_create_info_struct(state->png);
    if (!state->info) return false;
    state->chunks.resize(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        png_text& chunk = state->chunks[i];
        chunk.compression = PNG_TEXT_COMPRESSION_NONE;
        chunk.key = const_cast<char*>(texts[i].first.constData());
        chunk.text = const_cast<char*>(texts[i].second.constData());
        chunk.text_length = static_cast<std::size_t>(texts[i].second.size());
    }
    if (setjmp(png_jmpbuf(state->png))) return false;
    WritePngRows(*state, file, image);
    return true;
}

// Makes a folder with mode 0700 unless it exists.
bool MakePrivateFolder(const QString& folder) {
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) == 0) return true;
    struct stat status {};
    return ::stat(name.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Stores `image` (premultiplied ARGB, at most 128 x 128) for the file: written to a private
// temporary file in the same folder and renamed over the entry, so a reader never finds half
// a file.
void WriteCacheEntry(const CacheKey& key, const QImage& image, int width, int height) {
    const QString normal = QFileInfo(key.file).absolutePath();
    const QString root = QFileInfo(normal).absolutePath();
    if (!QDir().mkpath(QFileInfo(root).absolutePath()) || !MakePrivateFolder(root) ||
        !MakePrivateFolder(normal))
        return;
    bool opaque = true;
    for (int y = 0; y < image.height() && opaque; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) != 255) {
                opaque = false;
                break;
            }
        }
    }
    const QImage pixels =
        image.convertToFormat(opaque ? QImage::Format_RGB888 : QImage::Format_RGBA8888);
    if (pixels.isNull()) return;
    const std::vector<std::pair<QByteArray, QByteArray>> texts{
        {"Thumb::URI", key.uri},
        {"Thumb::MTime", key.mtime},
        {"Thumb::Size", key.size},
        {"Thumb::Image::Width", QByteArray::number(width)},
        {"Thumb::Image::Height", QByteArray::number(height)},
        {"Software", kSoftware},
    };
    QByteArray temporary = QFile::encodeName(key.file) + ".XXXXXX";
    const int descriptor = ::mkstemp(temporary.data()); // mode 0600
    if (descriptor < 0) return;
    std::FILE* file = ::fdopen(descriptor, "wb");
    if (!file) {
        ::close(descriptor);
        ::unlink(temporary.constData());
        return;
    }
    bool written = WritePng(file, pixels, texts);
    written = std::fflush(file) == 0 && std::ferror(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written || ::rename(temporary.constData(), QFile::encodeName(key.file).constData()) != 0)
        ::unlink(temporary.constData());
}

} // namespace

QString SharedThumbnailFolder() {
    return CacheRoot() + "/normal";
}

FileThumbnail MakeFileThumbnail(const QString& path, int size, QColor background,
                                bool useSharedCache) {
    FileThumbnail made;
    if (size <= 0) return made;
    const PicturePromptCapture quiet; // boxes of the picture layer are dropped
    const QString absolutePath = QFileInfo(path).absoluteFilePath();
    const std::string localPath = QFile::encodeName(absolutePath).toStdString();
    struct stat status {};
    if (::stat(localPath.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return made;
    const int type = PictureTypeOfFile(localPath);
    if (type == kImageTypeNone) return made;

    std::optional<CacheKey> key;
    if (useSharedCache && size <= kCacheSide) key = MakeCacheKey(absolutePath, status);
    if (key) {
        if (std::optional<CacheEntry> entry = ReadCacheEntry(*key)) {
            made.isPicture = true;
            made.width = entry->width;
            made.height = entry->height;
            made.thumbnail =
                FinishThumbnail(entry->image, entry->width, entry->height, size, background);
            return made;
        }
    }

    const int side = key ? kCacheSide : size;
    const Decoded decoded = DecodeFile(localPath, type, side);
    if (!decoded.header) return made;
    made.isPicture = true;
    made.width = decoded.width;
    made.height = decoded.height;
    if (decoded.image.isNull()) return made;
    if (!key) {
        made.thumbnail =
            FinishThumbnail(decoded.image, decoded.width, decoded.height, size, background);
        return made;
    }
    // The cache holds the picture at 128 on its longer side at most, never enlarged.
    const QSize normal = ReducedSize(decoded.width, decoded.height, kCacheSide);
    const QImage stored =
        decoded.image.size() == normal
            ? decoded.image
            : decoded.image.scaled(normal, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (decoded.complete && decoded.orientation == 1 && !stored.isNull())
        WriteCacheEntry(*key, stored, decoded.width, decoded.height);
    made.thumbnail = FinishThumbnail(stored, decoded.width, decoded.height, size, background);
    return made;
}
