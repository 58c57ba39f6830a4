#include "input_correction.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "image_impl.h"
#include "picture_sniff.h"
#include "stitchkit/BmpAdapter.h"
#include "stitchkit/MFCLensCalib.h"

namespace {

int RoundHalfAway(double value) {
    return static_cast<int>(value < 0 ? -std::floor(-value + 0.5) : std::floor(value + 0.5));
}

// level x full / 100 rounded half away from zero.
int RoundedPercent(int level, int full) {
    const long long scaled = static_cast<long long>(level) * full;
    return static_cast<int>(scaled >= 0 ? (scaled + 50) / 100 : -((-scaled + 50) / 100));
}

// The additions of one row: add[x] = trunc(amount x r^2 / R^2) for the pixel at column x.
void RowAdditions(int width, int cxi, int dy2, double amount, double radius2, int* add) {
    for (int x = 0; x < width; ++x) {
        const int dx = x - cxi;
        const double r2 = static_cast<double>(dx) * dx + dy2;
        add[x] = radius2 > 0.0 ? static_cast<int>(amount * r2 / radius2) : 0;
    }
}

// The adapter's result buffers are the caller's to release: the header with delete, the rows
// with free.
struct AdapterResult {
    CBmpAdapter adapter;
    ~AdapterResult() {
        delete adapter.GetHeader();
        std::free(adapter.GetData());
    }
};

// One plane (24-bit rows, or 8-bit rows with a grey table) through the engine.
bool RunLensCalib(const BITMAPINFOHEADER& header, const std::uint8_t* bits, const RGBQUAD* table,
                  MFCLensCalib::OutputRectType type, bool percent, double value, bool previewCentre,
                  std::unique_ptr<CImageImpl>& result, std::vector<std::uint8_t>* lowerOut) {
    BITMAPINFOHEADER inHeader = header;
    CBmpAdapter input(&inHeader, const_cast<std::uint8_t*>(bits), const_cast<RGBQUAD*>(table));
    MFCLensCalib calib;
    calib.SetBackColor(BYTE{0}, BYTE{0}, BYTE{0});
    calib.SetOutputRectType(type);
    if (previewCentre) calib.SetCenterPos(header.biWidth / 2, std::abs(header.biHeight) / 2);
    calib.SetImage(&input);
    AdapterResult out;
    const int done = percent ? calib.Execute(&out.adapter, RoundHalfAway(value))
                             : calib.Execute(&out.adapter, value);
    if (!done || out.adapter.IsEmpty()) return false;
    const BITMAPINFOHEADER& made = *out.adapter.GetHeader();
    if (lowerOut) {
        const std::size_t bytes =
            static_cast<std::size_t>(DibStride(made.biWidth, made.biBitCount)) *
            static_cast<std::size_t>(std::abs(made.biHeight));
        lowerOut->assign(out.adapter.GetData(), out.adapter.GetData() + bytes);
        return true;
    }
    result = CImageImpl::FromBitmap(made, out.adapter.GetData(), nullptr, table, kImageTypeBmp);
    return result != nullptr;
}

std::unique_ptr<CImageImpl> RunLens(const CImageImpl& picture, MFCLensCalib::OutputRectType type,
                                    bool percent, double value, bool previewCentre) {
    const int bits = picture.GetBitsPerPixel();
    if (bits != 24 && bits != 8) return nullptr;
    const RGBQUAD* table =
        picture.GetColorTable().empty() ? nullptr : picture.GetColorTable().data();
    std::unique_ptr<CImageImpl> result;
    if (!RunLensCalib(picture.GetHeader(), picture.GetBits(), table, type, percent, value,
                      previewCentre, result, nullptr))
        return nullptr;
    if (!picture.Is48Bit()) {
        result->SetFileName(picture.GetFileName());
        return result;
    }
    // The low bytes take the same geometric path as the high bytes.
    std::vector<std::uint8_t> lower;
    if (!RunLensCalib(picture.GetHeader(), picture.GetLowerBits(), table, type, percent, value,
                      previewCentre, result, &lower))
        return nullptr;
    std::unique_ptr<CImageImpl> both = CImageImpl::FromBitmap(
        result->GetHeader(), result->GetBits(), lower.data(), table, picture.GetType());
    if (both) both->SetFileName(picture.GetFileName());
    return both;
}

} // namespace

