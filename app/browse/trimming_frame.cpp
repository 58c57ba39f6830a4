#include "trimming_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kNear = 15;
constexpr int kNearSquared = kNear * kNear;

bool NearPoint(int x, int y, int px, int py) {
    const long dx = x - px, dy = y - py;
    return dx * dx + dy * dy < kNearSquared;
}

int RoundHalfAway(double v) {
    return static_cast<int>(std::lround(v));
}

} // namespace

CanvasRect Normalized(const CanvasRect& r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

CanvasRect Intersect(const CanvasRect& a, const CanvasRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

int TrimmingFrame::HitTest(const CanvasRect& rect, int x, int y, int mode) {
    const CanvasRect r = Normalized(rect);
    // The point's 15 x 15 neighbourhood must touch the rectangle.
    if (x <= r.left - kNear || x >= r.right + kNear || y <= r.top - kNear || y >= r.bottom + kNear)
        return kHandleNone;
    const bool onlyTopBottom = mode == kTrimTopBottomOnly;
    if (!onlyTopBottom) {
        if (NearPoint(x, y, r.left, r.top)) return 1;
        if (NearPoint(x, y, r.right, r.top)) return 2;
        if (NearPoint(x, y, r.right, r.bottom)) return 3;
        if (NearPoint(x, y, r.left, r.bottom)) return 4;
    }
    const bool withinColumns = x >= r.left && x <= r.right;
    const bool withinRows = y >= r.top && y <= r.bottom;
    if (withinColumns && std::abs(y - r.top) < kNear) return 5;
    if (!onlyTopBottom && withinRows && std::abs(x - r.right) < kNear) return 6;
    if (withinColumns && std::abs(y - r.bottom) < kNear) return 7;
    if (!onlyTopBottom && withinRows && std::abs(x - r.left) < kNear) return 8;
    if (!onlyTopBottom && x > r.left && x < r.right && y > r.top && y < r.bottom)
        return kHandleInside;
    return kHandleNone;
}

bool TrimmingFrame::Press(int x, int y, int mode) {
    if (!m_rect) return false;
    m_grabbed = HitTest(*m_rect, x, y, mode);
    if (m_grabbed == kHandleNone) return false;
    m_atPress = *m_rect;
    m_pressX = x;
    m_pressY = y;
    return true;
}

void TrimmingFrame::Drag(int x, int y, const CanvasRect& bounds) {
    if (!m_rect || m_grabbed == kHandleNone) return;
    int dx = x - m_pressX, dy = y - m_pressY;
    CanvasRect r = m_atPress;
    if (m_grabbed == kHandleInside) {
        // The whole rectangle moves, stopped at the picture's edges.
        const CanvasRect n = Normalized(r);
        dx = std::clamp(dx, bounds.left - n.left,
                        std::max(bounds.left - n.left, bounds.right - n.right));
        dy = std::clamp(dy, bounds.top - n.top,
                        std::max(bounds.top - n.top, bounds.bottom - n.bottom));
        r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
    } else {
        const int h = m_grabbed;
        if (h == 1 || h == 4 || h == 8) r.left += dx;
        if (h == 2 || h == 3 || h == 6) r.right += dx;
        if (h == 1 || h == 2 || h == 5) r.top += dy;
        if (h == 3 || h == 4 || h == 7) r.bottom += dy;
    }
    // Every edge stays inside the picture.
    r.left = std::clamp(r.left, bounds.left, bounds.right);
    r.right = std::clamp(r.right, bounds.left, bounds.right);
    r.top = std::clamp(r.top, bounds.top, bounds.bottom);
    r.bottom = std::clamp(r.bottom, bounds.top, bounds.bottom);
    m_rect = r;
}

void TrimmingFrame::Release() {
    if (m_rect) m_rect = Normalized(*m_rect);
    m_grabbed = kHandleNone;
}

void TrimmingFrame::Remap(int oldOriginX, int oldOriginY, float oldZoom, int originX, int originY,
                          float zoom) {
    if (!m_rect || oldZoom <= 0.0f || zoom <= 0.0f) return;
    const double k = static_cast<double>(zoom) / oldZoom;
    auto mapX = [&](int v) { return originX + RoundHalfAway((v - oldOriginX) * k); };
    auto mapY = [&](int v) { return originY + RoundHalfAway((v - oldOriginY) * k); };
    m_rect = CanvasRect{mapX(m_rect->left), mapY(m_rect->top), mapX(m_rect->right),
                        mapY(m_rect->bottom)};
}

CanvasRect ToPicturePixels(const CanvasRect& viewRect, int originX, int originY, float zoom) {
    const CanvasRect r = Normalized(viewRect);
    const double z = zoom;
    return {RoundHalfAway((r.left - originX) / z), RoundHalfAway((r.top - originY) / z),
            RoundHalfAway((r.right - originX) / z), RoundHalfAway((r.bottom - originY) / z)};
}

void PictureSize(const CanvasRect& viewRect, float zoom, int* width, int* height) {
    const CanvasRect r = Normalized(viewRect);
    *width = RoundHalfAway((r.right - r.left) / static_cast<double>(zoom));
    *height = RoundHalfAway((r.bottom - r.top) / static_cast<double>(zoom));
}
