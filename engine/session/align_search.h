// Exhaustive normalised-cross-correlation searches for the translation between two images,
// on a coarse level of an image pyramid.
#pragma once

#include <array>
#include <vector>

#include "core/image_ptr.h"

// Pyramid levels for a minimum size m: 1 when the smaller side is at most m, else 1 plus the
// number of halvings until it is.
int PyramidLevels(int rows, int columns, int minimum);

// Level 0 is the image itself (not owned); level k is level k-1 reduced by 2, all bands.
class Pyramid {
public:
    // False when a reduction failed (reported by the image core).
    bool Build(N_ImageRec* image, int levels);
    int Levels() const { return static_cast<int>(m_levels.size()); }
    N_ImageRec* Level(int k) const { return k == 0 ? m_base : m_levels[k].get(); }

private:
    N_ImageRec* m_base = nullptr;
    std::vector<NImagePtr> m_levels;
};

struct Candidate {
    int dr = 0;
    int dc = 0;
    double score = 0.0;
};

// The 20 best candidates, highest score first; every entry starts as (0, 0) with score 0.
class CandidateList {
public:
    static constexpr int kSize = 20;
    double LastScore() const { return m_entries[kSize - 1].score; }
    bool Empty() const { return m_inserted == 0; }
    // Replaces the last entry and restores the order.
    void Insert(const Candidate& candidate);
    const Candidate& operator[](int k) const { return m_entries[static_cast<std::size_t>(k)]; }

private:
    std::array<Candidate, kSize> m_entries{};
    int m_inserted = 0;
};

// The result of a search: the shift of image j's top-left pixel in image i, in pixels of the
// image the search was given, or a failure code (3: no memory).
struct SearchResult {
    int code = 0;
    int dr = 0;
    int dc = 0;
};

// The pair search of a single pair: the green bands of the two images at the coarsest level
// of a pyramid with minimum size 50; the answer has that level's precision.
//
// With `fine`, each search carries its answer down the pyramid to full resolution, refining it
// on every finer level (within 2 pixels on the first, 1 on the others: the doubled shift of a
// level is within a pixel of the truth on the next), so it is exact to the pixel.
SearchResult SearchPairUnmasked(N_ImageRec* first, N_ImageRec* second, bool fine = false);

// The masked pair search: all bands, a pyramid with minimum size 20, candidates checked over
// every band, then refined on a level four times finer. `mask` is one ubyte band of the
// images' size, 255 where a pixel may be compared.
SearchResult SearchPairMasked(N_ImageRec* first, N_ImageRec* second, N_ImageRec* mask,
                              bool fine = false);

// The pair search of the all-pairs alignment on prebuilt pyramids (minimum size 20).
SearchResult SearchPairPyramids(const Pyramid& first, const Pyramid& second, bool fine = false);
