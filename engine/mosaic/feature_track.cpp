#include "mosaic/feature_track.h"

#include <algorithm>
#include <cmath>

#include "mosaic/feature_detect.h"

namespace {

constexpr int kTemplate = 2 * kFeatureHalf + 1; // 13
constexpr int kTemplatePixels = kTemplate * kTemplate;
constexpr int kMaxIterations = 8;
constexpr int kMinIterations = 4;
constexpr double kConverged = 0.01; // pixel

// Block grid of the flow field (design choice): template-sized blocks whose neighbours overlap
// by 2 pixels, i.e. one block every 11 pixels, the grid centred in the level so that the unused
// margin is split evenly between both sides.
constexpr int kBlockStep = kTemplate - 2;

// Quality a block must reach for its registration to be believed (design choice): the smaller
// eigenvalue of its gradient matrix per pixel, in grey levels squared. 0.25 means a root-mean-
// square gradient of half a grey level per pixel in the weakest direction; flatter blocks (sky,
// walls) and edges that only fix one direction keep the coarser level's prediction.
constexpr double kMinBlockQuality = 0.25;
// A feature patch only has to be non-degenerate: its corner measure already passed the
// detection threshold.
constexpr double kMinFeatureQuality = 1.0e-3;
// A block whose registration moved it further than one template from its prediction is taken
// to have slipped onto a different structure and keeps the prediction.
constexpr double kMaxBlockCorrection = kTemplate;

// Template values and central-difference gradients (clamped at the plane's borders) of the
// size x size window with top-left (top, left), which lies inside the plane.
void CutTemplate(const FloatPlane& plane, int top, int left, int size, float* values, float* gradR,
                 float* gradC) {
    for (int i = 0; i < size; ++i) {
        const int r = top + i;
        const int up = std::max(r - 1, 0), down = std::min(r + 1, plane.rows - 1);
        const float rowScale = down - up == 2 ? 0.5f : 1.0f;
        const float* row = plane.Row(r);
        const float* rowUp = plane.Row(up);
        const float* rowDown = plane.Row(down);
        for (int j = 0; j < size; ++j) {
            const int c = left + j;
            const int lft = std::max(c - 1, 0), rgt = std::min(c + 1, plane.cols - 1);
            const float colScale = rgt - lft == 2 ? 0.5f : 1.0f;
            const int k = i * size + j;
            values[k] = row[c];
            gradR[k] = (rowDown[c] - rowUp[c]) * rowScale;
            gradC[k] = (row[rgt] - row[lft]) * colScale;
        }
    }
}

// Sorts a few values in place (at most nine).
void SortSmall(float* v, int n) {
    for (int i = 1; i < n; ++i) {
        const float x = v[i];
        int j = i;
        for (; j > 0 && v[j - 1] > x; --j) v[j] = v[j - 1];
        v[j] = x;
    }
}

// Component-wise median of the valid displacements in the 3 x 3 neighbourhood of every block;
// removes single blocks that registered onto a wrong structure and fills unreliable blocks
// from reliable neighbours. Blocks without a reliable neighbour keep their value.
void MedianFilter(FlowField& field) {
    const std::vector<float> dr = field.dr, dc = field.dc;
    float nr[9], nc[9];
    for (int i = 0; i < field.blockRows; ++i) {
        for (int j = 0; j < field.blockCols; ++j) {
            int n = 0;
            for (int y = std::max(i - 1, 0); y <= std::min(i + 1, field.blockRows - 1); ++y)
                for (int x = std::max(j - 1, 0); x <= std::min(j + 1, field.blockCols - 1); ++x) {
                    const int k = y * field.blockCols + x;
                    if (field.quality[static_cast<std::size_t>(k)] <= 0.0f) continue;
                    nr[n] = dr[static_cast<std::size_t>(k)];
                    nc[n] = dc[static_cast<std::size_t>(k)];
                    ++n;
                }
            if (n == 0) continue;
            SortSmall(nr, n);
            SortSmall(nc, n);
            const auto k = static_cast<std::size_t>(i * field.blockCols + j);
            field.dr[k] = nr[(n - 1) / 2];
            field.dc[k] = nc[(n - 1) / 2];
        }
    }
}

// Number of blocks along a side of `size` pixels and the position of the first block.
void BlockGrid(int size, int* count, int* first) {
    if (size < kTemplate) {
        *count = 0;
        *first = 0;
        return;
    }
    *count = (size - kTemplate) / kBlockStep + 1;
    *first = (size - kTemplate - (*count - 1) * kBlockStep) / 2;
}

// The flow of one level, each block started from the coarser field's prediction.
FlowField EstimateLevelFlow(const FloatPlane& band0, const FloatPlane& band1,
                            const FlowField* coarser) {
    FlowField field;
    int firstR = 0, firstC = 0;
    BlockGrid(band0.rows, &field.blockRows, &firstR);
    BlockGrid(band0.cols, &field.blockCols, &firstC);
    if (field.Empty()) {
        // Too small for a block: the level passes the coarser prediction on unchanged.
        return coarser != nullptr ? *coarser : field;
    }
    field.firstCentreR = firstR + kFeatureHalf;
    field.firstCentreC = firstC + kFeatureHalf;
    const auto blocks = static_cast<std::size_t>(field.blockRows) * field.blockCols;
    field.dr.assign(blocks, 0.0f);
    field.dc.assign(blocks, 0.0f);
    field.quality.assign(blocks, 0.0f);

    float values[kTemplatePixels], gradR[kTemplatePixels], gradC[kTemplatePixels];
    for (int i = 0; i < field.blockRows; ++i) {
        for (int j = 0; j < field.blockCols; ++j) {
            const int top = firstR + i * kBlockStep, left = firstC + j * kBlockStep;
            const double centreR = top + kFeatureHalf, centreC = left + kFeatureHalf;
            double priorR = 0.0, priorC = 0.0;
            if (coarser != nullptr) {
                coarser->Lookup(centreR / 2.0, centreC / 2.0, &priorR, &priorC);
                priorR *= 2.0;
                priorC *= 2.0;
            }
            CutTemplate(band0, top, left, kTemplate, values, gradR, gradC);
            double dr = priorR, dc = priorC, quality = 0.0;
            const bool ok = RegisterPatch(values, gradR, gradC, band1, centreR, centreC,
                                          kMinBlockQuality, &dr, &dc, &quality) &&
                            std::hypot(dr - priorR, dc - priorC) <= kMaxBlockCorrection;
            const auto k = static_cast<std::size_t>(i * field.blockCols + j);
            field.dr[k] = static_cast<float>(ok ? dr : priorR);
            field.dc[k] = static_cast<float>(ok ? dc : priorC);
            field.quality[k] = ok ? static_cast<float>(quality) : 0.0f;
        }
    }
    MedianFilter(field);
    return field;
}

} // namespace

