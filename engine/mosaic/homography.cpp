#include "mosaic/homography.h"

#include <cmath>

namespace {

void ToMatrix(const Homography8& a, double m[9]) {
    for (int i = 0; i < 8; ++i) m[i] = a.h[i];
    m[8] = 1.0;
}

bool FromMatrix(const double m[9], Homography8* out) {
    if (m[8] == 0.0 || !std::isfinite(m[8])) return false;
    for (int i = 0; i < 8; ++i) {
        const double v = m[i] / m[8];
        if (!std::isfinite(v)) return false;
        out->h[i] = v;
    }
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
    double m[9];
    ToMatrix(a, m);
    const double c0 = m[4] * m[8] - m[5] * m[7];
    const double c1 = m[5] * m[6] - m[3] * m[8];
    const double c2 = m[3] * m[7] - m[4] * m[6];
    const double det = m[0] * c0 + m[1] * c1 + m[2] * c2;
    if (det == 0.0 || !std::isfinite(det)) return false;
    const double inv[9] = {c0, m[2] * m[7] - m[1] * m[8], m[1] * m[5] - m[2] * m[4],
                           c1, m[0] * m[8] - m[2] * m[6], m[2] * m[3] - m[0] * m[5],
                           c2, m[1] * m[6] - m[0] * m[7], m[0] * m[4] - m[1] * m[3]};
    double scaled[9];
    for (int i = 0; i < 9; ++i) scaled[i] = inv[i] / det;
    return FromMatrix(scaled, out);
}
