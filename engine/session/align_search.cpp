#include "session/align_search.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>

#include "core/image_ops.h"

namespace {

// One band of a planar ubyte image.
struct Plane {
    const std::uint8_t* data = nullptr;
    int rows = 0;
    int columns = 0;
    std::uint8_t at(int r, int c) const {
        return data[static_cast<std::ptrdiff_t>(r) * columns + c];
    }
};

Plane BandPlane(const N_ImageRec* image, int band) {
    return Plane{image->band_index[band][0], image->nrows, image->ncolumns};
}

// The two windows a shift compares: image i's at (topA, leftA), image j's at (topB, leftB).
struct Overlap {
    int topA, leftA, topB, leftB, h, w;
};

Overlap OverlapOf(int dr, int dc, int rows, int columns) {
    return Overlap{dr > 0 ? dr : 0,  dc > 0 ? dc : 0,     dr < 0 ? -dr : 0,
                   dc < 0 ? -dc : 0, rows - std::abs(dr), columns - std::abs(dc)};
}

// Sums over the compared pixels, in exact integer arithmetic.
struct Moments {
    std::int64_t n = 0, sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;

    // n^2 times the variances and the covariance.
    __int128 VarA() const {
        return static_cast<__int128>(n) * saa - static_cast<__int128>(sa) * sa;
    }
    __int128 VarB() const {
        return static_cast<__int128>(n) * sbb - static_cast<__int128>(sb) * sb;
    }
    __int128 Cov() const { return static_cast<__int128>(n) * sab - static_cast<__int128>(sa) * sb; }

