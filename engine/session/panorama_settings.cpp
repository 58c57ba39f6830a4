// MFCPanorama's settings: processing size, base, background, blending, flags, palette and mask.
#include "core/guard.h"
#include "core/image_record.h"
#include "session/session_state.h"
#include "stitchkit/MFCPanorama.h"

void MFCPanorama::SetSize(int mode) {
    if (Session().normal) Session().normal->size = mode;
}

void MFCPanorama::SetBase(int base) {
    if (Session().normal) Session().normal->base = base;
}

void MFCPanorama::SetBkColor(unsigned char r, unsigned char g, unsigned char b) {
    Session().context.background = (r << 16) | (g << 8) | b;
}

void MFCPanorama::SetBlendLevelGradual() {
    Session().context.blend_level = 0;
}
void MFCPanorama::SetBlendLevelHalf() {
    Session().context.blend_level = 1;
}
void MFCPanorama::SetBlendLevelSteep() {
    Session().context.blend_level = 2;
}
void MFCPanorama::SetBlendLevelNone() {
    Session().context.blend_level = 3;
}
void MFCPanorama::SetColCorrection(bool on) {
    Session().context.colour_correction = on ? 1 : 0;
}
void MFCPanorama::SetFlag360(int flag) {
    Session().context.flag360 = flag == 1 ? 1 : 0;
}
void MFCPanorama::SetFlgNearestNeighbor(bool on) {
    Session().context.nearest_neighbour = on ? 1 : 0;
}

void MFCPanorama::SetFlgFrom8bitTo24bit(bool on) {
    if (Session().normal) Session().normal->expand8bit = on;
}

void MFCPanorama::SetPanoColorPalette(RGBQUAD* palette) {
    Session().context.palette = palette;
}

void MFCPanorama::SetMaskImage(IImageAdapter* mask) {
    // A mask the adapter cannot give keeps the previous one.
    N_ImageRec* image =
        mask != nullptr ? Guarded<N_ImageRec*>(nullptr, nullptr, [&] { return mask->ToNIL(true); })
                        : nullptr;
    if (mask != nullptr && image == nullptr) return; // keep the previous mask
    if (image != nullptr && image->nbands != 1) {
        N_ImageRec* band = NCopyImage(image, nullptr, 0);
        NDestroyImage(image);
        if (band == nullptr) return;
        image = band;
    }
    NDestroyImage(Session().context.mask);
    Session().context.mask = image;
}

void MFCPanorama::SkipFeatureMatching(bool skip) {
    Session().context.skip_feature_matching = skip ? 1 : 0;
}
