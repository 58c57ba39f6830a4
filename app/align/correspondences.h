// The correspondences of manual feature matching: each one joins the points that show the same
// thing in different pictures (normally two), each point in its own picture's pixels. Pairs of
// coordinates are taken out for an ordered pair of pictures, as the engine's matches want them.
#pragma once

#include <array>
#include <vector>

#include "image_info.h"

struct FeaturePoint {
    int x = 0, y = 0; // full-resolution pixels of its own picture
    const CImageInfo* picture = nullptr;
};

// The points of one correspondence (the ring of the original design, as a list).
using Correspondence = std::vector<FeaturePoint>;

// (y1, x1, y2, x2): a point of the first picture and its partner in the second.
using MatchRecord = std::array<double, 4>;

class CorrespondenceStore {
public:
    // Half the side of the square around a point that grabs it and shows its partner.
    static constexpr int kHalfPatch = 16;

    // A new correspondence at common-frame position (x, y): one point in each picture, at the
    // same common position, clamped to the picture's placement first. Returns its index.
    int Add(int x, int y, const std::vector<const CImageInfo*>& pictures);
    void Remove(int index);
    void Clear() {
        m_items.clear();
        m_selected = -1;
    }
    int Count() const { return static_cast<int>(m_items.size()); }
    const Correspondence& At(int index) const { return m_items[index]; }
    FeaturePoint& Point(int index, int member) { return m_items[index][member]; }

    // The selected correspondence (-1 for none), shared by the panes and magnifiers.
    int Selected() const { return m_selected; }
    void SetSelected(int index) { m_selected = index >= 0 && index < Count() ? index : -1; }

    // The first correspondence with a point of `picture` within kHalfPatch of (x, y) (that
    // picture's pixels): its index and the member, or -1.
    std::pair<int, int> Hit(const CImageInfo* picture, int x, int y) const;
    // For each point of `a`, every partner of `b` in its correspondence: (a.y, a.x, b.y, b.x).
    std::vector<MatchRecord> Extract(const CImageInfo* a, const CImageInfo* b) const;

private:
    std::vector<Correspondence> m_items;
    int m_selected = -1;
};
