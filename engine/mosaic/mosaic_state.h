// What a mosaic is made from and worked in: the caller's image sets (the adapters with their
// alignments, hand-set matches and settings) and the mosaic context.
#pragma once

#include <memory>
#include <vector>

#include "mosaic/mosaic_context.h"
#include "stitchkit/BmpAdapter.h"

struct AlignEntry {
    int dr = 0;
    int dc = 0;
};

// Entry k belongs to the pair (k, k+1): image k+1's top-left pixel at (dr, dc) of image k,
// in full-resolution pixels.
struct AlignList {
    std::vector<AlignEntry> entries;
};

struct MatchPair {
    double r1 = 0, c1 = 0, r2 = 0, c2 = 0;
};

struct MatchSet {
    std::vector<MatchPair> pairs;
};

// Set k belongs to the pair (k, k+1); with the 360-degree flag the set after the last
// consecutive pair belongs to (last image, first image).
struct MatchSequence {
    std::vector<MatchSet> sets;
};

struct ImageSet {
    int width = 0; // of the first adapter added
    int height = 0;
    std::vector<IImageAdapter*> adapters; // not owned
    std::unique_ptr<AlignList> align;
    std::unique_ptr<MatchSequence> match_seq;
    int base = 0; // 1-based, 0 automatic
    int size = 0; // processing-size mode 0, 1, 2
    double scale = 1.0;
    bool is48 = false;
    bool expand8bit = true;

    int Count() const { return static_cast<int>(adapters.size()); }
};

// The normal and the 48-bit image sets with their records, and the context the mosaic
// workers load the sets into and leave their results in.
struct MosaicState {
    std::unique_ptr<ImageSet> normal; // "m_bimage"
    std::unique_ptr<ImageSet> set48;
    MosaicContext context;
    // Adjust all views together after the pairwise estimation (set by each operation from its
    // session object's setting).
    bool refine = false;

    MosaicState() = default;
    MosaicState(const MosaicState&) = delete;
    MosaicState& operator=(const MosaicState&) = delete;
    ~MosaicState() { ResetMosaicContext(context); }
};
