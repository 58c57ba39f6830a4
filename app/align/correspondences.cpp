#include "correspondences.h"

#include <algorithm>
#include <cstdlib>

int CorrespondenceStore::Add(int x, int y, const std::vector<const CImageInfo*>& pictures) {
    Correspondence item;
    for (const CImageInfo* picture : pictures) {
        const PlacementRect& r = picture->Rect();
        // Outside the picture the point goes to its nearest edge.
        const int cx = std::clamp(x, r.left, std::max(r.left, r.right - 1));
        const int cy = std::clamp(y, r.top, std::max(r.top, r.bottom - 1));
        item.push_back({cx - r.left, cy - r.top, picture});
    }
    m_items.push_back(std::move(item));
    return Count() - 1;
}

void CorrespondenceStore::Remove(int index) {
    if (index < 0 || index >= Count()) return;
    m_items.erase(m_items.begin() + index);
    if (m_selected == index) m_selected = -1;
    if (m_selected > index) --m_selected;
}

std::pair<int, int> CorrespondenceStore::Hit(const CImageInfo* picture, int x, int y) const {
    for (int k = 0; k < Count(); ++k)
        for (int m = 0; m < static_cast<int>(m_items[k].size()); ++m) {
            const FeaturePoint& p = m_items[k][m];
            if (p.picture == picture && std::abs(p.x - x) <= kHalfPatch &&
                std::abs(p.y - y) <= kHalfPatch)
                return {k, m};
        }
    return {-1, -1};
}

std::vector<MatchRecord> CorrespondenceStore::Extract(const CImageInfo* a,
                                                      const CImageInfo* b) const {
    std::vector<MatchRecord> records;
    for (const Correspondence& item : m_items)
        for (const FeaturePoint& p : item) {
            if (p.picture != a) continue;
            for (const FeaturePoint& q : item)
                if (q.picture == b)
                    records.push_back({double(p.y), double(p.x), double(q.y), double(q.x)});
        }
    return records;
}
