// Removal of radial (barrel or pincushion) lens distortion from one picture with a
// one-parameter radial model.
#pragma once

#include "stitchkit/BmpAdapter.h"
#include "stitchkit/Dib.h"
#include "stitchkit/Export.h"
#include "stitchkit/Types.h"

class STITCHKIT_API MFCLensCalib {
public:
    enum OutputRectType {
        OutputRectOuter = 0, // everything the corrected picture covers
        OutputRectInner = 1, // only the part with picture everywhere, less 1 pixel a side
        OutputRectNone = 2,  // no rectangle computed: the input's own size is used
        OutputRectScaled = 3 // the outer rectangle, output positions scaled by output / input
                             // size before the model is applied
    };

    MFCLensCalib() = default;
    MFCLensCalib(const MFCLensCalib&) = default;
    MFCLensCalib& operator=(const MFCLensCalib&) = default;
    virtual ~MFCLensCalib() = default;

    void SetImage(IImageAdapter* image) { m_image = image; }
    void SetCenterPos(double x, double y) {
        m_centerX = x;
        m_centerY = y;
    }
    void SetBackColor(BYTE r, BYTE g, BYTE b) {
        m_backColor = (DWORD{r} << 16) | (DWORD{g} << 8) | b;
    }
    void SetBackColor(DWORD color) { m_backColor = color; }
    void SetOutputRectType(OutputRectType type) { m_outputRectType = type; }

    // The kappa at which the point at 1.5 times the half-size corner lands on the half width.
    double CalcMaxKappa(int width, int height);
    // Size of the distortion-free inner rectangle of a picture of `size` corrected by kappa.
    CSize CalcInnerRect(CSize size, double kappa);
    // Corrects the picture set by SetImage into `out`: 1 done, 0 nothing done.
    int Execute(IImageAdapter* out, double kappa);
    // The same with kappa = CalcMaxKappa x percent / 100, percent clamped to -100 .. 100.
    int Execute(IImageAdapter* out, int percent);

    OutputRectType GetOutputRectType() const { return m_outputRectType; }
    DWORD GetBackColor() const { return m_backColor; }
    double GetScaleX() const { return m_scaleX; }
    double GetScaleY() const { return m_scaleY; }

private:
    // The output size for the current rectangle type, or false when it is empty, not finite
    // or absurdly large for the input; sets the type-3 scale factors.
    bool OutputSize(int columns, int rows, double kappa, int& width, int& height);
    // Corrects an interleaved ubyte view of the input into `out`: 1 done, 0 nothing done.
    int Correct(const N_ImageRec& input, IImageAdapter* out, double kappa);

    IImageAdapter* m_image = nullptr;
    double m_centerX = -1.0;
    double m_centerY = -1.0;
    double m_reserved = -1.0;
    DWORD m_backColor = 0;
    OutputRectType m_outputRectType = OutputRectNone;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
};
