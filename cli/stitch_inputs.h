// The pictures quiltstitch joins, checked and prepared as the desktop program prepares its
// input list, and the hand-made alignment files.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "image_impl.h"
#include "stitch_options.h"

struct InputPicture {
    std::string path;
    int fileWidth = 0; // as read, before rotation and trimming
    int fileHeight = 0;
    std::unique_ptr<CImageImpl> picture; // rotated and trimmed to the common size
};

// A picture left out of the run, and why.
struct SkippedInput {
    std::string path;
    std::string reason;
};

struct StitchInputs {
    std::vector<InputPicture> pictures;
    std::vector<SkippedInput> skipped; // refused by the size rule among others that fit
    int width = 0;                     // the common size every picture has
    int height = 0;
    bool is48 = false;                // every picture has 16 bits per channel
    std::unique_ptr<CImageImpl> mask; // 8-bit grey, the common size
};

// The picture type for a file name by its extension (jpg, jpeg, bmp, rle, tif, tiff, png, gif,
// in any case); kImageTypeNone for others.
int PictureTypeForPath(const std::string& path);

// Reads one picture by the type of its extension, as the file holds it; null with `error` set
// (naming the file and the reason) when it cannot be read.
std::unique_ptr<CImageImpl> ReadPictureFile(const std::string& path, std::string* error);

// Reads one picture in a depth the engine takes: 24 bits (with the low-byte plane of 16-bit
// files), or 8 bits of grey levels. Palette pictures whose colours are all grey become grey,
// other palette pictures 24-bit. Null with `error` set (naming the file and the reason) when
// the picture cannot be read or converted.
std::unique_ptr<CImageImpl> ReadInputPicture(const std::string& path, std::string* error);

// Reads, checks, rotates and trims every input (and the mask). With automatic alignment a
// picture whose size does not fit the others' is left out with a warning (and listed in
// `skipped`) as long as two pictures remain. 0, or kExitNoInput with a message in `error` that
// names the file and the reason.
int LoadStitchInputs(const StitchOptions& options, StitchInputs* inputs, std::string* error);

struct OffsetLine {
    int dr = 0;
    int dc = 0;
};

struct MatchLine {
    int i = 0;
    int j = 0;
    double r1 = 0, c1 = 0, r2 = 0, c2 = 0;
};

// One "dr dc" line per neighbouring pair (blank lines and lines starting with # are skipped).
// False with `error` set when the file cannot be read or does not hold exactly count - 1 pairs.
bool ReadOffsetsFile(const std::string& path, int count, std::vector<OffsetLine>* lines,
                     std::string* error);

// "i j r1 c1 r2 c2" lines: j = i + 1, or (last, 0) for the closing pair of a 360-degree turn;
// every point (row r, column c) inside the width x height pictures. False with `error` set
// (naming the line) otherwise.
bool ReadMatchesFile(const std::string& path, int count, int width, int height,
                     std::vector<MatchLine>* lines, std::string* error);
