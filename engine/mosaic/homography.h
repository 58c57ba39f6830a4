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

// a after b: the transform that applies b first, then a; false when the product's ninth
// element is 0 and it cannot be renormalised.
bool ComposeHomography(const Homography8& a, const Homography8& b, Homography8* out);
// The inverse, renormalised so that its ninth element is 1; false when there is none.
bool InvertHomography(const Homography8& a, Homography8* out);