    // Normalised cross-correlation; false when a window has no variation (the score is
    // undefined and such a shift must not win).
    bool Score(double* score) const {
        const __int128 va = VarA(), vb = VarB();
        if (n == 0 || va <= 0 || vb <= 0) return false;
        *score = static_cast<double>(Cov()) /
                 std::sqrt(static_cast<double>(va) * static_cast<double>(vb));
        return true;
    }
};

// Accumulates the windows of one band pair; with a mask, only pixels that are 255 in the mask
// at both window positions count.
Moments Accumulate(const Plane& a, const Plane& b, const Overlap& o, const Plane* mask) {
    Moments m;
    for (int r = 0; r < o.h; ++r) {
        const std::uint8_t* pa =
            a.data + static_cast<std::ptrdiff_t>(o.topA + r) * a.columns + o.leftA;
        const std::uint8_t* pb =
            b.data + static_cast<std::ptrdiff_t>(o.topB + r) * b.columns + o.leftB;
        if (mask == nullptr) {
            std::int64_t sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
            for (int c = 0; c < o.w; ++c) {
                const int va = pa[c], vb = pb[c];
                sa += va;
                sb += vb;
                saa += va * va;
                sbb += vb * vb;
                sab += va * vb;
            }
            m.sa += sa;
            m.sb += sb;
            m.saa += saa;
            m.sbb += sbb;
            m.sab += sab;
            m.n += o.w;
        } else {
            const std::uint8_t* ma =
                mask->data + static_cast<std::ptrdiff_t>(o.topA + r) * mask->columns + o.leftA;
            const std::uint8_t* mb =
                mask->data + static_cast<std::ptrdiff_t>(o.topB + r) * mask->columns + o.leftB;
            for (int c = 0; c < o.w; ++c) {
                if (ma[c] != 255 || mb[c] != 255) continue;
                const int va = pa[c], vb = pb[c];
                m.sa += va;
                m.sb += vb;
                m.saa += va * va;
                m.sbb += vb * vb;
                m.sab += va * vb;
                ++m.n;
            }
        }
    }
    return m;
}

int SearchBand(const N_ImageRec* image) {
    return image->nbands == 3 ? 1 : 0;
}

// How a coarse search walks and filters its shifts.
struct CoarseRule {
    int rangeTenths;  // shifts within rangeTenths/10 of the size
    int areaTenths;   // overlap area at least areaTenths/10 of the level
    bool insertFirst; // the first candidate enters whatever its score
};

// The exhaustive search on one level. Without a mask, windows whose variances differ by more
// than a factor of 2 are skipped; with one, windows whose masked means do, and shifts whose
// usable overlap is below the area limit.
CandidateList CoarseSearch(const N_ImageRec* first, const N_ImageRec* second,
                           const N_ImageRec* mask, const CoarseRule& rule) {
    const int band = SearchBand(first);
    const Plane a = BandPlane(first, band), b = BandPlane(second, band);
    Plane maskPlane;
    if (mask != nullptr) maskPlane = BandPlane(mask, 0);
    const int H = first->nrows, W = first->ncolumns;
    const long long minArea = static_cast<long long>(rule.areaTenths) * H * W / 10;
    const int rr = rule.rangeTenths * H / 10, rc = rule.rangeTenths * W / 10;
    CandidateList list;
    for (int dr = -rr; dr <= rr; ++dr) {
        for (int dc = -rc; dc <= rc; ++dc) {
            const Overlap o = OverlapOf(dr, dc, H, W);
            if (o.h <= 0 || o.w <= 0 || static_cast<long long>(o.h) * o.w < minArea) continue;
            const Moments m = Accumulate(a, b, o, mask ? &maskPlane : nullptr);
            if (mask != nullptr) {
                if (m.n < minArea || m.n == 0) continue;
                if (2 * m.sa < m.sb || 2 * m.sb < m.sa) continue;
            } else {
                const __int128 va = m.VarA(), vb = m.VarB();
                if (2 * va < vb || 2 * vb < va) continue;
            }
            double score = 0.0;
            if (!m.Score(&score)) continue;
            if ((rule.insertFirst && list.Empty()) || score > list.LastScore())
                list.Insert(Candidate{dr, dc, score});
        }
    }
    return list;
}

// Sum of the correlation of every band at a shift (bands without variation add nothing).
double AllBandScore(const N_ImageRec* first, const N_ImageRec* second, const N_ImageRec* mask,
                    int dr, int dc) {
    Plane maskPlane;
    if (mask != nullptr) maskPlane = BandPlane(mask, 0);
    const Overlap o = OverlapOf(dr, dc, first->nrows, first->ncolumns);
    double sum = 0.0;
    for (int band = 0; band < first->nbands; ++band) {
        const Moments m = Accumulate(BandPlane(first, band), BandPlane(second, band), o,
                                     mask ? &maskPlane : nullptr);
        double score = 0.0;
        if (m.Score(&score)) sum += score;
    }
    return sum;
}

// Walks the candidates from the best while they score at least 0.4 and more than 0.9 times
// the best, and keeps the one whose correlation summed over all bands is largest.
Candidate ChooseCandidate(const CandidateList& list, const N_ImageRec* first,
                          const N_ImageRec* second, const N_ImageRec* mask) {
    const double best = list[0].score;
    bool found = false;
    Candidate chosen;
    double chosenSum = 0.0;
    for (int k = 0; k < CandidateList::kSize; ++k) {
        const Candidate& c = list[k];
        if (!(c.score >= 0.4 && c.score > 0.9 * best)) break;
        const double sum = AllBandScore(first, second, mask, c.dr, c.dc);
        if (!found || sum > chosenSum) {
            found = true;
            chosen = c;
            chosenSum = sum;
        }
    }
    if (!found) return Candidate{0, 0, -1.0 / first->nbands};
    chosen.score = chosenSum / first->nbands;
    return chosen;
}

// Refines a shift within +-radius on one level by the correlation of two planes; keeps the
// start when no shift there can be compared.
void RefinePlanes(const Plane& a, const Plane& b, const Plane* mask, int radius, int* dr, int* dc) {
    const int rows = a.rows, columns = a.columns;
    const int startR = *dr, startC = *dc;
    bool found = false;
    double best = 0.0;
    for (int r = startR - radius; r <= startR + radius; ++r) {
        for (int c = startC - radius; c <= startC + radius; ++c) {
            if (std::abs(r) > rows || std::abs(c) > columns) continue;
            const Overlap o = OverlapOf(r, c, rows, columns);
            if (o.h <= 0 || o.w <= 0) continue;
            const Moments m = Accumulate(a, b, o, mask);
            double score = 0.0;
            if (m.n < 1 || !m.Score(&score)) continue;
            if (!found || score > best) {
                found = true;
                best = score;
                *dr = r;
                *dc = c;
            }
        }
    }
}

// Refines a shift within +-3 on a finer level by the correlation of the search band.
void Refine(const N_ImageRec* first, const N_ImageRec* second, const N_ImageRec* mask, int* dr,
            int* dc) {
    const int band = SearchBand(first);
    Plane maskPlane;
    if (mask != nullptr) maskPlane = BandPlane(mask, 0);
    RefinePlanes(BandPlane(first, band), BandPlane(second, band), mask ? &maskPlane : nullptr, 3,
                 dr, dc);
}

// The planes one level of a fine refinement compares.
using LevelPlanes = std::function<void(int level, Plane* a, Plane* b, Plane* mask)>;

// Carries a shift found on level `from` (in that level's pixels) down to level 0.
void RefineDown(int from, const LevelPlanes& planes, bool masked, int* dr, int* dc) {
    for (int level = from - 1; level >= 0; --level) {
        *dr *= 2;
        *dc *= 2;
        Plane a, b, mask;
        planes(level, &a, &b, &mask);
        RefinePlanes(a, b, masked ? &mask : nullptr, level == from - 1 ? 2 : 1, dr, dc);
    }
}

// The search-band planes (and mask plane) of two pyramids' levels.
LevelPlanes PyramidPlanes(const Pyramid& first, const Pyramid& second, const Pyramid* mask) {
    return [&first, &second, mask](int level, Plane* a, Plane* b, Plane* m) {
        const int band = SearchBand(first.Level(level));
        *a = BandPlane(first.Level(level), band);
        *b = BandPlane(second.Level(level), band);
        if (mask) *m = BandPlane(mask->Level(level), 0);
    };
}

// One more halving of a coarsest level; null when it is too small to halve.
NImagePtr HalveOnce(N_ImageRec* image) {
    if (image->nrows < 2 || image->ncolumns < 2) return nullptr;
    return NImagePtr(NReduceImage(image, nullptr, -1, 2, 2));
}

// The coarse-to-fine search shared by the masked pair search and the all-pairs search.
SearchResult SearchWithChoice(const Pyramid& first, const Pyramid& second, const Pyramid* mask,
                              const CoarseRule& rule, bool fine) {
    const int L = first.Levels();
    const int top = L - 1;
    N_ImageRec* maskTop = mask ? mask->Level(top) : nullptr;
    CandidateList list = CoarseSearch(first.Level(top), second.Level(top), maskTop, rule);
    Candidate chosen = ChooseCandidate(list, first.Level(top), second.Level(top), maskTop);
    SearchResult result;
    if (chosen.score >= 0.6) {
        if (L > 2) {
            int dr = 4 * chosen.dr, dc = 4 * chosen.dc;
            Refine(first.Level(L - 3), second.Level(L - 3), mask ? mask->Level(L - 3) : nullptr,
                   &dr, &dc);
            if (fine) {
                RefineDown(L - 3, PyramidPlanes(first, second, mask), mask != nullptr, &dr, &dc);
                result.dr = dr;
                result.dc = dc;
                return result;
            }
            result.dr = dr * (1 << (L - 1)) / 4;
            result.dc = dc * (1 << (L - 1)) / 4;
        } else if (fine) {
            result.dr = chosen.dr;
            result.dc = chosen.dc;
            RefineDown(top, PyramidPlanes(first, second, mask), mask != nullptr, &result.dr,
                       &result.dc);
        } else {
            result.dr = chosen.dr * (1 << (L - 1));
            result.dc = chosen.dc * (1 << (L - 1));
        }
        return result;
    }
    // A weak match: search once more on a level half as large.
    NImagePtr a = HalveOnce(first.Level(top)), b = HalveOnce(second.Level(top));
    NImagePtr m = maskTop ? HalveOnce(maskTop) : nullptr;
    if (!a || !b || (maskTop && !m)) {
        if (first.Level(top)->nrows >= 2 && first.Level(top)->ncolumns >= 2) result.code = 3;
        result.dr = chosen.dr * (1 << (L - 1));
        result.dc = chosen.dc * (1 << (L - 1));
        return result;
    }
    list = CoarseSearch(a.get(), b.get(), m.get(), rule);
    chosen = ChooseCandidate(list, a.get(), b.get(), m.get());
    if (fine) {
        result.dr = 2 * chosen.dr;
        result.dc = 2 * chosen.dc;
        RefineDown(top, PyramidPlanes(first, second, mask), mask != nullptr, &result.dr,
                   &result.dc);
        return result;
    }
    result.dr = 2 * chosen.dr * (1 << (L - 1));
    result.dc = 2 * chosen.dc * (1 << (L - 1));
    return result;
}

} // namespace

