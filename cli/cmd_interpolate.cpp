// quiltstitch interpolate: an in-between view of two overlapping pictures.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "quiet_stdout.h"
#include "stitch_options.h"
#include "stitchkit/Host.h"
#include "stitchkit/MFCPanorama.h"
#include "subcommands.h"

namespace {

constexpr const char* kCommand = "interpolate";

constexpr const char* kUsage =
    R"(Usage: quiltstitch interpolate IMAGE_A IMAGE_B -t T -o OUTPUT [options]
Render the view between two overlapping pictures of the same size: the pair is aligned and
its affine relation estimated, then at T = 1 the pair is shown in A's frame and at T = 0 in
B's frame; the picture has A's size.

  -t, --t T               the position between the views, 0 to 1
  -o, --output FILE       the view (.jpg .jpeg .bmp .rle .tif .tiff .png .gif)
      --blend KIND        mosaic (default: blended by distance from each picture's centre)
                          or dissolve (A's pixels weighted 1 - T, B's T where they overlap)
  -h, --help              this text

Exit status: 0 done, 1-12 the engine's result code, 64 bad usage, 66 an input that cannot
be read or used, 73 an output that cannot be written.
)";

// The engine's boxes, printed as "caption: text".
int Handler(std::string_view text, std::string_view caption, unsigned) {
    std::string line = std::string(caption) + ": " + std::string(text);
    while (!line.empty() && line.back() == '\n') line.pop_back();
    std::fprintf(stderr, "%s\n", line.c_str());
    return stitchkit::IDOK;
}

// The result code of the session's failed last operation.
int FailedCode(const MFCPanorama& session) {
    const int code = session.GetLastResult();
    return code == MosaicOK || code == MosaicTranslationFallback ? MosaicInconsistent : code;
}

struct HandlerScope {
    HandlerScope() { stitchkit::SetMessageBoxHandler(Handler); }
    ~HandlerScope() { stitchkit::SetMessageBoxHandler({}); }
};

} // namespace

int RunInterpolate(int argc, char** argv) {
    std::string inputs[2], output, tText;
    int inputCount = 0;
    BlendType blend = BlendTypeMosaic;
    ArgReader reader(argc, argv);
    while (reader.Next()) {
        const std::string& arg = reader.Arg();
        auto value = [&](std::string* out) { return reader.Value(out); };
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "-o" || arg == "--output") {
            if (!value(&output)) return CommandUsage(kCommand, arg + " needs a file name");
        } else if (arg == "-t" || arg == "--t") {
            if (!value(&tText)) return CommandUsage(kCommand, arg + " needs a number");
        } else if (arg == "--blend") {
            std::string kind;
            if (!value(&kind)) return CommandUsage(kCommand, "--blend needs mosaic or dissolve");
            if (kind == "mosaic")
                blend = BlendTypeMosaic;
            else if (kind == "dissolve")
                blend = BlendTypeDissolve;
            else
                return CommandUsage(kCommand, "--blend needs mosaic or dissolve, not " + kind);
        } else if (reader.IsOption()) {
            return CommandUsage(kCommand, "unknown option " + arg);
        } else if (inputCount < 2) {
            inputs[inputCount++] = arg;
        } else {
            return CommandUsage(kCommand, "two pictures only (" + arg + ")");
        }
    }
    if (inputCount != 2) return CommandUsage(kCommand, "two pictures are needed");
    if (output.empty()) return CommandUsage(kCommand, "no output given (-o FILE)");
    if (tText.empty()) return CommandUsage(kCommand, "no position given (-t T)");
    char* end = nullptr;
    const double t = std::strtod(tText.c_str(), &end);
    if (*end != '\0' || !(t >= 0.0 && t <= 1.0))
        return CommandUsage(kCommand, "-t needs a number from 0 to 1, not " + tText);

    std::string error;
    std::unique_ptr<CImageImpl> pictures[2];
    for (int k = 0; k < 2; ++k) {
        pictures[k] = ReadCommandPicture(inputs[k], &error);
        if (!pictures[k]) return CommandFail(kCommand, kExitNoInput, error);
    }
    if (pictures[0]->GetWidth() != pictures[1]->GetWidth() ||
        pictures[0]->GetHeight() != pictures[1]->GetHeight())
        return CommandFail(kCommand, kExitNoInput,
                           inputs[1] + ": the pictures must have the same size");
    PictureAdapter a(*pictures[0]), b(*pictures[1]);

    HandlerScope handler;
    QuietStdout quiet(true);
    MFCPanorama session;
    session.SetFineAlignment(true);
    session.AddImage(&a.adapter);
    session.AddImage(&b.adapter);
    if (!session.DoAutoAlign())
        return CommandFail(kCommand, FailedCode(session), "the pictures cannot be aligned");
    session.SetSize(2);
    AdapterResult result;
    if (!session.DoInterpolateMosaics(result.Get(), nullptr, t, blend))
        return CommandFail(kCommand, FailedCode(session), "the view could not be made");
    session.DestroyInternalData();
    quiet.Restore();
    if (const int code = WriteEngineResult(std::move(result), output, &error); code != 0)
        return CommandFail(kCommand, code, error);
    return 0;
}
