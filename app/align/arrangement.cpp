#include "arrangement.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "image_impl.h"
#include "stitchkit/BmpAdapter.h"

namespace {

bool Contains(const PlacementRect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

PlacementRect Union(std::span<CImageInfo* const> pictures, bool display) {
    PlacementRect all{};
    bool first = true;
    for (const CImageInfo* picture : pictures) {
        const PlacementRect r = display ? picture->DisplayRect() : picture->Rect();
        if (first) {
            all = r;
            first = false;
            continue;
        }
        all = {std::min(all.left, r.left), std::min(all.top, r.top), std::max(all.right, r.right),
               std::max(all.bottom, r.bottom)};
    }
    return all;
}

void MoveBy(CImageInfo& picture, int dx, int dy) {
    picture.MoveTo(picture.Rect().left + dx, picture.Rect().top + dy);
}

// Half of an extent rounded half away from zero.
long long HalfRounded(int extent) {
    return std::llround(static_cast<double>(extent) / 2.0);
}

} // namespace

PictureHit HitTest(std::span<CImageInfo* const> pictures, int x, int y) {
    PictureHit hit;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        if (!Contains(pictures[k]->DisplayRect(), x, y)) continue;
        hit.index = static_cast<int>(k);
        ++hit.containing;
    }
    return hit;
}

PlacementRect DisplayContent(std::span<CImageInfo* const> pictures) {
    return Union(pictures, true);
}

PlacementRect PlacementContent(std::span<CImageInfo* const> pictures) {
    return Union(pictures, false);
}

void MoveDisplayTopLeft(std::span<CImageInfo* const> pictures, int index, int x, int y,
                        bool following) {
    if (index < 0 || index >= static_cast<int>(pictures.size())) return;
    const PlacementRect before = pictures[index]->DisplayRect();
    const int dx = x - before.left, dy = y - before.top;
    const std::size_t last = following ? pictures.size() : static_cast<std::size_t>(index) + 1;
    for (std::size_t k = static_cast<std::size_t>(index); k < last; ++k) {
        const PlacementRect r = pictures[k]->DisplayRect();
        pictures[k]->SetDisplayTopLeft(r.left + dx, r.top + dy);
    }
}

void CommitPairMoves(CAlignDocument& document, int i, const PlacementRect& savedFirst,
                     const PlacementRect& savedSecond) {
    const CImageInfo* a = document.At(i);
    const CImageInfo* b = document.At(i + 1);
    if (!a || !b) return;
    const int dxA = a->Rect().left - savedFirst.left, dyA = a->Rect().top - savedFirst.top;
    const int dxB = b->Rect().left - savedSecond.left, dyB = b->Rect().top - savedSecond.top;
    for (int k = 0; k < document.Count(); ++k) {
        if (k < i && (dxA != 0 || dyA != 0)) MoveBy(*document.At(k), dxA, dyA);
        if (k > i + 1 && (dxB != 0 || dyB != 0)) MoveBy(*document.At(k), dxB, dyB);
    }
}

bool NeighboursOverlap(const CAlignDocument& document) {
    for (int k = 0; k + 1 < document.Count(); ++k) {
        const PlacementRect& a = document.m_ImageInfoList[k]->Rect();
        const PlacementRect& b = document.m_ImageInfoList[k + 1]->Rect();
        if (std::max(a.left, b.left) >= std::min(a.right, b.right) ||
            std::max(a.top, b.top) >= std::min(a.bottom, b.bottom))
            return false;
    }
    return true;
}

std::vector<int> RearrangementOrder(const std::vector<PlacementRect>& placements) {
    const int n = static_cast<int>(placements.size());
    std::vector<int> best(n);
    for (int k = 0; k < n; ++k) best[k] = k;
    if (n < 3) return best;

    std::vector<long long> cx(n), cy(n);
    for (int k = 0; k < n; ++k) {
        const PlacementRect& r = placements[k];
        cx[k] = r.left + HalfRounded(r.right - r.left);
        cy[k] = r.top + HalfRounded(r.bottom - r.top);
    }
    long long bestCost = std::numeric_limits<long long>::max();
    std::vector<int> chain;
    std::vector<bool> visited;
    for (int start = 0; start < n; ++start) {
        chain.assign(1, start);
        visited.assign(n, false);
        visited[start] = true;
        long long cost = 0;
        for (int current = start; static_cast<int>(chain.size()) < n;) {
            int next = -1;
            long long nearest = std::numeric_limits<long long>::max();
            for (int k = 0; k < n; ++k) {
                if (visited[k]) continue;
                const long long dx = cx[k] - cx[current], dy = cy[k] - cy[current];
                const long long d = dx * dx + dy * dy;
                if (d < nearest) { // strict: among equal distances the earlier entry stays
                    nearest = d;
                    next = k;
                }
            }
            visited[next] = true;
            chain.push_back(next);
            cost += nearest;
            current = next;
        }
        if (cost < bestCost) {
            bestCost = cost;
            best = chain;
        }
    }
    return best;
}

GreyMaskAdapter::GreyMaskAdapter(CImageImpl& mask)
    : m_header(mask.GetHeader()), m_palette(GreyPalette()),
      m_adapter(std::make_unique<CBmpAdapter>(&m_header, mask.GetBits(), m_palette.data())) {}

GreyMaskAdapter::~GreyMaskAdapter() = default;
