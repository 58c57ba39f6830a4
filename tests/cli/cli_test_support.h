// Running quiltstitch from tests: a scratch folder, input files written through the picture
// layer, the program run with its exit status and messages, and the report read back.
#pragma once

#include <string>
#include <vector>

#include "support/camera_views.h"
#include "support/scratch_dir.h"
#include "support/test_images.h"

namespace cli_test {

using ::ScratchDir;

struct RunResult {
    int status = -1;
    std::string errors; // what quiltstitch wrote to standard error
    std::string output; // what it wrote to standard output
};

// Runs quiltstitch with the arguments (each passed as it is), with "NAME=value" settings added
// to its environment.
RunResult RunStitch(const std::vector<std::string>& args,
                    const std::vector<std::string>& environment = {});

// Writes a test bitmap to `path` in the type of its extension; the lower plane is written too
// when `sixteenBits` is set (TIFF only).
bool WriteTestPicture(TestDib& dib, const std::string& path, bool sixteenBits = false);

// The numbers that follow `"key": ` in the report, in order (for "dr", "dc", "width", ...).
std::vector<double> ReportNumbers(const std::string& reportPath, const std::string& key);
std::string ReadText(const std::string& path);

// Three 240 x 320 views of the texture in a scratch folder, view k from kTextureOrigins[k]
// (together they span 246 rows and 750 columns of the texture).
struct TextureOrigin {
    int top, left;
};
inline constexpr TextureOrigin kTextureOrigins[3] = {{0, 0}, {6, 210}, {2, 430}};
struct TextureSequence {
    ScratchDir dir;
    std::vector<std::string> paths;
    explicit TextureSequence(ViewKind kind = ViewKind::Rgb24, const char* ext = ".bmp");
    // The views' paths followed by `more`.
    std::vector<std::string> Args(const std::vector<std::string>& more) const;
};

// Grey 240 x 320 views of a camera turning about its vertical axis (focal length F pixels),
// view k at yaws[k], in a scratch folder.
struct PanSequence {
    ScratchDir dir;
    std::vector<std::string> paths;
    PanSequence(camera_views::Scene scene, double F, const std::vector<double>& yaws);
};

} // namespace cli_test
