#include "mosaic/homography.h"

#include <cmath>

#include "mosaic/numerics.h"

namespace {

void ToMatrix(const Homography8& a, double m[9]) {
    for (int i = 0; i < 8; ++i) m[i] = a.h[i];
    m[8] = 1.0;
}

// Divides by the ninth element; false (out untouched) when that is impossible.
bool FromMatrix(const double m[9], Homography8* out) {
    if (m[8] == 0.0 || !std::isfinite(m[8])) return false;
    Homography8 result;
    for (int i = 0; i < 8; ++i) {
        const double v = m[i] / m[8];
        if (!std::isfinite(v)) return false;
        result.h[i] = v;
    }
    *out = result;
    return true;
}

} // namespace

bool ComposeHomography(const Homography8& a, const Homography8& b, Homography8* out) {
    double ma[9], mb[9], p[9];
    ToMatrix(a, ma);
    ToMatrix(b, mb);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            p[r * 3 + c] =
                ma[r * 3] * mb[c] + ma[r * 3 + 1] * mb[3 + c] + ma[r * 3 + 2] * mb[6 + c];
    return FromMatrix(p, out);
}

bool InvertHomography(const Homography8& a, Homography8* out) {
    float m[3][3];
    for (int i = 0; i < 8; ++i) m[i / 3][i % 3] = static_cast<float>(a.h[i]);
    m[2][2] = 1.0f;
    float* rows[3] = {m[0], m[1], m[2]};
    int index[3];
    float parity = 1.0f;
    if (!NLUDecompose(rows, 3, index, &parity)) return false;
    double inverse[9];
    for (int column = 0; column < 3; ++column) {
        float unit[3] = {0.0f, 0.0f, 0.0f};
        unit[column] = 1.0f;
        NLUBackSubstitute(rows, 3, index, unit);
        for (int r = 0; r < 3; ++r) inverse[r * 3 + column] = unit[r];
    }
    // The ninth element of the single-precision inverse normalises it.
    const auto ninth = static_cast<float>(inverse[8]);
    if (ninth == 0.0f || !std::isfinite(ninth)) return false;
    double scaled[9];
    for (int i = 0; i < 9; ++i) scaled[i] = static_cast<float>(inverse[i]) / ninth;
    return FromMatrix(scaled, out);
}

void TranslateHomography(Homography8* H, double dr, double dc) {
    double* h = H->h;
    h[0] += dc * h[6];
    h[1] += dc * h[7];
    h[2] += dc;
    h[3] += dr * h[6];
    h[4] += dr * h[7];
    h[5] += dr;
}
