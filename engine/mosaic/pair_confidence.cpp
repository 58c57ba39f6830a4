#include "mosaic/pair_confidence.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/image_record.h"
#include "core/report.h"
#include "mosaic/feature_fit.h"
#include "mosaic/feature_plane.h"

namespace {

// Larger than the residuals that a correct pair leaves under a fit of a model that does not
// quite describe it (a translation between views of a turning camera), far smaller than the
// scatter of matches between unrelated pictures.
constexpr double kAgreementFloor = 3.0;
constexpr double kAgreementShareOfSide = 0.015;
// The correlation is taken on pictures reduced to about this larger side, so that an alignment
// a few pixels off still correlates, on the band between two Gaussian blurs (sigma 1 and 4 of
// the reduced pixels): smooth shading such as a clear sky, which any two pictures share, and
// noise are left out, the structure that tells places apart is kept.
constexpr int kDetailSide = 400;
constexpr int kFineTaps = 5;
constexpr int kCoarseTaps = 17;
// Reduced pixels kept clear of a picture's edge and of invalid pixels, where the blurs mix in
// what lies beyond.
constexpr int kDetailMargin = 8;
// Matches an affine fit of a pair needs before it is trusted, and the share of those beyond
// the three it passes through anyway that must agree with it.
constexpr int kAffineCheckMatches = 6;
constexpr double kAffineAgreement = 0.5;

int CountMatches(const MatchList* matches) {
    int n = 0;
    if (matches != nullptr)
        for (const FeaturePoint* p = matches->first.first; p != nullptr; p = p->next) ++n;
    return n;
}

bool SameSize(const N_ImageRec* a, const N_ImageRec* b) {
    return a != nullptr && b != nullptr && a->nrows == b->nrows && a->ncolumns == b->ncolumns;
}

// The picture's grey values in box means of factor x factor pixels, band-passed.
FloatPlane DetailPlane(const N_ImageRec* image, int factor) {
    const FloatPlane grey = GreyWindow(image, 0, 0, image->nrows, image->ncolumns);
    const int rows = image->nrows / factor, cols = image->ncolumns / factor;
    FloatPlane fine(rows, cols);
    const float weight = 1.0f / static_cast<float>(factor * factor);
    for (int r = 0; r < rows; ++r)
        for (int i = 0; i < factor; ++i) {
            const float* in = grey.Row(r * factor + i);
            float* out = fine.Row(r);
            for (int c = 0; c < cols; ++c)
                for (int j = 0; j < factor; ++j) out[c] += weight * in[c * factor + j];
        }
    FloatPlane coarse = fine, scratch;
    SmoothPlane(fine, GaussianTaps(kFineTaps), scratch);
    SmoothPlane(coarse, GaussianTaps(kCoarseTaps), scratch);
    for (std::size_t k = 0; k < fine.data.size(); ++k) fine.data[k] -= coarse.data[k];
    return fine;
}

// Whether the full-resolution point (r, c) and the points `reach` pixels above, below, left
// and right of it are valid (each clamped into the mask).
bool ValidAround(const N_ImageRec* valid, double r, double c, double reach) {
    if (valid == nullptr) return true;
    const double offsets[5][2] = {{0, 0}, {-reach, 0}, {reach, 0}, {0, -reach}, {0, reach}};
    for (const auto& o : offsets) {
        const int rr = std::clamp(static_cast<int>(std::lround(r + o[0])), 0, valid->nrows - 1);
        const int cc = std::clamp(static_cast<int>(std::lround(c + o[1])), 0, valid->ncolumns - 1);
        if (NPixel<unsigned char>(valid, 0, rr, cc) == 0) return false;
    }
    return true;
}

// Both pictures' detail planes at one reduction, made once for every transform tried.
struct DetailPair {
    int factor = 1;
    FloatPlane a, b;
    DetailPair(const N_ImageRec* first, const N_ImageRec* second) {
        const int side = std::max({first->nrows, first->ncolumns, second->nrows, second->ncolumns});
        factor = std::max(1, (side + kDetailSide - 1) / kDetailSide);
        a = DetailPlane(first, factor);
        b = DetailPlane(second, factor);
    }
};

double Correlation(const DetailPair& planes, const Homography8& H, const N_ImageRec* valid) {
    const FloatPlane &a = planes.a, &b = planes.b;
    const int factor = planes.factor;
    if (a.Empty() || b.Empty()) return 0.0;
    // Reduced pixel i covers full-resolution rows i x factor .. i x factor + factor - 1.
    const double centre = (factor - 1) / 2.0, reach = static_cast<double>(kDetailMargin) * factor;
    const double lowR = kDetailMargin, highR = b.rows - 1.0 - kDetailMargin;
    const double lowC = kDetailMargin, highC = b.cols - 1.0 - kDetailMargin;
    double sa = 0.0, sb = 0.0, saa = 0.0, sbb = 0.0, sab = 0.0;
    long long n = 0;
    for (int i = kDetailMargin; i < a.rows - kDetailMargin; ++i)
        for (int j = kDetailMargin; j < a.cols - kDetailMargin; ++j) {
            const double r = i * factor + centre, c = j * factor + centre;
            double r2 = 0.0, c2 = 0.0;
            if (!H.Apply(r, c, &r2, &c2)) continue;
            const double i2 = (r2 - centre) / factor, j2 = (c2 - centre) / factor;
            if (!(i2 >= lowR && i2 <= highR && j2 >= lowC && j2 <= highC)) continue;
            if (!ValidAround(valid, r, c, reach) || !ValidAround(valid, r2, c2, reach)) continue;
            const double x = a.At(i, j), y = SampleBilinear(b, i2, j2);
            sa += x;
            sb += y;
            saa += x * x;
            sbb += y * y;
            sab += x * y;
            ++n;
        }
    if (n < kMinimumOverlapSamples) return 0.0;
    const double N = static_cast<double>(n);
    const double va = saa - sa * sa / N, vb = sbb - sb * sb / N;
    if (!(va > 1e-6 * N) || !(vb > 1e-6 * N)) return 0.0;
    return std::clamp((sab - sa * sb / N) / std::sqrt(va * vb), -1.0, 1.0);
}

} // namespace

