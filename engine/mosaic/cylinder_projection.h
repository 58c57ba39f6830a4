// Projection of flat pictures onto a vertical cylinder whose radius is the focal length, so
// that the views of a camera turning about its vertical axis differ by pure translations.
// Focal lengths are millimetres of a 35 mm frame whose longer picture side is 35.0 mm.
#pragma once

#include "stitchkit/ImageRec.h"

// How a picture of rows x columns is projected with focal length f (mm).
struct CylinderGeometry {
    double film_width = 0.0; // W: 35.0 for landscape pictures, 35.0 x columns / rows otherwise
    double theta = 0.0;      // half the horizontal field of view, atan2(W / 2, f)
    double F = 0.0;          // focal length in pixels, (columns / W) x f
    int columns = 0;         // N = trunc(F x 2 theta), the projected width
};

// The geometry of a projection. False for a focal length that cannot be projected: not
// finite, not positive, or one whose projection would be less than one column wide or too
// wide to represent.
bool CylinderGeometryFor(int rows, int columns, double f, CylinderGeometry* out);

// The picture projected onto the cylinder: rows x N pixels, the same bands (the attributes
// copied), filled with the packed background colour r x 65536 + g x 256 + b, and every pixel
// whose viewing ray meets the source picture set to the bilinear sample there. Output row i
// looks at height h = (i - rows / 2) / F on the cylinder, output column j at the angle
// phi = -theta + j x 2 theta / N; they read the source at column F tan(phi) + cx and row
// sqrt((F tan(phi))^2 + F^2) h + cy, where cx = (columns - 1) / 2 + 0.5 and
// cy = (rows - 1) / 2 + 0.5 with integer division. Null for an unusable focal length, a
// source that is not ubyte with 1 or 3 bands, or when memory runs out.
NImage ProjectToCylinder(const N_ImageRec* image, double f, int background);

// Which pixels of a projection of a rows x columns picture came from the picture: a one-band
// ubyte image of the projected size, 255 there and 0 on the background (the projection of an
// all-255 picture with background 0). Null as ProjectToCylinder.
NImage CylinderValidityMask(int rows, int columns, double f);

// Moves a point (r, c) of a rows x columns picture to where the projection of that picture
// with focal length f shows it, up to a shift common to every point: with the geometry above
// and x = c - cx, c' = F atan2(x, F) + cx and r' = (r - cy) F / sqrt(x^2 + F^2) + cy. False,
// leaving the point alone, for an unusable focal length.
bool PointToCylinder(int rows, int columns, double f, double* r, double* c);
