// CBlendingView: the base of every picture view. It owns the off-screen canvas the size of its
// viewport (rounded up to multiples of 4; the extra rows and columns are never shown), lets a
// derived view compose its pictures into it at each paint, and copies the canvas to the screen
// through a QImage that views the canvas rows.
#pragma once

#include <QAbstractScrollArea>

#include "blend_canvas.h"

class CBlendingView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CBlendingView(QWidget* parent = nullptr);

    BlendCanvas& Canvas() { return m_canvas; }
    const BlendCanvas& Canvas() const { return m_canvas; }
    int ScrollX() const;
    int ScrollY() const;

    // Draws `picture` at content position (x, y) (the scroll position is taken off).
    void Compose(const Bgr24View& picture, int x, int y, int mode,
                 const std::optional<CanvasRect>& clip = std::nullopt);

    // Sets the scrollable content size; the scroll bars appear when it exceeds the viewport.
    void SetContentSize(int width, int height);
    // Asks for the pictures to be composed again at the next paint (a paint of overlays alone
    // reuses the composed canvas).
    void RedrawCanvas();

protected:
    // Called at each paint with a canvas that matches the viewport: compose the pictures here.
    virtual void ComposeCanvas() = 0;
    // Called after the canvas was copied to the screen, for overlays (frames, marks).
    virtual void PaintOverlay(QPainter&) {}

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateScrollBars();

    BlendCanvas m_canvas;
    bool m_dirty = true;
    int m_contentWidth = 0;
    int m_contentHeight = 0;
};
