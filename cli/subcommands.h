// The sub-commands of quiltstitch beside stitching (perspective, interpolate, palette) and the
// helpers they share: reading a picture, handing it to the engine as a bitmap adapter, and
// writing an engine result atomically.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "image_impl.h"
#include "stitchkit/AdapterResult.h"
#include "stitchkit/BmpAdapter.h"

// A sub-command's entry: argv[0] is its name. Returns the exit status.
using SubcommandMain = int (*)(int argc, char** argv);

// The entry of the sub-command `name`, or null when `name` is not one.
SubcommandMain FindSubcommand(const std::string& name);

int RunPerspective(int argc, char** argv);
int RunInterpolate(int argc, char** argv);
int RunPalette(int argc, char** argv);

// Prints "quiltstitch <command>: <message>" and returns `code`.
int CommandFail(const char* command, int code, const std::string& message);
// Prints the usage error with a pointer to --help and returns kExitUsage.
int CommandUsage(const char* command, const std::string& message);

// A picture read from `path` by its extension; null with `error` set.
std::unique_ptr<CImageImpl> ReadCommandPicture(const std::string& path, std::string* error);

// A bitmap adapter over a picture's pixels: the header (uncompressed) and colour table are
// copies kept here, the pixels stay the picture's.
struct PictureAdapter {
    explicit PictureAdapter(CImageImpl& picture);
    PictureAdapter(const PictureAdapter&) = delete;
    PictureAdapter& operator=(const PictureAdapter&) = delete;

    BITMAPINFOHEADER header{};
    std::vector<RGBQUAD> colours;
    CBmpAdapter adapter;
};

// Writes the picture an engine operation delivered into `result` to `path` (its type by the
// extension) through a temporary file; the result is released either way. 0, or kExitUsage
// (an output name without a picture extension) or kExitCannotWrite with `error`.
int WriteEngineResult(AdapterResult result, const std::string& path, std::string* error);

// Parses "a,b,c,..." into exactly `count` integers; false when it does not.
bool ParseIntList(const std::string& text, std::size_t count, std::vector<int>* values);