int ShadingCorrector::Amount(int level, int bitsPerPixel) {
    // Integer arithmetic, so that 50 x 2.55 = 127.5 rounds to 128 (in doubles it is just
    // below 127.5).
    if (bitsPerPixel == 24 || bitsPerPixel == 32) return RoundedPercent(level, 255);
    if (bitsPerPixel == 16) return RoundedPercent(level, 31);
    return -1;
}

int ShadingCorrector::Amount16(int level) {
    return RoundedPercent(level, 65535);
}

bool ShadingCorrector::Correct(const BITMAPINFOHEADER& header, const std::uint8_t* in,
                               std::uint8_t* out, int level, const std::uint8_t* inLower,
                               std::uint8_t* outLower) {
    const int bits = header.biBitCount;
    const bool wide = inLower != nullptr && outLower != nullptr;
    if (wide && bits != 24) return false;
    level = std::clamp(level, 0, 100);
    const int amount = wide ? Amount16(level) : Amount(level, bits);
    if (amount < 0) return false;
    const int width = header.biWidth;
    const int height = std::abs(header.biHeight);
    if (width <= 0 || height <= 0) return false;

    const double cx = m_cx < 0 ? (width - 1) / 2.0 : m_cx;
    const double cy = m_cy < 0 ? (height - 1) / 2.0 : m_cy;
    const int cxi = RoundHalfAway(cx);
    const int cyi = RoundHalfAway(cy);
    const double dx = std::max(cx, (width - 1) - cx);
    const double dy = std::max(cy, (height - 1) - cy);
    const double radius2 = dx * dx + dy * dy;
    m_radius = std::sqrt(radius2);

    const bool rect = m_rx >= 0 && m_ry >= 0 && m_rw >= 0 && m_rh >= 0;
    const std::size_t stride = static_cast<std::size_t>(DibStride(width, bits));
    std::vector<int> add(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        // Row y from the top is stored at height - 1 - y in a bottom-up picture.
        const std::size_t row = header.biHeight > 0 ? static_cast<std::size_t>(height - 1 - y)
                                                    : static_cast<std::size_t>(y);
        const std::uint8_t* src = in + row * stride;
        std::uint8_t* dst = out + row * stride;
        std::memcpy(dst, src, stride);
        if (wide) std::memcpy(outLower + row * stride, inLower + row * stride, stride);
        if (rect && (y < m_ry || y >= m_ry + m_rh)) continue;
        const int ddy = y - cyi;
        RowAdditions(width, cxi, ddy * ddy, amount, radius2, add.data());
        const int x0 = rect ? std::min(m_rx, width) : 0;
        const int x1 = rect ? std::min(m_rx + m_rw, width) : width;
        if (wide) {
            const std::uint8_t* srcLow = inLower + row * stride;
            std::uint8_t* dstLow = outLower + row * stride;
            for (int x = x0; x < x1; ++x)
                for (int c = 0; c < 3; ++c) {
                    const std::size_t i = static_cast<std::size_t>(3 * x + c);
                    const int v = std::min(65535, (src[i] << 8 | srcLow[i]) + add[x]);
                    dst[i] = static_cast<std::uint8_t>(v >> 8);
                    dstLow[i] = static_cast<std::uint8_t>(v & 255);
                }
        } else if (bits == 16) {
            for (int x = x0; x < x1; ++x) {
                const int p = src[2 * x] | src[2 * x + 1] << 8;
                const int b = std::min(31, (p & 31) + add[x]);
                const int g = std::min(31, (p >> 5 & 31) + add[x]);
                const int r = std::min(31, (p >> 10 & 31) + add[x]);
                const int q = (p & 0x8000) | r << 10 | g << 5 | b;
                dst[2 * x] = static_cast<std::uint8_t>(q & 255);
                dst[2 * x + 1] = static_cast<std::uint8_t>(q >> 8);
            }
        } else {
            const int step = bits / 8;
            for (int x = x0; x < x1; ++x)
                for (int c = 0; c < 3; ++c) {
                    const std::size_t i = static_cast<std::size_t>(step * x + c);
                    dst[i] = static_cast<std::uint8_t>(std::min(255, src[i] + add[x]));
                }
        }
    }
    return true;
}

