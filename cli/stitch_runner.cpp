#include "stitch_runner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "exif_focal.h"
#include "stitchkit/AdapterResult.h"
#include "stitchkit/Host.h"

namespace {

constexpr double kDefaultFocal = 35.0;
// EXIF's 35 mm-equivalent focal length refers to a frame 36 mm wide; the engine's to one whose
// longer side is 35 mm.
constexpr double kExifToEngineFocal = 35.0 / 36.0;

// Every engine box is printed as "caption: text".
int PrintBox(std::string_view text, std::string_view caption, unsigned) {
    std::string line = std::string(caption) + ": " + std::string(text);
    while (!line.empty() && line.back() == '\n') line.pop_back();
    std::fprintf(stderr, "%s\n", line.c_str());
    return stitchkit::IDOK;
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// A header of a picture's bitmap for an adapter (the picture's own is read-only).
BITMAPINFOHEADER HeaderOf(const CImageImpl& picture) {
    BITMAPINFOHEADER header = picture.GetHeader();
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(picture.GetStride() * picture.GetHeight());
    return header;
}

} // namespace

StitchRunner::StitchRunner(const StitchOptions& options, StitchInputs& inputs, StitchReport& report)
    : m_options(options), m_inputs(inputs), m_report(report) {
    stitchkit::SetMessageBoxHandler(PrintBox);
    // Automatic alignment exact to the pixel, not to the coarse search level.
    m_session.SetFineAlignment(true);
    m_session.SetGlobalRefinement(options.refine);
    const std::size_t count = inputs.pictures.size();
    m_headers.reserve(count);
    m_palettes.reserve(count);
    for (const InputPicture& input : inputs.pictures) {
        m_headers.push_back(HeaderOf(*input.picture));
        m_palettes.push_back(input.picture->GetColorTable());
    }
    for (std::size_t k = 0; k < count; ++k) {
        CImageImpl& picture = *inputs.pictures[k].picture;
        RGBQUAD* palette = m_palettes[k].empty() ? nullptr : m_palettes[k].data();
        m_adapters.emplace_back(&m_headers[k], picture.GetBits(), palette);
        if (inputs.is48)
            m_adapters48.emplace_back(&m_headers[k], picture.GetBits(), palette,
                                      picture.GetLowerBits());
    }
    if (inputs.mask) {
        m_maskHeader = HeaderOf(*inputs.mask);
        m_maskPalette = GreyPalette(256);
        m_maskAdapter = CBmpAdapter(&m_maskHeader, inputs.mask->GetBits(), m_maskPalette.data());
    }
}

StitchRunner::~StitchRunner() {
    stitchkit::SetMessageBoxHandler({});
}

// The panorama cut to the rows and columns that some picture covers. The engine's canvas rule
// reaches one row and column beyond the base picture and out to the rounded corners of the
// others, which leaves lines of background at the edges. Which pixels a picture covers is taken
// from the engine's composition, not guessed from the background colour, so a picture whose
// own edge has that colour keeps it. A 360-degree panorama keeps its width, which is one turn.
// Null when memory runs out.
std::unique_ptr<CImageImpl> StitchRunner::TrimToCovered(std::unique_ptr<CImageImpl> picture) const {
    int top = 0, left = 0, bottom = 0, right = 0;
    if (!m_session.GetLastCoveredRect(&top, &left, &bottom, &right)) return picture;
    const int width = picture->GetWidth(), height = picture->GetHeight();
    if (Is360Method(m_options.method)) {
        left = 0;
        right = width - 1;
    }
    // A rectangle that does not fit this picture is not the engine's account of it.
    if (top < 0 || left < 0 || bottom >= height || right >= width) return picture;
    if (top == 0 && left == 0 && bottom == height - 1 && right == width - 1) return picture;
    return picture->Crop(left, top, right + 1, bottom + 1);
}

// The result code of the session's last operation, for an operation that answers with a bool;
// the code's message goes to `message` when one is given.
int StitchRunner::LastCode(bool succeeded, std::string* message) const {
    int code = m_session.GetLastResult();
    // A failure always has a failing code, whatever the session kept.
    if (!succeeded && (code == MosaicOK || code == MosaicTranslationFallback))
        code = MosaicInconsistent;
    if (message != nullptr && code != MosaicOK && code != MosaicTranslationFallback)
        *message = stitchkit::LoadResourceString(MosaicMessageId(code));
    return code;
}

// Hands the pictures to the engine afresh, with their alignments or matches.
void StitchRunner::Transfer(bool withAlignments) {
    m_session.DestroyInternalData();
    for (CBmpAdapter& adapter : m_adapters) m_session.AddImage(&adapter);
    for (CBmpAdapter& adapter : m_adapters48) m_session.AddImage48(&adapter);
    if (!withAlignments) return;
    if (!m_matches.empty()) {
        for (const MatchLine& m : m_matches) {
            if (m.j == 0)
                m_session.AddMatch360(m.r1, m.c1, m.r2, m.c2);
            else
                m_session.AddMatch(m.i, m.j, m.r1, m.c1, m.r2, m.c2);
        }
        return;
    }
    for (const OffsetLine& o : m_offsets) m_session.AddAlign(o.dr, o.dc);
}

int StitchRunner::Align(std::string* message) {
    const auto start = std::chrono::steady_clock::now();
    const int count = static_cast<int>(m_adapters.size());
    if (!m_options.matches.empty()) {
        if (!ReadMatchesFile(m_options.matches, count, m_inputs.width, m_inputs.height, &m_matches,
                             message))
            return kExitNoInput;
        // Sets are made pair by pair in order; the closing pair's comes last.
        std::stable_sort(m_matches.begin(), m_matches.end(),
                         [](const MatchLine& a, const MatchLine& b) {
                             return (a.j == 0 ? 1 << 30 : a.i) < (b.j == 0 ? 1 << 30 : b.i);
                         });
        m_report.alignmentSource = "matches";
    } else if (!m_options.offsets.empty()) {
        if (!ReadOffsetsFile(m_options.offsets, count, &m_offsets, message)) return kExitNoInput;
        m_report.alignmentSource = "offsets";
    } else {
        Transfer(false);
        if (count > 1 && !m_session.DoAutoAlign()) return LastCode(false, message);
        for (int k = 0; k + 1 < count; ++k) {
            OffsetLine o;
            m_session.GetAlign(k, k + 1, &o.dr, &o.dc);
            m_offsets.push_back(o);
        }
        m_report.alignmentSource = "automatic";
    }
    for (const OffsetLine& o : m_offsets) m_report.alignments.push_back({o.dr, o.dc});
    // A turn of 360 degrees is closed by aligning the last picture with the first, unless the
    // matches file gives the closing pair.
    if (Is360Method(m_options.method) && m_matches.empty() && count > 1) {
        Transfer(true);
        if (!m_session.DoAutoAlignPair(count - 1, 0, &m_closing.dr, &m_closing.dc))
            return LastCode(false, message);
        m_has360Closing = true;
        m_report.has360 = true;
        m_report.closing = {m_closing.dr, m_closing.dc};
    }
    m_report.stages.push_back({"align", Since(start)});
    return 0;
}

bool StitchRunner::EngineFocal(double* focal, AutoFocalListStruct* list,
                               std::vector<AutoFocalEntry>* entries) {
    const int count = static_cast<int>(m_adapters.size());
    if (count < 2) return false;
    Transfer(true);
    m_session.SetSize(m_options.size);
    // A closed turn's estimate may use the closing pair.
    if (Is360Method(m_options.method) && m_has360Closing) {
        m_session.SetAlignment360(m_closing.dr, m_closing.dc);
        m_session.SetFlag360(1);
    }
    entries->assign(static_cast<std::size_t>(count - 1), AutoFocalEntry{});
    for (std::size_t k = 0; k + 1 < entries->size(); ++k) (*entries)[k].next = &(*entries)[k + 1];
    *list = AutoFocalListStruct{};
    list->entries = entries->data();
    list->count = count;
    m_session.GetAutoFocalList(list);
    m_session.DestroyInternalData();
    if (!(list->bestFocal > 0.0) || list->bestFocal > 10000.0) return false;
    *focal = list->bestFocal;
    return true;
}

int StitchRunner::RunMethod(CBmpAdapter* out) {
    const StitchOptions& o = m_options;
    Transfer(true);
    m_session.SetBkColor(o.background[0], o.background[1], o.background[2]);
    const bool full360 = Is360Method(o.method);
    if (full360 && m_has360Closing) m_session.SetAlignment360(m_closing.dr, m_closing.dc);
    m_session.SetSize(o.size);
    m_session.SetBase(o.base);
    m_session.SetFlag360(full360 ? 1 : 0);
    switch (o.blend) {
    case 1:
        m_session.SetBlendLevelHalf();
        break;
    case 2:
        m_session.SetBlendLevelSteep();
        break;
    case 3:
        m_session.SetBlendLevelNone();
        break;
    default:
        m_session.SetBlendLevelGradual();
        break;
    }
    m_session.SetColCorrection(o.colorCorrection);
    m_session.SetFlgNearestNeighbor(o.nearest);
    if (m_inputs.mask) {
        m_session.SetMaskImage(&m_maskAdapter);
        m_session.SkipFeatureMatching(true);
    }
    bool ok = false;
    int code = 0;
    switch (o.method) {
    case 0:
        code = m_session.DoPlanarMosaics(out);
        break;
    case 1:
    case 2:
        code = m_session.DoCylinderMosaics(m_report.focal, out, false);
        break;
    case 3:
        ok = m_session.DoRigidTransMosaics(out);
        break;
    case 4:
    case 5:
        ok = m_session.DoRigidTransHMosaics(out);
        break;
    case 7:
        ok = m_session.DoTranslationMosaics(out);
        break;
    case 8:
    case 9:
        ok = m_session.DoTranslationHMosaics(out);
        break;
    default:
        return MosaicInconsistent;
    }
    if (o.method == 0 || o.method == 1 || o.method == 2) return code;
    return LastCode(ok);
}

RunOutcome StitchRunner::Run(int outputType, bool needFocal) {
    RunOutcome outcome;
    if (const int code = Align(&outcome.message); code != 0) {
        outcome.code = code;
        return outcome;
    }
    const auto focalStart = std::chrono::steady_clock::now();
    double focal = kDefaultFocal;
    std::string source = "default";
    if (m_options.focalSource == StitchOptions::FocalSource::Given) {
        focal = m_options.focal;
        source = "given";
    } else if (needFocal) {
        AutoFocalListStruct list{};
        std::vector<AutoFocalEntry> entries;
        const auto exif =
            m_options.focalSource == StitchOptions::FocalSource::Default
                ? ReadFocalLength35mm(m_inputs.pictures[0].path, m_inputs.pictures[0].fileWidth,
                                      m_inputs.pictures[0].fileHeight)
                : std::nullopt;
        double estimate = 0.0;
        if (exif && *exif > 0.0) {
            focal = *exif * kExifToEngineFocal;
            source = "exif";
        } else if (EngineFocal(&estimate, &list, &entries)) {
            focal = estimate;
            source = "engine";
        } else if (m_options.focalSource == StitchOptions::FocalSource::Auto) {
            std::fprintf(stderr,
                         "quiltstitch: the focal length could not be estimated; using 35 mm\n");
        }
    }
    m_report.focal = outcome.focal = focal;
    m_report.focalSource = outcome.focalSource = source;
    m_report.stages.push_back({"focal", Since(focalStart)});

    const auto mosaicStart = std::chrono::steady_clock::now();
    AdapterResult result;
    CBmpAdapter& out = result.Adapter();
    outcome.code = RunMethod(&out);
    outcome.pairConfidences = m_session.GetLastPairConfidences();
    m_report.processingWidth = m_session.GetProcImageWidth();
    m_report.processingHeight = m_session.GetProcImageHeight();
    m_report.processingScale =
        m_inputs.width > 0 ? static_cast<double>(m_report.processingWidth) / m_inputs.width : 1.0;
    m_report.stages.push_back({"mosaic", Since(mosaicStart)});
    if (outcome.code == MosaicTranslationFallback) {
        std::fprintf(stderr, "Info.: %s\n", stitchkit::LoadResourceString(30020).c_str());
    }
    if (outcome.code != 0 && outcome.code != MosaicTranslationFallback) {
        outcome.message = stitchkit::LoadResourceString(MosaicMessageId(outcome.code));
    } else if (out.IsEmpty()) {
        outcome.code = MosaicInconsistent;
        outcome.message = "the engine delivered no picture";
    } else {
        outcome.result = CImageImpl::FromBitmap(*out.GetHeader(), out.GetData(),
                                                out.GetData48Lower(), out.GetRgb(), outputType);
        if (outcome.result && !m_options.keepCanvas)
            outcome.result = TrimToCovered(std::move(outcome.result));
        if (!outcome.result) {
            outcome.code = MosaicNoMemory;
            outcome.message = "not enough memory for the panorama";
        }
    }
    return outcome;
}

RunOutcome StitchRunner::EstimateFocal() {
    RunOutcome outcome;
    if (const int code = Align(&outcome.message); code != 0) {
        outcome.code = code;
        return outcome;
    }
    AutoFocalListStruct list{};
    std::vector<AutoFocalEntry> entries;
    double focal = 0.0;
    if (!EngineFocal(&focal, &list, &entries)) {
        outcome.code = MosaicNoFeatureMatch;
        outcome.message = "no focal length could be estimated from these pictures";
        return outcome;
    }
    std::printf("processing size: %d x %d\n", list.columns, list.rows);
    std::printf("best:      %.2f mm (median squared deviation %.4g)\n", list.bestFocal,
                list.bestMedianSqDeviation);
    std::printf("weighted:  %.2f mm\nmean:      %.2f mm\nmedian:    %.2f mm\nclustered: %.2f mm\n",
                list.weightedFocal, list.meanFocal, list.medianFocal, list.clusteredFocal);
    int k = 0;
    for (const AutoFocalEntry* e = list.entries; e != nullptr; e = e->next, ++k) {
        std::printf(
            "pair %d-%d: %.2f mm (%.1f px), from the first %.2f mm, from the second %.2f mm, "
            "match score %.3f, photometric error %.2f\n",
            k + 1, k + 2, e->f_mm, e->f_px, e->f0_mm, e->f1_mm, e->matchScore, e->photometricError);
    }
    outcome.focal = focal;
    outcome.focalSource = "engine";
    return outcome;
}
