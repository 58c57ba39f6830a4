#include "mosaic/feature_detect.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int kTensorTaps = 13; // Gaussian of the structure tensor, sigma 3.0
constexpr float kCleared = -1.0f;

// Central-difference derivative along a line of n samples,
// one-sided at both ends (0 for a single sample).
void LineDerivative(const float* in, int n, float* out) {
    if (n == 1) {
        out[0] = 0.0f;
        return;
    }
    out[0] = in[1] - in[0];
    for (int i = 1; i < n - 1; ++i) out[i] = 0.5f * (in[i + 1] - in[i - 1]);
    out[n - 1] = in[n - 1] - in[n - 2];
}

} // namespace

FloatPlane CornerMeasure(const FloatPlane& smoothed) {
    const int rows = smoothed.rows, cols = smoothed.cols;
    FloatPlane lambda(rows, cols);
    if (lambda.Empty()) return lambda;
    const std::vector<float> taps = GaussianTaps(kTensorTaps);
    const int half = kTensorTaps / 2;
    const float* w = taps.data() + half;
    const auto width = static_cast<std::size_t>(cols);

    // The products Ixx, Iyy, Ixy stream through a ring of the last 13 rows, already smoothed
    // along the row; each output row combines them down the column. No full-size plane of
    // products is ever held.
    std::vector<float> ring(3 * kTensorTaps * width);
    auto slot = [&](int product, int row) {
        return ring.data() + (static_cast<std::size_t>(product) * kTensorTaps +
                              static_cast<std::size_t>(row % kTensorTaps)) *
                                 width;
    };
    std::vector<float> ix(width), xx(width), yy(width), xy(width), padded;
    int computed = -1; // last source row in the ring
    auto computeRow = [&](int r) {
        const float* g = smoothed.Row(r);
        LineDerivative(g, cols, ix.data());
        // Row derivative: central difference, one-sided on the first and last rows.
        const int up = std::max(r - 1, 0), down = std::min(r + 1, rows - 1);
        const float scale = down - up == 2 ? 0.5f : (down == up ? 0.0f : 1.0f);
        const float* gu = smoothed.Row(up);
        const float* gd = smoothed.Row(down);
        for (int c = 0; c < cols; ++c) {
            const float iy = (gd[c] - gu[c]) * scale;
            xx[static_cast<std::size_t>(c)] =
                ix[static_cast<std::size_t>(c)] * ix[static_cast<std::size_t>(c)];
            yy[static_cast<std::size_t>(c)] = iy * iy;
            xy[static_cast<std::size_t>(c)] = ix[static_cast<std::size_t>(c)] * iy;
        }
        SmoothRow(xx.data(), cols, taps, padded, slot(0, r));
        SmoothRow(yy.data(), cols, taps, padded, slot(1, r));
        SmoothRow(xy.data(), cols, taps, padded, slot(2, r));
    };
    for (int r = 0; r < rows; ++r) {
        while (computed < std::min(r + half, rows - 1)) computeRow(++computed);
        for (int product = 0; product < 3; ++product) {
            float* out = product == 0 ? xx.data() : (product == 1 ? yy.data() : xy.data());
            ScaleRow(out, slot(product, r), w[0], cols);
            for (int k = 1; k <= half; ++k)
                AddWeightedPair(out, slot(product, std::max(r - k, 0)),
                                slot(product, std::min(r + k, rows - 1)), w[k], cols);
        }
        float* l = lambda.Row(r);
        for (int c = 0; c < cols; ++c) {
            const std::size_t k = static_cast<std::size_t>(c);
            const float d = xx[k] - yy[k];
            const float v = xx[k] + yy[k] - std::sqrt(d * d + 4.0f * xy[k] * xy[k]);
            l[c] = v > 0.0f ? v : 0.0f;
        }
    }
    return lambda;
}

namespace {

std::uint64_t MakeKey(float strength, int index) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &strength, sizeof bits);
    return (static_cast<std::uint64_t>(~bits) << 32) | static_cast<std::uint32_t>(index);
}

float KeyStrength(std::uint64_t key) {
    const auto bits = ~static_cast<std::uint32_t>(key >> 32);
    float strength = 0.0f;
    std::memcpy(&strength, &bits, sizeof strength);
    return strength;
}

int KeyIndex(std::uint64_t key) {
    return static_cast<int>(static_cast<std::uint32_t>(key));
}

// Stable LSD radix sort on the high 32 bits of the keys (two 16-bit digits). The keys arrive in
// raster order, so equal measures stay in raster order: the result is sorted by the full key.
void SortByStrength(std::vector<std::uint64_t>& keys) {
    std::vector<std::uint64_t> buffer(keys.size());
    std::vector<std::size_t> counts(65536 + 1);
    for (const int shift : {32, 48}) {
        std::fill(counts.begin(), counts.end(), 0);
        for (const std::uint64_t k : keys) ++counts[((k >> shift) & 0xFFFF) + 1];
        for (std::size_t d = 1; d < counts.size(); ++d) counts[d] += counts[d - 1];
        for (const std::uint64_t k : keys) buffer[counts[(k >> shift) & 0xFFFF]++] = k;
        keys.swap(buffer);
    }
}

} // namespace

FeatureDetector::FeatureDetector(FloatPlane lambda, double threshold)
    : m_lambda(std::move(lambda)), m_floor(std::numeric_limits<double>::infinity()) {
    const int rows = m_lambda.rows, cols = m_lambda.cols;
    for (int r = kFeatureHalf; r < rows - kFeatureHalf; ++r) {
        const float* row = m_lambda.Row(r);
        for (int c = kFeatureHalf; c < cols - kFeatureHalf; ++c)
            if (static_cast<double>(row[c]) > threshold)
                m_pending.push_back(MakeKey(row[c], r * cols + c));
    }
    m_total = m_pending.size();
}

void FeatureDetector::SortDownTo(double minStrength) {
    if (minStrength >= m_floor) return;
    // Every pending candidate is weaker than the ready ones, so the newly sorted band goes on
    // behind them. Both parts keep their raster order.
    std::vector<Key> band;
    std::size_t kept = 0;
    for (const Key k : m_pending) {
        if (static_cast<double>(KeyStrength(k)) >= minStrength)
            band.push_back(k);
        else
            m_pending[kept++] = k;
    }
    m_pending.resize(kept);
    SortByStrength(band);
    m_ready.insert(m_ready.end(), band.begin(), band.end());
    m_floor = minStrength;
}

bool FeatureDetector::Next(double minStrength, DetectedFeature* out) {
    SortDownTo(minStrength);
    const int rows = m_lambda.rows, cols = m_lambda.cols;
    while (m_next < m_ready.size()) {
        const Key k = m_ready[m_next];
        const float strength = KeyStrength(k);
        if (static_cast<double>(strength) < minStrength) return false;
        ++m_next;
        const int index = KeyIndex(k);
        if (m_lambda.data[static_cast<std::size_t>(index)] == kCleared) continue;
        const int r = index / cols, c = index % cols;
        out->r = r;
        out->c = c;
        out->strength = strength;
        const int r0 = std::max(r - 13, 0), r1 = std::min(r + 12, rows - 1);
        const int c0 = std::max(c - 13, 0), c1 = std::min(c + 12, cols - 1);
        for (int y = r0; y <= r1; ++y)
            std::fill(m_lambda.Row(y) + c0, m_lambda.Row(y) + c1 + 1, kCleared);
        return true;
    }
    return false;
}
