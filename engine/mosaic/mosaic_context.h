// The engine-wide state of one mosaic run and its per-image geometry records.
#pragma once

#include <cstdint>
#include <vector>

#include "core/attr_list.h"
#include "mosaic/homography.h"
#include "mosaic/match_list.h"
#include "stitchkit/Dib.h"
#include "stitchkit/ImageRec.h"

// Name of the attributes that hold the processing images in the context's image list.
inline constexpr const char* kImageAttrName = "NImage";

struct CanvasPoint {
    double r = 0.0;
    double c = 0.0;
};

struct MosaicImageRecord {
    std::int32_t align_dr = 0; // shift of this image relative to the previous one
    std::int32_t align_dc = 0;
    Homography8 to_image;               // canvas (base-frame) coordinates -> this image
    Homography8 to_canvas;              // the inverse
    MatchList* matches = nullptr;       // of the pair (previous, this), owned
    CanvasPoint corners[4];             // image corners mapped into the canvas
    N_ImageRec* distance_map = nullptr; // owned, made while compositing
    Homography8 pairwise;               // this image -> the next image
    Homography8 prev_inverse;           // inverse of the previous image's pairwise transform
    std::int32_t trans_r = 0;           // position when placed by the alignments alone
    std::int32_t trans_c = 0;
    std::int32_t centre_r = 0;
    std::int32_t centre_c = 0;
    double gain[3] = {1.0, 1.0, 1.0};
    double offset[3] = {0.0, 0.0, 0.0};
};

struct MosaicContext {
    NAttrList images = nullptr; // processing images, attributes named "NImage"
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    std::int32_t base = 0;
    std::int32_t offset_r = 0;
    std::int32_t offset_c = 0;
    std::int32_t count = 0;
    std::vector<MosaicImageRecord> records;
    bool colour = false;
    N_ImageRec* base_image = nullptr; // not owned: one of `images`
    N_ImageRec* output = nullptr;     // owned
    double match_threshold = 500.0;
    double correlation_threshold = 0.7;
    std::int32_t align360_dr = 0;
    std::int32_t align360_dc = 0;
    std::int32_t background = 0; // packed r x 65536 + g x 256 + b
    std::int32_t flag360 = 0;
    std::int32_t colour_correction = 0;
    NAttrList images48 = nullptr;   // low bytes of 16-bit-per-channel inputs
    N_ImageRec* output48 = nullptr; // owned
    std::int32_t blend_level = 0;
    std::int32_t columns_before_cylinder = -1;
    unsigned char nearest_neighbour = 0;
    RGBQUAD* palette = nullptr; // not owned
    N_ImageRec* mask = nullptr; // owned, one band, 255 = usable
    unsigned char skip_feature_matching = 0;
};

// Releases everything the context holds and restores every initial value.
void ResetMosaicContext(MosaicContext& context);

// The images of the context's list, in order (not owned).
std::vector<N_ImageRec*> ContextImages(const MosaicContext& context);