double MatchAgreement(const MatchList* matches, const Homography8& H, FitKind kind,
                      double tolerance) {
    if (matches == nullptr) return 0.0;
    const int m = ExactFitMatches(kind);
    int n = 0, agreeing = 0;
    const FeaturePoint* p = matches->first.first;
    const FeaturePoint* q = matches->second.first;
    for (; p != nullptr && q != nullptr; p = p->next, q = q->next) {
        ++n;
        double r = 0.0, c = 0.0;
        if (H.Apply(p->r, p->c, &r, &c) && std::hypot(r - q->r, c - q->c) <= tolerance) ++agreeing;
    }
    if (n <= m) return 0.0;
    return std::clamp(static_cast<double>(agreeing - m) / (n - m), 0.0, 1.0);
}

double PairConfidenceOf(const N_ImageRec* first, const N_ImageRec* second, const Homography8& H,
                        const MatchList* matches, const N_ImageRec* valid) {
    if (first == nullptr || second == nullptr) return 0.0;
    if (valid != nullptr && (!SameSize(valid, first) || !SameSize(valid, second))) valid = nullptr;
    const DetailPair planes(first, second);
    // Structure of the opposite polarity is the same structure: a picture whose palette inverts
    // the grey levels of its neighbour still shows the same place.
    double correlation = std::abs(Correlation(planes, H, valid));
    // A model that does not describe the pair (a translation between views of a turning camera)
    // leaves its overlap blurred even where the pictures show the same place; the pair's own
    // matches, when most agree with one affine transform, give the alignment to judge instead.
    Homography8 affine = H;
    if (CountMatches(matches) >= kAffineCheckMatches &&
        FitMatches(FitKind::Affine, matches, &affine)) {
        const double side = std::max(first->nrows, first->ncolumns);
        const double tolerance = std::max(kAgreementFloor, kAgreementShareOfSide * side);
        if (MatchAgreement(matches, affine, FitKind::Affine, tolerance) >= kAffineAgreement)
            correlation = std::max(correlation, std::abs(Correlation(planes, affine, valid)));
    }
    return std::clamp(correlation, 0.0, 1.0);
}

void StartPairConfidences(MosaicContext& context, int pairs) {
    context.pair_confidence.assign(static_cast<std::size_t>(std::max(pairs, 0)), -1.0);
}

void RecordPairConfidence(MosaicContext& context, std::size_t slot, const N_ImageRec* first,
                          const N_ImageRec* second, const Homography8& H, const MatchList* matches,
                          const N_ImageRec* valid) {
    if (slot >= context.pair_confidence.size()) return;
    const double confidence = PairConfidenceOf(first, second, H, matches, valid);
    context.pair_confidence[slot] = confidence;
    NPrintf("Pair confidence: %.3f\n", confidence);
}
