// Drives the engine the way the desktop program's stitch driver does: images and alignments
// handed over, options set, one mosaic operation run.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "image_impl.h"
#include "stitch_inputs.h"
#include "stitch_options.h"
#include "stitch_report.h"
#include "stitchkit/MFCPanorama.h"

// How the engine answered: 0, its result code, or kExitUsage/kExitNoInput for inputs the
// engine cannot take (with a message).
struct RunOutcome {
    int code = 0;
    std::string message;
    std::unique_ptr<CImageImpl> result; // the panorama, as a picture of the output's type
    double focal = 0.0;
    std::string focalSource;
    std::vector<double> pairConfidences; // the mosaic's, as the engine lists them
};

class StitchRunner {
public:
    StitchRunner(const StitchOptions& options, StitchInputs& inputs, StitchReport& report);
    ~StitchRunner();
    StitchRunner(const StitchRunner&) = delete;
    StitchRunner& operator=(const StitchRunner&) = delete;

    // Aligns (automatically, or from the offsets or matches file), decides the focal length
    // when the method or output needs one, and stitches into a picture of `outputType`.
    RunOutcome Run(int outputType, bool needFocal);

    // Prints the engine's focal-length estimates (after the alignment) to standard output.
    RunOutcome EstimateFocal();

private:
    int Align(std::string* message);
    void Transfer(bool withAlignments);
    bool EngineFocal(double* focal, AutoFocalListStruct* list,
                     std::vector<AutoFocalEntry>* entries);
    int RunMethod(CBmpAdapter* out);
    int LastCode(bool succeeded, std::string* message = nullptr) const;
    std::unique_ptr<CImageImpl> TrimToCovered(std::unique_ptr<CImageImpl> picture) const;

    const StitchOptions& m_options;
    StitchInputs& m_inputs;
    StitchReport& m_report;
    MFCPanorama m_session;
    std::vector<BITMAPINFOHEADER> m_headers;
    std::vector<std::vector<RGBQUAD>> m_palettes;
    std::vector<CBmpAdapter> m_adapters;
    std::vector<CBmpAdapter> m_adapters48;
    std::vector<OffsetLine> m_offsets;
    std::vector<MatchLine> m_matches;
    bool m_has360Closing = false;
    OffsetLine m_closing;
    BITMAPINFOHEADER m_maskHeader{};
    std::vector<RGBQUAD> m_maskPalette;
    CBmpAdapter m_maskAdapter;
};
