// quiltstitch: the command-line stitcher. It prepares the pictures as the desktop program's
// input list does, aligns them, drives one of the engine's mosaic methods and writes the
// panorama.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "pair_selection.h"
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

// The report's entries of a run's pairs, the run's picture k being input k + offset.
std::vector<ReportPair> ReportPairs(const std::vector<PairConfidence>& pairs, int offset) {
    std::vector<ReportPair> entries;
    for (const PairConfidence& p : pairs)
        entries.push_back({p.first + offset, p.second + offset, p.confidence});
    return entries;
}

// Keeps the pictures of `run` in the inputs and lists the others, with why, in the report.
void KeepRun(StitchInputs& inputs, const PictureRun& run, StitchReport& report) {
    std::vector<InputPicture> all = std::move(inputs.pictures);
    inputs.pictures.clear();
    const std::string reason = "outside the longest run of matching pictures (" +
                               all[static_cast<std::size_t>(run.begin)].path + " to " +
                               all[static_cast<std::size_t>(run.end - 1)].path + ")";
    for (int k = 0; k < static_cast<int>(all.size()); ++k) {
        if (k >= run.begin && k < run.end) {
            inputs.pictures.push_back(std::move(all[static_cast<std::size_t>(k)]));
            continue;
        }
        const std::string& path = all[static_cast<std::size_t>(k)].path;
        std::fprintf(stderr, "quiltstitch: left out %s: %s\n", path.c_str(), reason.c_str());
        report.dropped.emplace_back(path, reason);
    }
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

    // The options of the run whose panorama is written (--drop-unmatched may open a turn).
    StitchOptions used = options;
    auto quiet = std::make_unique<QuietStdout>(!options.verbose);
    auto runner = std::make_unique<StitchRunner>(used, inputs, report);
    if (options.estimateFocal) {
        quiet->Restore();
        const RunOutcome outcome = runner->EstimateFocal();
        return outcome.code == 0 ? 0 : Fail(outcome.code, outcome.message);
    }
    const bool needFocal = options.method == 1 || options.method == 2 || scene;
    RunOutcome outcome = runner->Run(outputType, needFocal);
    quiet->Restore();
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
    // A pair below the confidence threshold shows two different places: the run is refused,
    // or with --drop-unmatched the longest run of connected pictures is stitched anew.
    const auto refuse = [&](const std::vector<PairConfidence>& pairs, int weak,
                            const std::string& why) {
        const PairConfidence& pair = pairs[static_cast<std::size_t>(weak)];
        const std::string message =
            WeakPairMessage(pair, inputs.pictures[static_cast<std::size_t>(pair.first)].path,
                            inputs.pictures[static_cast<std::size_t>(pair.second)].path);
        report.resultCode = kExitDataError;
        report.resultMessage = message;
        std::fprintf(stderr, "quiltstitch: %s; %snothing was written\n", message.c_str(),
                     why.c_str());
        return finish(kExitDataError);
    };
    const std::vector<PairConfidence> pairs =
        PairsOfRun(outcome.pairConfidences, static_cast<int>(inputs.pictures.size()));
    report.pairs = ReportPairs(pairs, 0);
    if (const int weak = FirstWeakPair(pairs); weak >= 0) {
        const PictureRun run = LongestConnectedRun(static_cast<int>(inputs.pictures.size()), pairs);
        if (!options.dropUnmatched) return refuse(pairs, weak, "");
        if (!options.offsets.empty() || !options.matches.empty())
            return refuse(pairs, weak, "leaving pictures out needs automatic alignment; ");
        if (run.Size() < 2) return refuse(pairs, weak, "no two neighbouring pictures match; ");
        runner.reset();
        outcome = RunOutcome{};
        const std::size_t read = std::min<std::size_t>(report.stages.size(), 1);
        report.stages.resize(read);
        report.alignments.clear();
        report.has360 = false;
        KeepRun(inputs, run, report);
        if (Is360Method(options.method)) {
            used.method = OpenMethodOf(options.method);
            std::fprintf(stderr,
                         "quiltstitch: the pictures kept do not close a turn; joined with "
                         "the method %s\n",
                         MethodNameOf(used.method));
        }
        used.base =
            options.base > run.begin && options.base <= run.end ? options.base - run.begin : 0;
        report.method = MethodNameOf(used.method);
        report.methodCode = used.method;
        quiet = std::make_unique<QuietStdout>(!options.verbose);
        runner = std::make_unique<StitchRunner>(used, inputs, report);
        outcome = runner->Run(outputType, needFocal);
        quiet->Restore();
        report.resultCode = outcome.code;
        report.resultMessage = outcome.message;
        const std::vector<PairConfidence> kept =
            PairsOfRun(outcome.pairConfidences, static_cast<int>(inputs.pictures.size()));
        report.stitchedPairs = ReportPairs(kept, run.begin);
        if (const int still = FirstWeakPair(kept); still >= 0) return refuse(kept, still, "");
    }
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
                        Is360Method(used.method), &written, &error);
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
