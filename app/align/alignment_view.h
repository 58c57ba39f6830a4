// The alignment views over the placed-picture records: CAlignmentView shows a list of placed
// pictures (the arrangement of the automatic alignment step and of the 360-degree seam) and
// CImageAlignment the two pictures of one pair. Both draw the first picture opaque, the second
// half mixed and any further one averaged, so the user sees through the upper picture while
// placing it, and both let the user drag a picture (or move it with the arrow keys).
#pragma once

#include <QPoint>

#include <cstdint>
#include <vector>

#include "arrangement.h"
#include "blending_view.h"

class CAlignmentView : public CBlendingView {
    Q_OBJECT
public:
    explicit CAlignmentView(QWidget* parent = nullptr);

    // The pictures shown, in drawing order (not owned; they must outlive their showing).
    void SetPictures(std::vector<CImageInfo*> pictures);
    const std::vector<CImageInfo*>& Pictures() const { return m_pictures; }

    // Zoom > 0 applies it to every picture of the view, keeping the point at the middle of the
    // view in place; anything else beeps and changes nothing.
    void SetZoom(float zoom);
    float GetZoom() const { return m_zoom; }
    // min(client / content at zoom 1) / 1.05, so the content keeps a margin of about 5 %. A
    // view that is not shown yet fits again when it gets its size.
    void Fit();
    // The steps of 0.2 between 10 % and 300 %; a step that is not above 0 fits.
    void ZoomIn();
    void ZoomOut();
    // On: fit now and at every resize.
    void SetFitFlag(bool on);
    // On: a dragged picture takes every later picture of the list with it.
    void SetMoveFollowing(bool on) { m_moveFollowing = on; }

    // Recomputes the content rectangle, the drawing origin and the scroll sizes (and in fit
    // mode the zoom), then redraws.
    void UpdateLayout();
    // Where content position (0, 0) is drawn in the viewport (scroll position not taken off).
    QPoint Origin() const { return m_origin; }
    // The picture a viewport point hits (the topmost), and whether the last hit test found
    // the point inside exactly two pictures.
    PictureHit HitAt(QPoint viewportPoint);
    bool Overlap() const { return m_overlap; }
    // The picture being dragged (-1 when no drag runs) and the last one grabbed (the topmost
    // until the user grabs one).
    int Grabbed() const { return m_grabbed; }
    int LastGrabbed() const { return m_lastGrabbed; }
    // Moves the last grabbed picture by (dx, dy) placement pixels (with the later ones when
    // the flag is on), as the arrow keys do.
    void Nudge(int dx, int dy);

signals:
    void ZoomChanged(float zoom);
    // A picture was moved by the user (after a drag or a key press).
    void PicturesMoved();

protected:
    void ComposeCanvas() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void SyncZoom();
    QPoint ContentPoint(QPoint viewportPoint) const;
    void DragTo(QPoint viewportPoint);

    std::vector<CImageInfo*> m_pictures;
    float m_zoom = 1.0f;
    bool m_fit = true;
    bool m_fitPending = false; // a fit asked for before the view had its size
    bool m_moveFollowing = false;
    bool m_overlap = false;
    QPoint m_origin;
    int m_grabbed = -1;
    int m_lastGrabbed = -1;
    QPoint m_grabOffset;
    std::vector<std::uint8_t> m_tile;
};

// The pair view of manual alignment: the two pictures of the current pair.
class CImageAlignment : public CAlignmentView {
    Q_OBJECT
public:
    explicit CImageAlignment(QWidget* parent = nullptr);
    // Shows pair (first, second) at the current zoom.
    void SetPair(CImageInfo* first, CImageInfo* second);
};
