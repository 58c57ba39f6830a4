// Perspective correction: the projective transform that moves both end points of every marked
// segment onto the segment's mean column (rows kept) is fitted by least squares, and the
// picture is resampled through its inverse onto a canvas that holds the whole warped picture.
#include "stitchkit/MFCPersCorrect.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "core/guard.h"
#include "core/image_ops.h"
#include "core/image_ptr.h"
#include "core/image_record.h"
#include "core/parallel.h"
#include "mosaic/feature_fit.h"
#include "mosaic/homography.h"
#include "mosaic/match_list.h"

struct _MLineRec {
    double r1 = 0.0, c1 = 0.0, r2 = 0.0, c2 = 0.0;
};

struct _MLinesRec {
    int count = 0;
    std::vector<_MLineRec> lines;
};

namespace {

// A warped picture more than this many times the source in either direction comes from a
// transform that sends part of the picture towards infinity; it is refused.
constexpr double kMaxGrowth = 10.0;

// Added to every sample before it is truncated to 8 bits.
constexpr double kTruncationLift = 1e-6;

// Half away from zero.
int RoundHalfAway(double value) {
    return static_cast<int>(value >= 0.0 ? value + 0.5 : value - 0.5);
}

// Twice the area of the triangle (a, b, p): zero when p lies on the line through a and b.
double Cross(double ar, double ac, double br, double bc, double pr, double pc) {
    return (br - ar) * (pc - ac) - (bc - ac) * (pr - ar);
}

// At least two segments whose end points do not all lie on one line: only then do the point
// pairs determine a projective transform.
bool WellPosed(const _MLinesRec& list) {
    if (list.count < 2 || list.lines.size() < 2) return false;
    std::vector<std::pair<double, double>> points;
    for (const _MLineRec& l : list.lines) {
        points.emplace_back(l.r1, l.c1);
        points.emplace_back(l.r2, l.c2);
    }
    // Two distinct points span the candidate line; any point off it settles the matter.
    const auto& a = points.front();
    const auto distinct = std::find_if(points.begin(), points.end(), [&](const auto& p) {
        return std::hypot(p.first - a.first, p.second - a.second) > 1e-9;
    });
    if (distinct == points.end()) return false;
    const auto& b = *distinct;
    const double length = std::hypot(b.first - a.first, b.second - a.second);
    return std::any_of(points.begin(), points.end(), [&](const auto& p) {
        return std::fabs(Cross(a.first, a.second, b.first, b.second, p.first, p.second)) / length >
               1e-6;
    });
}

// The transform taking every end point to its segment's mean column, or false.
bool FitStraightening(const _MLinesRec& list, Homography8* H) {
    std::unique_ptr<MatchList, void (*)(MatchList*)> matches(CreateMatchList(), DestroyMatchList);
    if (!matches) return false;
    for (const _MLineRec& l : list.lines) {
        const double m = (l.c1 + l.c2) / 2.0;
        if (!AppendMatch(matches.get(), l.r1, l.c1, l.r1, m) ||
            !AppendMatch(matches.get(), l.r2, l.c2, l.r2, m))
            return false;
    }
    Homography8 fit;
    if (!FitMatches(FitKind::Projective, matches.get(), &fit)) return false;
    for (double h : fit.h)
        if (!std::isfinite(h)) return false;
    *H = fit;
    return true;
}

struct Canvas {
    int rows = 0, columns = 0;
    int offset_r = 0, offset_c = 0;
};

// The box of the four mapped corners together with the source's own extent, or false when a
// corner goes to infinity or the box is absurdly large.
bool SizeCanvas(const Homography8& H, int rows, int columns, Canvas* canvas) {
    const double R = rows - 1, C = columns - 1;
    const double corners[4][2] = {{0, 0}, {R, 0}, {0, C}, {R, C}};
    double rmin = R, rmax = 0.0, cmin = C, cmax = 0.0;
    for (const auto& corner : corners) {
        double r = 0.0, c = 0.0;
        if (!H.Apply(corner[0], corner[1], &r, &c) || !std::isfinite(r) || !std::isfinite(c))
            return false;
        rmin = std::min(rmin, r);
        rmax = std::max(rmax, r);
        cmin = std::min(cmin, c);
        cmax = std::max(cmax, c);
    }
    if (rmax - rmin > kMaxGrowth * rows || cmax - cmin > kMaxGrowth * columns) return false;
    // Positions rmin .. rmax need rmax - rmin + 1 rows.
    canvas->rows = static_cast<int>(rmax - rmin) + 1;
    canvas->columns = static_cast<int>(cmax - cmin) + 1;
    canvas->offset_r = static_cast<int>(rmin);
    canvas->offset_c = static_cast<int>(cmin);
    return true;
}

// Fills a planar ubyte picture with a packed r x 65536 + g x 256 + b colour: red, green, blue
// in bands 0, 1, 2, or green alone in a grey picture.
void FillBackground(N_ImageRec* image, DWORD colour) {
    const double red = (colour >> 16) & 0xFF, green = (colour >> 8) & 0xFF, blue = colour & 0xFF;
    if (image->nbands == 3) {
        NFillImage(image, 0, red);
        NFillImage(image, 1, green);
        NFillImage(image, 2, blue);
    } else {
        for (int b = 0; b < image->nbands; ++b) NFillImage(image, b, green);
    }
}

} // namespace

MFCPersCorrect::MFCPersCorrect(IImageAdapter* source) : m_source(source) {}

MFCPersCorrect::MFCPersCorrect(IImageAdapter* source, const std::vector<CLineObject>* lines)
    : m_source(source) {
    AddLines(lines);
}

