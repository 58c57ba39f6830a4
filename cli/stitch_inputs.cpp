#include "stitch_inputs.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "picture_prompt.h"

namespace {

constexpr int kSmallestSide = 240;
constexpr int kLargestSide = 100000;
constexpr double kSizeTolerance = 1.1;

std::string Lower(std::string text) {
    for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

struct TextLine {
    int number = 0; // counted from 1
    std::string text;
};

// Lines of a text file without comments and blank lines, with their numbers.
bool ReadLines(const std::string& path, std::vector<TextLine>* lines, std::string* error) {
    std::ifstream file(path);
    if (!file) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        const std::size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line[start] == '#') continue;
        lines->push_back({number, line});
    }
    return true;
}

// "path:number: " for a message about one line of a file.
std::string Where(const std::string& path, const TextLine& line) {
    return path + ":" + std::to_string(line.number) + ": ";
}

// The entries that colour a palette picture's indexes, as the picture itself uses them.
std::vector<RGBQUAD> ColourEntries(const CImageImpl& picture) {
    return picture.HasPalette() ? picture.ReadPalette() : picture.GetColorTable();
}

bool IsGreyRamp(const std::vector<RGBQUAD>& entries) {
    if (entries.size() != 256) return false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const RGBQUAD& e = entries[i];
        if (e.rgbRed != i || e.rgbGreen != i || e.rgbBlue != i) return false;
    }
    return true;
}

// A copy of `picture` with 24 bits per pixel, or null when memory runs out.
std::unique_ptr<CImageImpl> ToColour(const CImageImpl& picture) {
    const int w = picture.GetWidth(), h = picture.GetHeight();
    std::unique_ptr<CImageImpl> colour = CImageImpl::Create(w, h, 24, picture.GetType());
    if (!colour) return nullptr;
    std::vector<BYTE> rgb(static_cast<std::size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
        picture.RowToRgb(y, rgb.data());
        BYTE* out = colour->GetRow(y);
        for (int x = 0; x < w; ++x) {
            out[3 * x] = rgb[3 * x + 2]; // the picture stores blue, green, red
            out[3 * x + 1] = rgb[3 * x + 1];
            out[3 * x + 2] = rgb[3 * x];
        }
    }
    colour->SetFileName(picture.GetFileName());
    return colour;
}

// A copy of a palette picture whose entries are all grey as an 8-bit picture of grey levels
// (index = level), or null when memory runs out. Indexes past the table are black.
std::unique_ptr<CImageImpl> ToGrey(const CImageImpl& picture, const std::vector<RGBQUAD>& entries) {
    const int w = picture.GetWidth(), h = picture.GetHeight();
    std::unique_ptr<CImageImpl> grey = CImageImpl::Create(w, h, 8, picture.GetType());
    if (!grey) return nullptr;
    grey->SetPalette(GreyPalette(256));
    for (int y = 0; y < h; ++y) {
        BYTE* out = grey->GetRow(y);
        for (int x = 0; x < w; ++x) {
            const int index = picture.GetPixelIndex(x, y);
            out[x] = index >= 0 && static_cast<std::size_t>(index) < entries.size()
                         ? entries[static_cast<std::size_t>(index)].rgbRed
                         : 0;
        }
    }
    grey->SetFileName(picture.GetFileName());
    return grey;
}

// The picture in a form the engine takes: 24 bits per pixel, or 8 bits of grey levels (a grey
// ramp as its colour table). Palette pictures whose colours are all grey become grey, other
// palette pictures colour. Null with `error` set when that cannot be done.
std::unique_ptr<CImageImpl> ToEngineDepth(std::unique_ptr<CImageImpl> picture,
                                          const std::string& path, std::string* error) {
    const int bits = picture->GetBitsPerPixel();
    if (bits == 24) return picture;
    if (bits != 1 && bits != 4 && bits != 8) {
        *error = path + ": pictures of " + std::to_string(bits) +
                 " bits per pixel cannot be used (1, 4, 8 and 24 can)";
        return nullptr;
    }
    const std::vector<RGBQUAD> entries = ColourEntries(*picture);
    if (bits == 8 && IsGreyRamp(entries) && IsGreyRamp(picture->GetColorTable())) return picture;
    const bool grey = std::all_of(entries.begin(), entries.end(), [](const RGBQUAD& e) {
        return e.rgbRed == e.rgbGreen && e.rgbGreen == e.rgbBlue;
    });
    std::unique_ptr<CImageImpl> converted = grey ? ToGrey(*picture, entries) : ToColour(*picture);
    if (!converted)
        *error = path + ": not enough memory to convert the picture from " + std::to_string(bits) +
                 " to " + (grey ? "8" : "24") + " bits per pixel";
    return converted;
}