int PyramidLevels(int rows, int columns, int minimum) {
    int s = rows < columns ? rows : columns;
    int levels = 1;
    while (s > minimum) {
        s /= 2;
        ++levels;
    }
    return levels;
}

bool Pyramid::Build(N_ImageRec* image, int levels) {
    m_base = image;
    m_levels.clear();
    m_levels.resize(static_cast<std::size_t>(levels));
    for (int k = 1; k < levels; ++k) {
        m_levels[k].reset(NReduceImage(Level(k - 1), nullptr, -1, 2, 2));
        if (!m_levels[k]) return false;
    }
    return true;
}

void CandidateList::Insert(const Candidate& candidate) {
    int k = kSize - 1;
    m_entries[static_cast<std::size_t>(k)] = candidate;
    while (k > 0 && m_entries[k - 1].score < candidate.score) {
        m_entries[k] = m_entries[k - 1];
        --k;
    }
    m_entries[static_cast<std::size_t>(k)] = candidate;
    ++m_inserted;
}

SearchResult SearchPairUnmasked(N_ImageRec* first, N_ImageRec* second, bool fine) {
    SearchResult result;
    NImagePtr pair(NCreateImage(2, first->nrows, first->ncolumns, NUByteRepn));
    if (!pair || !NCopyBand(first, SearchBand(first), pair.get(), 0) ||
        !NCopyBand(second, SearchBand(second), pair.get(), 1)) {
        result.code = 3;
        return result;
    }
    const int L = PyramidLevels(first->nrows, first->ncolumns, 50);
    Pyramid pyramid;
    if (!pyramid.Build(pair.get(), L)) {
        result.code = 3;
        return result;
    }
    // Band 0 of the coarsest level is image i, band 1 image j.
    N_ImageRec* top = pyramid.Level(L - 1);
    NImagePtr bandA(NCopyImage(top, nullptr, 0)), bandB(NCopyImage(top, nullptr, 1));
    if (!bandA || !bandB) {
        result.code = 3;
        return result;
    }
    const CandidateList list =
        CoarseSearch(bandA.get(), bandB.get(), nullptr, CoarseRule{8, 2, true});
    if (fine) {
        // Band 0 of each level is image i, band 1 image j.
        result.dr = list[0].dr;
        result.dc = list[0].dc;
        RefineDown(
            L - 1,
            [&pyramid](int level, Plane* a, Plane* b, Plane*) {
                *a = BandPlane(pyramid.Level(level), 0);
                *b = BandPlane(pyramid.Level(level), 1);
            },
            false, &result.dr, &result.dc);
        return result;
    }
    result.dr = list[0].dr * (1 << (L - 1));
    result.dc = list[0].dc * (1 << (L - 1));
    return result;
}

SearchResult SearchPairMasked(N_ImageRec* first, N_ImageRec* second, N_ImageRec* mask, bool fine) {
    const int L = PyramidLevels(first->nrows, first->ncolumns, 20);
    Pyramid a, b, m;
    if (!a.Build(first, L) || !b.Build(second, L) || !m.Build(mask, L))
        return SearchResult{3, 0, 0};
    return SearchWithChoice(a, b, &m, CoarseRule{9, 1, false}, fine);
}

SearchResult SearchPairPyramids(const Pyramid& first, const Pyramid& second, bool fine) {
    return SearchWithChoice(first, second, nullptr, CoarseRule{8, 2, false}, fine);
}
