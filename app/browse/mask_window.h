// The mask window (resource 4079): the corrected picture in an image viewer with zoom controls,
// over which the user draws one circle with the mouse to mark the picture area the alignment
// uses. OK (29000) makes the 8-bit mask: 255 inside the circle, 0 outside.
#pragma once

#include <QDialog>

#include <memory>
#include <optional>

#include "image_impl.h"

class CImageViewer;

// A circle: centre and radius.
struct MaskCircle {
    double cx = 0.0, cy = 0.0, r = 0.0;
};

// An 8-bit picture of width x height with the grey-ramp palette, 0 everywhere except the rows
// of the circle (cx, cy, r in picture pixels): for every row y with d = r^2 - (y - cy)^2 > 0,
// h = sqrt(d) rounded, columns cx - h .. cx + h (within the picture) are 255.
std::unique_ptr<CImageImpl> MakeCircleMask(int width, int height, int cx, int cy, int r);

class MaskWindow : public QDialog {
    Q_OBJECT
public:
    // `previous` is the circle of an earlier use, in picture pixels.
    MaskWindow(std::unique_ptr<CImageImpl> picture, std::optional<MaskCircle> previous,
               QWidget* parent = nullptr);
    ~MaskWindow() override;

    CImageViewer* Viewer() const { return m_viewer; }
    // The circle at the viewer's zoom, relative to the picture's top-left on screen.
    const std::optional<MaskCircle>& Circle() const { return m_circle; }
    // The circle in picture pixels: each value divided by the zoom, rounded half away from zero.
    std::optional<MaskCircle> PictureCircle() const;
    // The mask made by OK (null before, or when no circle was drawn).
    std::unique_ptr<CImageImpl> TakeMask() { return std::move(m_mask); }

protected:
    void accept() override;

private:
    void OnMouse(unsigned message, unsigned keys, int x, int y);

    std::unique_ptr<CImageImpl> m_picture;
    CImageViewer* m_viewer = nullptr;
    std::optional<MaskCircle> m_circle;
    std::optional<MaskCircle> m_pending; // previous circle until the first zoom is known
    enum class Drag { None, Draw, Resize, Move } m_drag = Drag::None;
    double m_grabX = 0.0, m_grabY = 0.0;
    float m_zoom = 1.0f;
    std::unique_ptr<CImageImpl> m_mask;
};