// One input read, checked and brought to the engine's depth and turn, or the reason it cannot
// be; the picture layer's boxes are held to be shown in input order.
struct Prepared {
    bool done = false;
    std::unique_ptr<CImageImpl> picture;
    int fileWidth = 0;
    int fileHeight = 0;
    std::string error;
    std::vector<std::string> prompts;
    std::exception_ptr failure; // an exception to pass on where the input comes
};

Prepared Prepare(const std::string& path, int rotate) {
    Prepared slot;
    slot.done = true;
    PicturePromptCapture capture;
    try {
        std::unique_ptr<CImageImpl> picture = ReadPictureFile(path, &slot.error);
        if (picture) {
            slot.fileWidth = picture->GetWidth();
            slot.fileHeight = picture->GetHeight();
            // The sides are checked before any work on the picture; a quarter turn swaps them.
            const bool across = rotate % 2 != 0;
            const int w = across ? slot.fileHeight : slot.fileWidth;
            const int h = across ? slot.fileWidth : slot.fileHeight;
            if (std::max(w, h) > kLargestSide || std::min(w, h) < kSmallestSide) {
                slot.error = path + ": Something wrong with the image size. (" + std::to_string(w) +
                             " x " + std::to_string(h) +
                             "; the smaller side must be at least 240 pixels, the larger at most "
                             "100000)";
                picture.reset();
            }
        }
        if (picture) picture = ToEngineDepth(std::move(picture), path, &slot.error);
        if (picture && rotate != 0) {
            picture = picture->Rotated(rotate);
            if (!picture) slot.error = path + ": not enough memory to turn the picture";
        }
        slot.picture = std::move(picture);
    } catch (...) {
        slot.picture.reset();
        slot.failure = std::current_exception();
    }
    slot.prompts = capture.Texts();
    return slot;
}

// How many pictures are read at once: STITCHKIT_THREADS (1 to 8) as for the engine's workers,
// else one per core, at most 8.
unsigned ReadingWorkers() {
    if (const char* text = std::getenv("STITCHKIT_THREADS")) {
        const long n = std::strtol(text, nullptr, 10);
        if (n >= 1 && n <= 8) return static_cast<unsigned>(n);
    }
    return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}

// Reads the inputs given for the first time on several threads, each taking the next unread
// input; the calling thread takes part. TIFF files are left to the caller: libtiff writes its
// warnings to standard error itself, and they must come in input order. Inputs after one that
// failed are not read.
std::vector<Prepared> PrepareAll(const StitchOptions& options, const std::vector<bool>& first) {
    const std::size_t count = options.inputs.size();
    std::vector<Prepared> prepared(count);
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> failedAt{count};
    auto work = [&] {
        for (std::size_t k = next++; k < count && k < failedAt.load(); k = next++) {
            if (!first[k] || PictureTypeForPath(options.inputs[k]) == kImageTypeTiff) continue;
            prepared[k] = Prepare(options.inputs[k], options.rotate);
            if (!prepared[k].picture) {
                std::size_t known = failedAt.load();
                while (k < known && !failedAt.compare_exchange_weak(known, k)) {
                }
            }
        }
    };
    const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(ReadingWorkers(), count));
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < workers; ++t) {
        try {
            pool.emplace_back(work);
        } catch (...) {
            break; // no thread to be had: fewer workers
        }
    }
    work();
    for (std::thread& thread : pool) thread.join();
    return prepared;
}

} // namespace

std::unique_ptr<CImageImpl> ReadPictureFile(const std::string& path, std::string* error) {
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
        *error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    const int type = PictureTypeForPath(path);
    if (type == kImageTypeNone) {
        *error = path + ": not a picture file this program reads (jpg, bmp, tif, png, gif)";
        return nullptr;
    }
    std::unique_ptr<CImageImpl> picture = CImageImpl::Open(path, type);
    if (!picture || !picture->IsValid()) {
        *error = path + ": the picture cannot be read (damaged or not of its kind)";
        return nullptr;
    }
    return picture;
}