MFCPersCorrect::MFCPersCorrect(IImageAdapter* source, std::vector<CLineObject>* lines, bool extend)
    : m_source(source) {
    if (extend) ExtendLines(lines);
    AddLines(lines);
}

MFCPersCorrect::MFCPersCorrect(const MFCPersCorrect& other)
    : m_bkColor(other.m_bkColor), m_source(other.m_source) {
    if (other.m_ownedLines) {
        m_ownedLines = std::make_unique<_MLinesRec>(*other.m_ownedLines);
        m_lines = m_ownedLines.get();
    }
}

MFCPersCorrect& MFCPersCorrect::operator=(const MFCPersCorrect& other) {
    if (this != &other) {
        MFCPersCorrect copy(other);
        m_bkColor = copy.m_bkColor;
        m_source = copy.m_source;
        m_ownedLines = std::move(copy.m_ownedLines);
        m_lines = m_ownedLines.get();
    }
    return *this;
}

MFCPersCorrect::~MFCPersCorrect() = default;

std::unique_ptr<_MLinesRec> MFCPersCorrect::ConvertToMLines(const std::vector<CLineObject>& lines) {
    auto list = std::make_unique<_MLinesRec>();
    for (const CLineObject& l : lines)
        list->lines.push_back({1.0 * l.y1, 1.0 * l.x1, 1.0 * l.y2, 1.0 * l.x2});
    list->count = static_cast<int>(list->lines.size());
    return list;
}

bool MFCPersCorrect::AddLines(const std::vector<CLineObject>* lines) {
    if (lines == nullptr) return false;
    m_ownedLines = ConvertToMLines(*lines);
    m_lines = m_ownedLines.get();
    return true;
}

void MFCPersCorrect::ExtendLines(std::vector<CLineObject>* lines) {
    if (lines == nullptr || lines->size() < 2) return;
    CLineObject& a = (*lines)[0];
    CLineObject& b = (*lines)[1];
    struct Shape {
        bool straight = false; // vertical or horizontal: only the row moves
        double m = 0.0, b = 0.0;
    };
    auto shapeOf = [](const CLineObject& l) {
        Shape s;
        s.straight = l.x1 == l.x2 || l.y1 == l.y2;
        if (!s.straight) {
            s.m = static_cast<double>(l.y2 - l.y1) / (l.x2 - l.x1);
            s.b = l.y1 - s.m * l.x1;
        }
        return s;
    };
    const Shape sa = shapeOf(a), sb = shapeOf(b);
    // Top: the line that starts lower starts at the other's row.
    const double top = std::min(a.y1, b.y1);
    const bool firstStartsLower = a.y1 > b.y1;
    CLineObject& lower = firstStartsLower ? a : b;
    const Shape& lowerShape = firstStartsLower ? sa : sb;
    lower.y1 = RoundHalfAway(top);
    if (!lowerShape.straight) lower.x1 = RoundHalfAway((top - lowerShape.b) / lowerShape.m);
    // Bottom: the line that ends higher ends at the other's row.
    const double bottom = std::max(a.y2, b.y2);
    const bool firstEndsHigher = a.y2 < b.y2;
    CLineObject& higher = firstEndsHigher ? a : b;
    const Shape& higherShape = firstEndsHigher ? sa : sb;
    higher.y2 = RoundHalfAway(bottom);
    if (!higherShape.straight) higher.x2 = RoundHalfAway((bottom - higherShape.b) / higherShape.m);
}

bool MFCPersCorrect::DoCorrect(IImageAdapter* out) {
    if (m_source == nullptr || m_lines == nullptr || out == nullptr) return false;
    if (!WellPosed(*m_lines)) return false;
    Homography8 H, inverse;
    if (!FitStraightening(*m_lines, &H) || !InvertHomography(H, &inverse)) return false;
    // An exception (no memory, an adapter that throws) is a correction not made.
    return Guarded(false, false, [&] {
        const NImagePtr source(m_source->ToNIL(true));
        if (!source || source->repn != NUByteRepn) return false;
        const int rows = source->nrows, columns = source->ncolumns, bands = source->nbands;
        Canvas canvas;
        if (!SizeCanvas(H, rows, columns, &canvas)) return false;
        const NImagePtr result(NCreateImage(bands, canvas.rows, canvas.columns, NUByteRepn));
        if (!result) return false;
        FillBackground(result.get(), m_bkColor);

        const std::int64_t work = static_cast<std::int64_t>(canvas.rows) * canvas.columns * bands;
        ForRowBlocks(0, canvas.rows - 1, work, [&](unsigned, int first, int last) {
            for (int r = first; r <= last; ++r)
                for (int c = 0; c < canvas.columns; ++c) {
                    double sr = 0.0, sc = 0.0;
                    if (!inverse.Apply(r + canvas.offset_r, c + canvas.offset_c, &sr, &sc))
                        continue;
                    // Written so that NaN positions count as outside.
                    if (!(sr >= 0.0 && sr <= rows - 1 && sc >= 0.0 && sc <= columns - 1)) continue;
                    // Truncated to 8 bits; the small lift keeps rounding noise of the weights
                    // (199.99999 between four pixels of 200) from dropping a level.
                    for (int b = 0; b < bands; ++b)
                        NSetPixel(result.get(), b, r, c,
                                  NGetPixelBilinear(source.get(), b, sr, sc) + kTruncationLift);
                }
        });
        out->FromNIL(result.get(), nullptr);
        return true;
    });
}
