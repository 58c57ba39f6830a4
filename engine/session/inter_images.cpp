// CInterImages: view interpolation of two bitmaps through one engine-wide MFCPanorama session.
#include <deque>
#include <new>

#include "core/guard.h"
#include "session/session_state.h"
#include "stitchkit/AdapterResult.h"
#include "stitchkit/CInterImages.h"
#include "stitchkit/MFCPanorama.h"

namespace {

// The panorama session CInterImages drives, and the adapters of the bitmaps it was given.
struct InterpolationEngine {
    MFCPanorama panorama;
    std::deque<CBmpAdapter> adapters; // stable addresses: the session points at them

    void Reset() {
        panorama.DestroyInternalData();
        adapters.clear();
    }
};

InterpolationEngine& Engine() {
    static InterpolationEngine engine;
    return engine;
}

// Hands the view in `out` to the caller: a new 44-byte header and the pixel rows. False, with
// the view released, when the header cannot be had.
bool TakeResult(AdapterResult& out, BITMAPINFO** info, BYTE** pixels, CInterImages& owner) {
    if (out->IsEmpty()) return false;
    auto* copy = new (std::nothrow) BITMAPINFO{};
    if (copy == nullptr) return false;
    owner.BmpInfoHeaderCopy(&copy->bmiHeader, out->GetHeader());
    *info = copy;
    *pixels = out.ReleaseData();
    return true;
}

bool UnitInterval(double t) {
    return t >= 0.0 && t <= 1.0; // false for NaN as well
}

} // namespace

CInterImages::CInterImages() {
    Engine().Reset();
}

CInterImages::~CInterImages() {
    Engine().Reset();
}

bool CInterImages::AddImage(BITMAPINFO* info, BYTE* pixels) {
    if (info == nullptr || pixels == nullptr) return false;
    InterpolationEngine& engine = Engine();
    // The session was emptied since the last picture (by an operation or another session).
    if (engine.panorama.GetImagesCount() == 0 || !Session().normal ||
        Session().normal->Count() == 0)
        engine.adapters.clear();
    RGBQUAD* palette = info->bmiHeader.biBitCount <= 8 ? info->bmiColors : nullptr;
    if (!Guarded(false, false, [&] {
            engine.adapters.emplace_back(&info->bmiHeader, pixels, palette);
            return true;
        }))
        return false;
    if (engine.panorama.AddImage(&engine.adapters.back()) < 0) {
        engine.adapters.pop_back();
        return false;
    }
    return true;
}

bool CInterImages::AddMatch(int a, int b, int c, int d) {
    return Engine().panorama.AddMatch(0, 1, b, a, d, c) > 0;
}

bool CInterImages::InterpolateParams(int ProjModel) {
    MFCPanorama& panorama = Engine().panorama;
    if (!panorama.DoAutoAlign()) return false;
    panorama.SetSize(2);
    return panorama.DoInterpolateParams(nullptr, m_P, m_Q, ProjModel);
}

bool CInterImages::InterpolateRendering(double t, BITMAPINFO** info, BYTE** pixels,
                                        BlendType blendType, bool keepBaseFrame) {
    if (!UnitInterval(t) || info == nullptr || pixels == nullptr) return false;
    MFCPanorama& panorama = Engine().panorama;
    panorama.SetSize(2);
    AdapterResult out;
    if (!panorama.DoInterpolateRendering(out.Get(), m_P, m_Q, t, blendType, keepBaseFrame))
        return false;
    return TakeResult(out, info, pixels, *this);
}

bool CInterImages::Interpolation(double t, BITMAPINFO** info, BYTE** pixels, BlendType blendType) {
    if (!UnitInterval(t) || info == nullptr || pixels == nullptr) return false;
    MFCPanorama& panorama = Engine().panorama;
    if (!panorama.DoAutoAlign()) return false;
    panorama.SetSize(2);
    AdapterResult out;
    if (!panorama.DoInterpolateMosaics(out.Get(), nullptr, t, blendType)) return false;
    return TakeResult(out, info, pixels, *this);
}

bool CInterImages::BmpInfoHeaderCopy(BITMAPINFOHEADER* destination,
                                     const BITMAPINFOHEADER* source) {
    if (destination == nullptr || source == nullptr) return false;
    destination->biSize = source->biSize;
    destination->biWidth = source->biWidth;
    destination->biHeight = source->biHeight;
    destination->biPlanes = source->biPlanes;
    destination->biBitCount = source->biBitCount;
    destination->biCompression = source->biCompression;
    destination->biSizeImage = source->biSizeImage;
    destination->biXPelsPerMeter = source->biXPelsPerMeter;
    destination->biYPelsPerMeter = source->biYPelsPerMeter;
    destination->biClrUsed = source->biClrUsed;
    destination->biClrImportant = source->biClrImportant;
    return true;
}
