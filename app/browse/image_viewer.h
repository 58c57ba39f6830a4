// CImageViewer: one picture (and optionally a second one mixed over it) at a chosen zoom,
// centred in the view, with an optional trimming rectangle the user drags, drawn as a moving
// dashed frame. Only the visible part of the picture is scaled at each paint.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QBasicTimer>
#include <QBrush>

#include "blending_view.h"
#include "trimming_frame.h"
#include "zoomed_picture.h"

class CImageImpl;

// Where the viewer puts the picture trimmed to its rectangle; `locked` keeps trimming off.
struct TrimTarget {
    std::unique_ptr<CImageImpl> trimmed;
    bool locked = false;
};

// Mouse messages and key flags passed to the owner's mouse callback.
inline constexpr unsigned kMouseMove = 512;
inline constexpr unsigned kButtonDown = 513;
inline constexpr unsigned kButtonUp = 514;
inline constexpr unsigned kKeyLeftButton = 0x0001;
inline constexpr unsigned kKeyRightButton = 0x0002;
inline constexpr unsigned kKeyShift = 0x0004;
inline constexpr unsigned kKeyControl = 0x0008;

class CImageViewer : public CBlendingView {
    Q_OBJECT
public:
    using MouseCallback = std::function<void(unsigned message, unsigned keys, int x, int y)>;
    using PaintCallback = std::function<void(QPainter&)>;
    using SizeCallback = std::function<void(int width, int height)>;

    explicit CImageViewer(QWidget* parent = nullptr);

    // Shows a picture (kept by the caller); null shows nothing. False when it cannot be shown.
    bool SetPicture(const CImageImpl* picture);
    bool SetSecondPicture(const CImageImpl* picture);
    const CImageImpl* Picture() const { return m_picture; }

    // Zoom > 0 applies it; anything else beeps and changes nothing.
    void SetZoom(float zoom);
    float GetZoom() const { return m_zoom; }
    // Fits the picture into the view (with a 5 % margin while the fit flag is on; at most 300 %).
    void Fit();
    void SetFitMargin(bool margin) { m_fitMargin = margin; }
    void ZoomIn();
    void ZoomOut();

    void SetBackground(int red, int green, int blue);

    // Trimming is possible while a target is attached, it is not locked and it is enabled.
    void SetTrimTarget(TrimTarget* target) { m_trimTarget = target; }
    void SetTrimmingEnabled(bool enabled);
    bool TrimmingEnabled() const;
    void SetMode(int mode) { m_mode = mode; }
    bool HasTrimmingRectangle() const { return m_frame.Exists(); }
    // The rectangle in view coordinates (scroll position included).
    CanvasRect TrimmingRectangle() const {
        return m_frame.Exists() ? m_frame.Rect() : CanvasRect{};
    }
    void SetTrimmingRectangle(const CanvasRect& viewRect);
    // The rectangle in picture pixels.
    CanvasRect TrimmingRectangleInPicture() const;
    // Crops the picture to the rectangle into the trim target and fits again; a rectangle that
    // does not lie inside the picture gives a warning and changes nothing.
    bool MakeTrimmedPicture();

    // The picture's display rectangle in view coordinates.
    CanvasRect DisplayRect() const;
    int OriginX() const { return m_originX; }
    int OriginY() const { return m_originY; }
    // Bytes the view holds besides the picture (canvas, tiles, pyramid).
    std::size_t ExtraBytes() const;

    void SetMouseCallback(MouseCallback callback) { m_mouseCallback = std::move(callback); }
    void SetPaintCallback(PaintCallback callback) { m_paintCallback = std::move(callback); }
    void SetSizeCallback(SizeCallback callback) { m_sizeCallback = std::move(callback); }

signals:
    void ZoomChanged(float zoom);

protected:
    void ComposeCanvas() override;
    void PaintOverlay(QPainter& painter) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Centres the picture again; the trimming frame follows the picture from its old origin
    // and from `oldZoom` (the current zoom when not given).
    void Relayout(std::optional<float> oldZoom = std::nullopt);
    void ForwardMouse(unsigned message, QMouseEvent* event);
    void UpdateCursor(int viewX, int viewY);
    void ReportSize();
    QRect FrameArea() const;

    const CImageImpl* m_picture = nullptr;
    const CImageImpl* m_second = nullptr;
    ZoomedPicture m_zoomed;
    ZoomedPicture m_zoomedSecond;
    std::vector<std::uint8_t> m_tile;
    float m_zoom = 1.0f;
    bool m_fitMargin = true;
    bool m_fitPending = false;
    int m_originX = 0, m_originY = 0;
    std::uint8_t m_background[3] = {222, 222, 222};

    TrimTarget* m_trimTarget = nullptr;
    bool m_trimEnabled = false;
    int m_mode = 0;
    TrimmingFrame m_frame;
    QBasicTimer m_frameTimer;
    int m_brushPhase = 0;
    QBrush m_frameBrush;
    QBrush m_handleBrush;

    MouseCallback m_mouseCallback;
    PaintCallback m_paintCallback;
    SizeCallback m_sizeCallback;
};