void FlowField::Lookup(double r, double c, double* outR, double* outC) const {
    if (Empty()) {
        *outR = *outC = 0.0;
        return;
    }
    const double gr = std::clamp((r - firstCentreR) / kBlockStep, 0.0, blockRows - 1.0);
    const double gc = std::clamp((c - firstCentreC) / kBlockStep, 0.0, blockCols - 1.0);
    const int i0 = static_cast<int>(gr), j0 = static_cast<int>(gc);
    const int i1 = std::min(i0 + 1, blockRows - 1), j1 = std::min(j0 + 1, blockCols - 1);
    const double fr = gr - i0, fc = gc - j0;
    auto at = [this](const std::vector<float>& v, int i, int j) {
        return static_cast<double>(v[static_cast<std::size_t>(i * blockCols + j)]);
    };
    auto interpolate = [&](const std::vector<float>& v) {
        const double top = at(v, i0, j0) + fc * (at(v, i0, j1) - at(v, i0, j0));
        const double bottom = at(v, i1, j0) + fc * (at(v, i1, j1) - at(v, i1, j0));
        return top + fr * (bottom - top);
    };
    *outR = interpolate(dr);
    *outC = interpolate(dc);
}

int PyramidLevels(int rows, int cols) {
    int size = std::min(rows, cols);
    int halvings = 0;
    while (size / 2 > kTemplate + 2) {
        size /= 2;
        ++halvings;
    }
    return std::max(halvings, 1);
}

