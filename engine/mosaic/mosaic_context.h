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

// An axis-aligned box of the canvas, (r0, c0) to (r1, c1); empty when r1 <= r0 or c1 <= c0.
struct CanvasBox {
    double r0 = 0.0;
    double c0 = 0.0;
    double r1 = 0.0;
    double c1 = 0.0;

    bool Empty() const { return !(r1 > r0) || !(c1 > c0); }
};

// The line through one edge of an image's outline on the canvas: a·r + b·c + d = 0, oriented
// so that a·r + b·c + d >= 0 on the image's side.
struct EdgeLine {
    double a = 0.0;
    double b = 0.0;
    double d = 0.0;
};

// Rows top .. bottom and columns left .. right (inclusive) of a composite that some image
// covers; empty when nothing is covered.
struct CoveredArea {
    int top = 0;
    int left = 0;
    int bottom = -1;
    int right = -1;

    bool Empty() const { return bottom < top || right < left; }
    friend bool operator==(const CoveredArea&, const CoveredArea&) = default;
};

// The rows and columns of a rows x columns coverage map (one byte per pixel, row by row, 0 not
// covered) that hold a covered pixel.
CoveredArea CoverageExtent(const std::vector<unsigned char>& coverage, int rows, int columns);

struct MosaicImageRecord {
    std::int32_t align_dr = 0; // shift of this image relative to the previous one
    std::int32_t align_dc = 0;
    Homography8 to_image;               // canvas (base-frame) coordinates -> this image
    Homography8 to_canvas;              // the inverse
    MatchList* matches = nullptr;       // of the pair (previous, this), owned
    CanvasPoint corners[4];             // image corners mapped into the canvas
    CanvasBox box;                      // bounding box of the corners
    EdgeLine edges[4];                  // edge k runs from corner k to corner k + 1 (mod 4)
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
    std::int32_t columns_before_cylinder = -1; // -1 until the images are projected
    double cylinder_focal = 0.0;               // focal length of that projection (mm of 35 mm film)
    unsigned char nearest_neighbour = 0;
    RGBQUAD* palette = nullptr; // not owned
    N_ImageRec* mask = nullptr; // owned, one band, 255 = usable
    unsigned char skip_feature_matching = 0;
    CoveredArea covered; // of the last composite made
    // Confidence 0 .. 1 of each neighbouring pair of the last mosaic or alignment run (-1 not
    // measured): entry k for the pair (k, k + 1), then the closing pair of a closed turn.
    std::vector<double> pair_confidence;
};

// Releases everything the context holds and restores every initial value.
void ResetMosaicContext(MosaicContext& context);

// The images of the context's list, in order (not owned).
std::vector<N_ImageRec*> ContextImages(const MosaicContext& context);
