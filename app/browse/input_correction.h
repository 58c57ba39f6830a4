// The corrections applied to every input picture before stitching: the shading correction that
// brightens a picture towards its corners (vignetting), the lens-distortion correction through
// the engine's MFCLensCalib, and the preparation of a loaded picture with rotation, shading and
// lens correction in that order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "image_info.h"
#include "stitchkit/Dib.h"

class CImageImpl;

// The shading corrector of one picture: optional centre and rectangle, and the radius of the
// last run. Pixels are DIB rows (bottom-up, padded to 4 bytes) of 16 (5-5-5), 24 or 32 bits;
// with a low-byte plane a 24-bit picture is corrected per 16-bit channel.
class ShadingCorrector {
public:
    // Negative = the picture centre ((W - 1) / 2, (H - 1) / 2).
    void SetCenter(double cx, double cy) {
        m_cx = cx;
        m_cy = cy;
    }
    // Pixels outside x .. x + width - 1, y .. y + height - 1 (y from the top) are copied
    // unchanged; negative values = no rectangle.
    void SetRect(int x, int y, int width, int height) {
        m_rx = x;
        m_ry = y;
        m_rw = width;
        m_rh = height;
    }
    // The amount added at the distance of the farthest corner for a level in percent:
    // L x 2.55 for 24 and 32 bits, L x 0.31 for 5-5-5 pixels, rounded half away from zero;
    // -1 for other depths.
    static int Amount(int level, int bitsPerPixel);
    // The same for one 16-bit channel: L x 655.35 rounded.
    static int Amount16(int level);

    // Corrects `in` into `out` (same header, same layout); `inLower`/`outLower` are the low-byte
    // planes of a 48-bit picture or null. Level is clamped to 0 .. 100. False for a depth that
    // cannot be corrected (then `out` is untouched).
    bool Correct(const BITMAPINFOHEADER& header, const std::uint8_t* in, std::uint8_t* out,
                 int level, const std::uint8_t* inLower = nullptr,
                 std::uint8_t* outLower = nullptr);
    // The radius of the last run: centre to the farthest corner.
    double Radius() const { return m_radius; }

private:
    double m_cx = -1.0, m_cy = -1.0;
    int m_rx = -1, m_ry = -1, m_rw = -1, m_rh = -1;
    double m_radius = 0.0;
};

// The picture shading-corrected at `level` (same size and format); null when its depth cannot
// be corrected or memory runs out. `corrector` may carry a centre set from another picture.
std::unique_ptr<CImageImpl> ShadingCorrected(const CImageImpl& picture, int level,
                                             ShadingCorrector* corrector = nullptr);

// The picture corrected through MFCLensCalib with `lensValue` percent of the largest kappa of
// its size, cut to the inner rectangle (black background); null when the engine did nothing.
// A 48-bit picture has both of its planes corrected.
std::unique_ptr<CImageImpl> LensCorrected(const CImageImpl& picture, int lensValue);
// The preview form: kappa given, the outer rectangle scaled to the picture's own size, centre
// at the integer halves of the size, so the result keeps the size of `picture`.
std::unique_ptr<CImageImpl> LensCorrectedPreview(const CImageImpl& picture, double kappa);
// The largest kappa for a picture size (MFCLensCalib::CalcMaxKappa).
double MaxKappa(int width, int height);
// The kappa a lens value stands for on a picture of that size.
double KappaOf(int lensValue, int width, int height);
// The size of a picture of `width` x `height` after a lens correction of `lensValue`
// (MFCLensCalib::CalcInnerRect); the size itself for 0.
void InnerSize(int width, int height, int lensValue, int& innerWidth, int& innerHeight);

// Rotation, shading and lens correction of a loaded picture, in that order. A step that changes
// nothing hands the picture on as it is (the same object), so level 0 and lens 0 cost nothing.
// Null when a step fails.
std::unique_ptr<CImageImpl> PreparePicture(std::unique_ptr<CImageImpl> picture,
                                           const PictureCorrection& correction);
// Loads a picture file and prepares it (the loader of the placed-picture records).
std::unique_ptr<CImageImpl> LoadCorrectedPicture(const std::string& path,
                                                 const PictureCorrection& correction);
// Makes LoadCorrectedPicture the loader of the placed-picture records.
void InstallCorrectingLoader();
