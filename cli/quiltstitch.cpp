// quiltstitch: the command-line stitcher. It prepares the pictures as the desktop program's
// input list does, aligns them, drives one of the engine's mosaic methods and writes the
// panorama.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <new>

#include "picture_prompt.h"
#include "quiet_stdout.h"
#include "stitch_inputs.h"
#include "stitch_options.h"
#include "stitch_output.h"
#include "stitch_report.h"
#include "stitch_runner.h"
#include "stitchkit/Host.h"
#include "subcommands.h"
#include "vista_file.h"

#ifndef QUILTWORK_VERSION
#define QUILTWORK_VERSION "0.0.0"
#endif

namespace {

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "quiltstitch: %s\n", message.c_str());
    return code;
}

bool WriteReportFile(const std::string& path, const StitchReport& report, std::string* error) {
    std::ofstream file(path);
    file << ReportJson(report);
    file.close();
    if (!file) {
        *error = path + ": the report could not be written";
        return false;
    }
    return true;
}

int Main(int argc, char** argv) {
    // The sub-commands beside stitching: quiltstitch perspective|interpolate|palette ...
    if (argc > 1) {
        if (const SubcommandMain run = FindSubcommand(argv[1])) {
            if (isatty(STDERR_FILENO))
                stitchkit::SetProgressBackendFactory(
                    [] { return stitchkit::MakeTerminalProgressBackend(); });
            return run(argc - 1, argv + 1);
        }
    }
    StitchOptions options;
    std::string error;
    if (!ParseStitchOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "quiltstitch: %s\nTry 'quiltstitch --help'.\n", error.c_str());
        return kExitUsage;
    }
    if (options.command == StitchOptions::Command::Help) {
        std::fputs(StitchUsage().c_str(), stdout);
        return 0;
    }
    if (options.command == StitchOptions::Command::Version) {
        std::printf("quiltstitch %s\n", QUILTWORK_VERSION);
        return 0;
    }
    bool scene = false;
    const int outputType =
        options.estimateFocal ? kImageTypeBmp : OutputTypeForPath(options.output, &scene);
    if (outputType == kImageTypeNone)
        return Fail(kExitUsage, options.output +
                                    ": the output must end in .jpg, .jpeg, .bmp, .rle, "
                                    ".tif, .tiff, .png, .gif or .ivr");
    if (options.depth == 16 && outputType != kImageTypeTiff)
        return Fail(kExitUsage, "--depth 16 needs a TIFF output (.tif or .tiff)");

    StitchReport report;
    const auto start = std::chrono::steady_clock::now();
    StitchInputs inputs;
    if (const int code = LoadStitchInputs(options, &inputs, &error); code != 0)
        return Fail(code, error);
    for (const InputPicture& input : inputs.pictures)
        report.inputs.push_back({input.path, input.fileWidth, input.fileHeight});
    for (const SkippedInput& skipped : inputs.skipped)
        report.skipped.emplace_back(skipped.path, skipped.reason);
    report.method = MethodNameOf(options.method);
    report.methodCode = options.method;
    report.stages.push_back(
        {"read", std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count()});

    if (!options.quiet && isatty(STDERR_FILENO))
        stitchkit::SetProgressBackendFactory(
            [] { return stitchkit::MakeTerminalProgressBackend(); });

    QuietStdout quiet(!options.verbose);
    StitchRunner runner(options, inputs, report);
    if (options.estimateFocal) {
        quiet.Restore();
        const RunOutcome outcome = runner.EstimateFocal();
        return outcome.code == 0 ? 0 : Fail(outcome.code, outcome.message);
    }
    const bool needFocal = options.method == 1 || options.method == 2 || scene;
    RunOutcome outcome = runner.Run(outputType, needFocal);
    quiet.Restore();
    report.resultCode = outcome.code;
    report.resultMessage = outcome.message;
    auto finish = [&](int code) {
        std::string reportError;
        if (!options.report.empty() && !WriteReportFile(options.report, report, &reportError)) {
            std::fprintf(stderr, "quiltstitch: %s\n", reportError.c_str());
            return code == 0 ? kExitCannotWrite : code;
        }
        return code;
    };
    if (outcome.code != 0 && outcome.code != MosaicTranslationFallback) {
        std::fprintf(stderr, "quiltstitch: the panorama could not be made: %s\n",
                     outcome.message.empty() ? "see the messages above" : outcome.message.c_str());
        return finish(outcome.code);
    }

    // 16 bits per channel are kept only in a TIFF that asks for them.
    CImageImpl& panorama = *outcome.result;
    if (panorama.Is48Bit() && (outputType != kImageTypeTiff || options.depth == 8)) {
        if (outputType != kImageTypeTiff)
            std::fprintf(stderr, "quiltstitch: note: the pictures have 16 bits per channel; this "
                                 "format keeps 8 (use .tif to keep 16)\n");
        panorama.DropLowerPlane();
    }
    const auto writeStart = std::chrono::steady_clock::now();
    std::string written = options.output;
    bool ok = false;
    if (scene) {
        const int inputWidth = VistaInputWidth(inputs.width, inputs.height, options.size);
        ok = WriteScene(panorama, options.output, inputWidth, outcome.focal,
                        Is360Method(options.method), &written, &error);
    } else {
        ok = WritePicture(panorama, options.output, &error);
    }
    report.stages.push_back({"write", std::chrono::duration<double, std::milli>(
                                          std::chrono::steady_clock::now() - writeStart)
                                          .count()});
    report.outputPath = options.output;
    report.outputWidth = panorama.GetWidth();
    report.outputHeight = panorama.GetHeight();
    report.stages.push_back({"total", std::chrono::duration<double, std::milli>(
                                          std::chrono::steady_clock::now() - start)
                                          .count()});
    if (!ok) {
        std::fprintf(stderr, "quiltstitch: %s\n", error.c_str());
        return finish(kExitCannotWrite);
    }
    if (!options.quiet)
        std::fprintf(stderr, "quiltstitch: wrote %s (%d x %d)%s\n", options.output.c_str(),
                     panorama.GetWidth(), panorama.GetHeight(),
                     scene ? (" with its picture " + written).c_str() : "");
    return finish(0);
}

} // namespace

// Whatever still throws (the engine's operations give result codes instead) is reported as an
// internal error rather than ending the program without a word.
int main(int argc, char** argv) {
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("quiltstitch: internal error: out of memory\n", stderr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quiltstitch: internal error: %s\n", error.what());
    } catch (...) {
        std::fputs("quiltstitch: internal error\n", stderr);
    }
    return kExitInternal;
}
