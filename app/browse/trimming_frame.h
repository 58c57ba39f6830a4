// The trimming rectangle of the image viewer: handle hit test, dragging kept inside the
// picture, and conversion to picture pixels. View coordinates include the scroll position.
#pragma once

#include <optional>

#include "blend_canvas.h"

// Handles: 0 inside, 1 top-left, 2 top-right, 3 bottom-right, 4 bottom-left, 5 top edge,
// 6 right edge, 7 bottom edge, 8 left edge; -1 none.
inline constexpr int kHandleNone = -1;
inline constexpr int kHandleInside = 0;
// Mode in which only the top and bottom edges may be moved.
inline constexpr int kTrimTopBottomOnly = 2;

CanvasRect Normalized(const CanvasRect& r);
CanvasRect Intersect(const CanvasRect& a, const CanvasRect& b);

class TrimmingFrame {
public:
    // The handle under point (x, y): "near" is a squared distance below 225 (15 pixels).
    static int HitTest(const CanvasRect& rect, int x, int y, int mode);

    bool Exists() const { return m_rect.has_value(); }
    const CanvasRect& Rect() const { return *m_rect; }
    void Set(const CanvasRect& rect) { m_rect = Normalized(rect); }
    void Clear() {
        m_rect.reset();
        m_grabbed = kHandleNone;
    }
    int Grabbed() const { return m_grabbed; }

    // Button down: grabs the handle under the point; true when one (or the inside) was hit.
    bool Press(int x, int y, int mode);
    // Move with the button held: the grabbed edges (or the whole rectangle) follow the cursor,
    // kept inside `bounds` (the picture's display rectangle).
    void Drag(int x, int y, const CanvasRect& bounds);
    // Button up: the rectangle is normalised and the handle released.
    void Release();

    // Moves and scales the rectangle with the picture when the view's origin or zoom changes.
    void Remap(int oldOriginX, int oldOriginY, float oldZoom, int originX, int originY, float zoom);

private:
    std::optional<CanvasRect> m_rect;
    CanvasRect m_atPress{};
    int m_grabbed = kHandleNone;
    int m_pressX = 0, m_pressY = 0;
};

// The rectangle in picture pixels: (view coordinate - origin) / zoom, rounded half away from
// zero.
CanvasRect ToPicturePixels(const CanvasRect& viewRect, int originX, int originY, float zoom);
// A picture-pixel size of a rectangle drawn at `zoom`: its width and height / zoom, rounded
// half away from zero.
void PictureSize(const CanvasRect& viewRect, float zoom, int* width, int* height);