std::unique_ptr<CImageImpl> ReadInputPicture(const std::string& path, std::string* error) {
    std::unique_ptr<CImageImpl> picture = ReadPictureFile(path, error);
    return picture ? ToEngineDepth(std::move(picture), path, error) : nullptr;
}

int PictureTypeForPath(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return kImageTypeNone;
    const std::string ext = Lower(path.substr(dot + 1));
    if (ext == "jpg" || ext == "jpeg") return kImageTypeJpeg;
    if (ext == "bmp" || ext == "rle") return kImageTypeBmp;
    if (ext == "tif" || ext == "tiff") return kImageTypeTiff;
    if (ext == "png") return kImageTypePng;
    if (ext == "gif") return kImageTypeGif;
    return kImageTypeNone;
}

int LoadStitchInputs(const StitchOptions& options, StitchInputs* inputs, std::string* error) {
    // The first time each path is given; a path given again is refused where it comes.
    std::set<std::string> seen;
    std::vector<bool> first(options.inputs.size());
    for (std::size_t k = 0; k < options.inputs.size(); ++k)
        first[k] = seen.insert(options.inputs[k]).second;
    std::vector<Prepared> prepared = PrepareAll(options, first);
    int minW = 0, maxW = 0, minH = 0, maxH = 0;
    for (std::size_t k = 0; k < options.inputs.size(); ++k) {
        const std::string& path = options.inputs[k];
        if (!first[k]) {
            *error = path + ": given twice";
            return kExitNoInput;
        }
        Prepared& slot = prepared[k];
        if (!slot.done) slot = Prepare(path, options.rotate); // on this thread (TIFF)
        for (const std::string& text : slot.prompts) PicturePrompt(text);
        if (slot.failure) std::rethrow_exception(slot.failure);
        if (!slot.picture) {
            *error = slot.error;
            return kExitNoInput;
        }
        std::unique_ptr<CImageImpl> picture = std::move(slot.picture);
        InputPicture input;
        input.path = path;
        input.fileWidth = slot.fileWidth;
        input.fileHeight = slot.fileHeight;
        const bool across = options.rotate % 2 != 0;
        const int w = across ? input.fileHeight : input.fileWidth;
        const int h = across ? input.fileWidth : input.fileHeight;
        if (inputs->pictures.empty()) {
            minW = maxW = w;
            minH = maxH = h;
        } else if (w != minW || h != minH) {
            // A mixed-size list is accepted within 10 percent and trimmed to the common size.
            const bool widthFits = (w >= minW || w * kSizeTolerance >= maxW) &&
                                   (w <= maxW || minW * kSizeTolerance >= w);
            const bool heightFits = (h >= minH || h * kSizeTolerance >= maxH) &&
                                    (h <= maxH || minH * kSizeTolerance >= h);
            if (!widthFits || !heightFits) {
                const std::string reason = path + ": Image size is wrong. (" +
                                           std::to_string(minW) + " X " + std::to_string(minH) +
                                           " ?+10%)";
                // Offsets and matches files count the pictures: none may go missing there.
                if (!options.offsets.empty() || !options.matches.empty()) {
                    *error = reason;
                    return kExitNoInput;
                }
                std::fprintf(stderr, "quiltstitch: warning: %s; the picture is left out\n",
                             reason.c_str());
                inputs->skipped.push_back({path, reason});
                continue;
            }
            minW = std::min(minW, w);
            maxW = std::max(maxW, w);
            minH = std::min(minH, h);
            maxH = std::max(maxH, h);
        }
        input.picture = std::move(picture);
        inputs->pictures.push_back(std::move(input));
    }
    if (!inputs->skipped.empty() && inputs->pictures.size() < 2) {
        *error = inputs->skipped.front().reason + "; fewer than two pictures remain";
        return kExitNoInput;
    }
    // The engine joins pictures of one kind: grey pictures among colour ones become colour.
    const bool anyColour =
        std::any_of(inputs->pictures.begin(), inputs->pictures.end(),
                    [](const InputPicture& p) { return p.picture->GetBitsPerPixel() == 24; });
    for (InputPicture& input : inputs->pictures) {
        if (!anyColour || input.picture->GetBitsPerPixel() == 24) continue;
        input.picture = ToColour(*input.picture);
        if (!input.picture) {
            *error = input.path + ": not enough memory to convert the picture to 24 bits per pixel";
            return kExitNoInput;
        }
    }
    // Every picture is cut to the smallest common size around its centre.
    for (InputPicture& input : inputs->pictures) {
        CImageImpl& p = *input.picture;
        if (p.GetWidth() == minW && p.GetHeight() == minH) continue;
        const int left = (p.GetWidth() - minW) / 2, top = (p.GetHeight() - minH) / 2;
        std::unique_ptr<CImageImpl> cut = p.Crop(left, top, left + minW, top + minH);
        if (!cut) {
            *error = input.path + ": not enough memory to trim the picture";
            return kExitNoInput;
        }
        input.picture = std::move(cut);
    }
    inputs->width = minW;
    inputs->height = minH;
    inputs->is48 = std::all_of(inputs->pictures.begin(), inputs->pictures.end(),
                               [](const InputPicture& p) { return p.picture->Is48Bit(); });
    if (!options.mask.empty()) {
        std::unique_ptr<CImageImpl> mask = ReadInputPicture(options.mask, error);
        if (!mask) return kExitNoInput;
        if (options.rotate != 0) mask = mask->Rotated(options.rotate);
        if (!mask || mask->GetBitsPerPixel() != 8 || mask->GetWidth() != minW ||
            mask->GetHeight() != minH) {
            *error = options.mask +
                     ": the mask must be an 8-bit grey picture of the inputs' size (" +
                     std::to_string(minW) + " x " + std::to_string(minH) + ")";
            return kExitNoInput;
        }
        inputs->mask = std::move(mask);
    }
    return 0;
}