std::unique_ptr<CImageImpl> ShadingCorrected(const CImageImpl& picture, int level,
                                             ShadingCorrector* corrector) {
    const int bits = picture.GetBitsPerPixel();
    if (bits != 24) return nullptr;
    std::unique_ptr<CImageImpl> copy = picture.Crop(0, 0, picture.GetWidth(), picture.GetHeight());
    if (!copy) return nullptr;
    copy->SetFileName(picture.GetFileName());
    ShadingCorrector local;
    ShadingCorrector& shading = corrector ? *corrector : local;
    const bool wide = picture.Is48Bit();
    if (!shading.Correct(picture.GetHeader(), picture.GetBits(), copy->GetBits(), level,
                         wide ? picture.GetLowerBits() : nullptr,
                         wide ? copy->GetLowerBits() : nullptr))
        return nullptr;
    return copy;
}

std::unique_ptr<CImageImpl> LensCorrected(const CImageImpl& picture, int lensValue) {
    std::unique_ptr<CImageImpl> corrected =
        RunLens(picture, MFCLensCalib::OutputRectInner, true, lensValue, false);
    if (!corrected) return nullptr;
    // The engine rounds its inner rectangle where CalcInnerRect truncates, so its output can be
    // a pixel larger; every corrected picture is cut around its centre to the inner size the
    // information line shows, so equal pictures stay equal and match it.
    int w = 0, h = 0;
    InnerSize(picture.GetWidth(), picture.GetHeight(), lensValue, w, h);
    const int cw = corrected->GetWidth(), ch = corrected->GetHeight();
    if ((cw > w || ch > h) && w > 0 && h > 0) {
        const int left = cw > w ? (cw - w) / 2 : 0, top = ch > h ? (ch - h) / 2 : 0;
        std::unique_ptr<CImageImpl> cut =
            corrected->Crop(left, top, left + std::min(w, cw), top + std::min(h, ch));
        if (!cut) return nullptr;
        cut->SetFileName(picture.GetFileName());
        return cut;
    }
    return corrected;
}

std::unique_ptr<CImageImpl> LensCorrectedPreview(const CImageImpl& picture, double kappa) {
    return RunLens(picture, MFCLensCalib::OutputRectScaled, false, kappa, true);
}

double MaxKappa(int width, int height) {
    MFCLensCalib calib;
    return calib.CalcMaxKappa(width, height);
}

double KappaOf(int lensValue, int width, int height) {
    return std::clamp(lensValue, -100, 100) * MaxKappa(width, height) / 100.0;
}

void InnerSize(int width, int height, int lensValue, int& innerWidth, int& innerHeight) {
    innerWidth = width;
    innerHeight = height;
    if (lensValue == 0) return;
    MFCLensCalib calib;
    const CSize inner =
        calib.CalcInnerRect(CSize{width, height}, KappaOf(lensValue, width, height));
    innerWidth = inner.cx;
    innerHeight = inner.cy;
}

std::unique_ptr<CImageImpl> PreparePicture(std::unique_ptr<CImageImpl> picture,
                                           const PictureCorrection& correction) {
    if (!picture || !picture->IsValid()) return nullptr;
    if (correction.rotation % 4 != 0) {
        picture = picture->Rotated(correction.rotation % 4);
        if (!picture) return nullptr;
    }
    // Only 24-bit pictures (and 48-bit ones with their low bytes) are shaded; palette pictures
    // pass unchanged.
    if (correction.shading != 0 && picture->GetBitsPerPixel() == 24) {
        picture = ShadingCorrected(*picture, correction.shading);
        if (!picture) return nullptr;
    }
    if (correction.lens != 0) picture = LensCorrected(*picture, correction.lens);
    return picture;
}

std::unique_ptr<CImageImpl> LoadCorrectedPicture(const std::string& path,
                                                 const PictureCorrection& correction) {
    return PreparePicture(CImageImpl::Open(path, PictureTypeOfFile(path)), correction);
}

void InstallCorrectingLoader() {
    CImageInfo::SetLoader(LoadCorrectedPicture);
}
