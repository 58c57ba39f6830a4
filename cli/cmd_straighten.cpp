// quiltstitch perspective: straightens edges marked as vertical.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "stitch_options.h"
#include "stitchkit/MFCPersCorrect.h"
#include "subcommands.h"

namespace {

constexpr const char* kCommand = "perspective";

constexpr const char* kUsage =
    R"(Usage: quiltstitch perspective IMAGE -o OUTPUT --line X1,Y1,X2,Y2 --line ... [options]
Correct the perspective of one picture: every marked segment (end points in pixels, column
X and row Y from the top-left) should be vertical; the picture is warped so that both ends of
each segment come to the segment's mean column, onto a canvas that holds all of it.

  -o, --output FILE       the corrected picture (.jpg .jpeg .bmp .rle .tif .tiff .png .gif)
      --line X1,Y1,X2,Y2  a segment that should be vertical; at least two, not all on one line
      --extend            first lengthen the first two segments along their own directions
                          so both span the same rows
      --background R,G,B  colour around the warped picture (0-255 each; default 0,0,0)
  -h, --help              this text

Exit status: 0 done, 12 the segments cannot determine a correction, 64 bad usage, 66 an input
that cannot be read, 73 an output that cannot be written.
)";

} // namespace

int RunPerspective(int argc, char** argv) {
    std::string input, output;
    std::vector<CLineObject> lines;
    bool extend = false;
    std::vector<int> background = {0, 0, 0};
    ArgReader reader(argc, argv);
    while (reader.Next()) {
        const std::string& arg = reader.Arg();
        auto value = [&](std::string* out) { return reader.Value(out); };
        std::string text;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "-o" || arg == "--output") {
            if (!value(&output)) return CommandUsage(kCommand, arg + " needs a file name");
        } else if (arg == "--line") {
            std::vector<int> v;
            if (!value(&text) || !ParseIntList(text, 4, &v))
                return CommandUsage(kCommand, "--line needs X1,Y1,X2,Y2 (four integers)");
            lines.push_back(CLineObject{v[0], v[1], v[2], v[3]});
        } else if (arg == "--extend") {
            if (reader.HasInlineValue()) return CommandUsage(kCommand, arg + " takes no value");
            extend = true;
        } else if (arg == "--background") {
            if (!value(&text) || !ParseIntList(text, 3, &background) ||
                std::any_of(background.begin(), background.end(),
                            [](int c) { return c < 0 || c > 255; }))
                return CommandUsage(kCommand, "--background needs R,G,B (each 0-255)");
        } else if (reader.IsOption()) {
            return CommandUsage(kCommand, "unknown option " + arg);
        } else if (input.empty()) {
            input = arg;
        } else {
            return CommandUsage(kCommand, "one picture only (" + arg + ")");
        }
    }
    if (input.empty()) return CommandUsage(kCommand, "no picture given");
    if (output.empty()) return CommandUsage(kCommand, "no output given (-o FILE)");
    if (lines.size() < 2) return CommandUsage(kCommand, "at least two --line segments are needed");

    std::string error;
    std::unique_ptr<CImageImpl> picture = ReadCommandPicture(input, &error);
    if (!picture) return CommandFail(kCommand, kExitNoInput, error);
    PictureAdapter source(*picture);
    MFCPersCorrect correct(&source.adapter, &lines, extend);
    correct.SetBkColor(static_cast<BYTE>(background[0]), static_cast<BYTE>(background[1]),
                       static_cast<BYTE>(background[2]));
    AdapterResult result;
    bool done = false;
    try {
        done = correct.DoCorrect(result.Get());
    } catch (const CBmpAdapterException&) {
        return CommandFail(kCommand, 3, "not enough memory for the corrected picture");
    }
    if (!done)
        return CommandFail(kCommand, 12,
                           "the segments cannot determine a correction (they must not all lie "
                           "on one line, and the warped picture must stay bounded)");
    if (const int code = WriteEngineResult(std::move(result), output, &error); code != 0)
        return CommandFail(kCommand, code, error);
    return 0;
}