bool RegisterPatch(const float* values, const float* gradR, const float* gradC,
                   const FloatPlane& target, double centreR, double centreC, double minQuality,
                   double* dr, double* dc, double* quality) {
    constexpr int size = kTemplate, pixels = kTemplatePixels;
    // The gradient matrix of the template stays fixed (inverse compositional scheme): each
    // iteration only samples the second band and solves the same 2 x 2 system.
    double hrr = 0.0, hcc = 0.0, hrc = 0.0;
    for (int k = 0; k < pixels; ++k) {
        hrr += static_cast<double>(gradR[k]) * gradR[k];
        hcc += static_cast<double>(gradC[k]) * gradC[k];
        hrc += static_cast<double>(gradR[k]) * gradC[k];
    }
    const double det = hrr * hcc - hrc * hrc;
    const double half = 0.5 * (hrr + hcc);
    const double spread = std::sqrt(std::max(0.25 * (hrr - hcc) * (hrr - hcc) + hrc * hrc, 0.0));
    const double minEigen = (half - spread) / pixels;
    if (!(det > 0.0) || !(minEigen >= minQuality)) return false;

    float window[kTemplatePixels];
    double r = *dr, c = *dc;
    for (int iteration = 1; iteration <= kMaxIterations; ++iteration) {
        if (!SampleWindow(target, centreR + r, centreC + c, size, window)) return false;
        float br = 0.0f, bc = 0.0f;
        for (int k = 0; k < pixels; ++k) {
            const float e = window[k] - values[k];
            br += gradR[k] * e;
            bc += gradC[k] * e;
        }
        const double stepR = (hcc * br - hrc * bc) / det;
        const double stepC = (hrr * bc - hrc * br) / det;
        r -= stepR;
        c -= stepC;
        if (iteration >= kMinIterations && std::fabs(stepR) < kConverged &&
            std::fabs(stepC) < kConverged)
            break;
    }
    // The registered window must still lie inside the second band.
    const double top = centreR + r - size / 2, left = centreC + c - size / 2;
    if (!(top >= 0.0 && left >= 0.0 && top + size - 1 <= target.rows - 1 &&
          left + size - 1 <= target.cols - 1))
        return false;
    *dr = r;
    *dc = c;
    *quality = minEigen;
    return true;
}

FeatureTracker::FeatureTracker(const FloatPlane& band0, const FloatPlane& band1, bool refinement)
    : m_band0(band0), m_band1(band1) {
    const int levels = PyramidLevels(band0.rows, band0.cols);
    m_flowLevel = !refinement && levels >= 3 ? 2 : 0;
    m_multiplier = m_flowLevel == 2 ? 4.0 : 1.0;
    m_pyramid0.resize(static_cast<std::size_t>(levels));
    m_pyramid1.resize(static_cast<std::size_t>(levels));
    for (int l = 1; l < levels; ++l) {
        m_pyramid0[static_cast<std::size_t>(l)] = HalvePlane(Level0(l - 1));
        m_pyramid1[static_cast<std::size_t>(l)] = HalvePlane(Level1(l - 1));
    }
    FlowField coarser;
    bool haveCoarser = false;
    for (int l = levels - 1; l >= m_flowLevel; --l) {
        FlowField field = EstimateLevelFlow(Level0(l), Level1(l), haveCoarser ? &coarser : nullptr);
        coarser = std::move(field);
        haveCoarser = true;
    }
    m_flow = std::move(coarser);
}

const FloatPlane& FeatureTracker::Level0(int level) const {
    return level == 0 ? m_band0 : m_pyramid0[static_cast<std::size_t>(level)];
}

const FloatPlane& FeatureTracker::Level1(int level) const {
    return level == 0 ? m_band1 : m_pyramid1[static_cast<std::size_t>(level)];
}

TrackResult FeatureTracker::Track(int r, int c) const {
    TrackResult result;
    const double scale = m_flowLevel == 2 ? 0.25 : 1.0;
    double predR = 0.0, predC = 0.0;
    m_flow.Lookup(r * scale, c * scale, &predR, &predC);
    predR *= m_multiplier;
    predC *= m_multiplier;
    float values[kTemplatePixels], gradR[kTemplatePixels], gradC[kTemplatePixels];
    CutTemplate(m_band0, r - kFeatureHalf, c - kFeatureHalf, kTemplate, values, gradR, gradC);
    double dr = predR, dc = predC, quality = 0.0;
    if (!RegisterPatch(values, gradR, gradC, m_band1, r, c, kMinFeatureQuality, &dr, &dc, &quality))
        return result; // untracked: zero quality values
    result.tracked = true;
    result.r = r + dr;
    result.c = c + dc;
    result.displacement = std::hypot(dr - predR, dc - predC);
    result.quality = quality;
    return result;
}