bool ReadOffsetsFile(const std::string& path, int count, std::vector<OffsetLine>* lines,
                     std::string* error) {
    std::vector<TextLine> text;
    if (!ReadLines(path, &text, error)) return false;
    for (const TextLine& line : text) {
        std::istringstream in(line.text);
        OffsetLine offset;
        std::string rest;
        if (!(in >> offset.dr >> offset.dc) || (in >> rest)) {
            *error = Where(path, line) + "'" + line.text + "' is not a \"dr dc\" line";
            return false;
        }
        lines->push_back(offset);
    }
    if (static_cast<int>(lines->size()) != count - 1) {
        *error = path + ": " + std::to_string(lines->size()) + " offset lines for " +
                 std::to_string(count - 1) + " neighbouring pairs";
        return false;
    }
    return true;
}

bool ReadMatchesFile(const std::string& path, int count, int width, int height,
                     std::vector<MatchLine>* lines, std::string* error) {
    std::vector<TextLine> text;
    if (!ReadLines(path, &text, error)) return false;
    const auto inside = [&](double r, double c) {
        return std::isfinite(r) && std::isfinite(c) && r >= 0 && r <= height - 1 && c >= 0 &&
               c <= width - 1;
    };
    for (const TextLine& line : text) {
        std::istringstream in(line.text);
        MatchLine m;
        std::string rest;
        if (!(in >> m.i >> m.j >> m.r1 >> m.c1 >> m.r2 >> m.c2) || (in >> rest)) {
            *error = Where(path, line) + "'" + line.text + "' is not an \"i j r1 c1 r2 c2\" line";
            return false;
        }
        const bool neighbours = m.i >= 0 && m.j == m.i + 1 && m.j < count;
        const bool closing = count > 1 && m.i == count - 1 && m.j == 0;
        if (!neighbours && !closing) {
            *error = Where(path, line) + "'" + line.text + "' does not name neighbouring pictures";
            return false;
        }
        if (!inside(m.r1, m.c1) || !inside(m.r2, m.c2)) {
            *error = Where(path, line) + "'" + line.text + "' has a point outside the " +
                     std::to_string(width) + " x " + std::to_string(height) +
                     " pictures (rows 0 to " + std::to_string(height - 1) + ", columns 0 to " +
                     std::to_string(width - 1) + ")";
            return false;
        }
        lines->push_back(m);
    }
    if (lines->empty()) {
        *error = path + ": no matches";
        return false;
    }
    return true;
}
