// Projective transforms of eight doubles h0..h7 with an implicit ninth element 1, applied to
// (x, y) = (column, row).
#pragma once

struct Homography8 {
    double h[8] = {1, 0, 0, 0, 1, 0, 0, 0};

    static Homography8 Identity() { return {}; }
    // Moves a point by (dr, dc): h2 = dc, h5 = dr.
    static Homography8 Translation(double dr, double dc) {
        Homography8 t;
        t.h[2] = dc;
        t.h[5] = dr;
        return t;
    }
    // Maps (r, c) to (r', c'); false when the point maps to infinity.
    bool Apply(double r, double c, double* r_out, double* c_out) const {
        const double w = h[6] * c + h[7] * r + 1.0;
        if (w == 0.0) return false;
        *c_out = (h[0] * c + h[1] * r + h[2]) / w;
        *r_out = (h[3] * c + h[4] * r + h[5]) / w;
        return true;
    }
};

// a after b: the 3 x 3 product a.b in double precision, divided element by element by its own
// ninth element, so applying it equals applying b first, then a. False, with `out` unchanged,
// when that ninth element is 0 or the result is not finite. `out` may alias a or b.
bool ComposeHomography(const Homography8& a, const Homography8& b, Homography8* out);
// The inverse: the 3 x 3 matrix in single precision, LU-decomposed, the three unit columns
// solved by back-substitution, every element divided by the inverse's ninth element and the
// first eight stored as doubles. False, with `out` unchanged, when the matrix is singular
// (reported by the decomposition) or the result is not finite. `out` may alias a.
bool InvertHomography(const Homography8& a, Homography8* out);
// H := T.H, T the translation by (dr, dc): the transformed points move by (dr, dc) afterwards.
void TranslateHomography(Homography8* H, double dr, double dc);
