// In-between views of two overlapping pictures, driven through one engine-wide panorama
// session: the pair's transform is estimated once and views are rendered for any t from 0
// (the pair seen in the second picture's frame) to 1 (in the first picture's frame).
#pragma once

#include "stitchkit/Dib.h"
#include "stitchkit/Export.h"
#include "stitchkit/MFCPanorama.h"

class STITCHKIT_API CInterImages {
public:
    // Starts a new pair: the engine-wide session is emptied.
    CInterImages();
    // Empties the engine-wide session, which views the pictures added through this object.
    virtual ~CInterImages();
    CInterImages(const CInterImages&) = delete;
    CInterImages& operator=(const CInterImages&) = delete;

    // Adds a bitmap (header with its colour table, bottom-up pixel rows); both must stay valid
    // while the pair is in use. False when either is null or the engine refuses the picture.
    bool AddImage(BITMAPINFO* info, BYTE* pixels);
    // A hand-set match between the pictures: (x1 = a, y1 = b) in the first, (x2 = c, y2 = d) in
    // the second.
    bool AddMatch(int a, int b, int c, int d);
    // Aligns the pair automatically and estimates P and Q with motion model `ProjModel`.
    bool InterpolateParams(int ProjModel);
    // Renders the view for t (0 .. 1, else false at once) from the estimated P and Q. On
    // success *info is a new header (delete it) and *pixels the new bottom-up pixel rows
    // (release them with std::free).
    bool InterpolateRendering(double t, BITMAPINFO** info, BYTE** pixels, BlendType blendType,
                              bool keepBaseFrame);
    // Aligns, estimates an affine P and Q and renders the view for t (0 .. 1, else false), the
    // picture cut to the base image's rectangle; the results as for InterpolateRendering.
    bool Interpolation(double t, BITMAPINFO** info, BYTE** pixels, BlendType blendType);
    // Copies a bitmap information header field by field; false when either is null.
    bool BmpInfoHeaderCopy(BITMAPINFOHEADER* destination, const BITMAPINFOHEADER* source);

    const double* GetP() const { return m_P; }
    const double* GetQ() const { return m_Q; }

private:
    double m_P[8] = {1, 0, 0, 0, 1, 0, 0, 0};
    double m_Q[8] = {1, 0, 0, 0, 1, 0, 0, 0};
};
