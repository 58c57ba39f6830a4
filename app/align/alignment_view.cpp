#include "alignment_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <cmath>

#include "prompter.h"
#include "view_zoom.h"

CAlignmentView::CAlignmentView(QWidget* parent) : CBlendingView(parent) {
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(tr("Drag a picture to move it. The arrow keys move the picture grabbed last by "
                  "one pixel, with Shift by ten."));
}

void CAlignmentView::SetPictures(std::vector<CImageInfo*> pictures) {
    m_pictures = std::move(pictures);
    m_grabbed = -1;
    // Until the user grabs one, the arrow keys move the topmost picture.
    m_lastGrabbed = static_cast<int>(m_pictures.size()) - 1;
    UpdateLayout();
}

void CAlignmentView::SyncZoom() {
    for (CImageInfo* picture : m_pictures) picture->SetZoom(m_zoom);
}

void CAlignmentView::SetZoom(float zoom) {
    if (!(zoom > 0.0f)) {
        AppBeep();
        return;
    }
    // The point at the middle of the view stays there.
    const QPoint middle(viewport()->width() / 2, viewport()->height() / 2);
    const QPointF fixed = QPointF(ContentPoint(middle)) / m_zoom;
    m_zoom = zoom;
    UpdateLayout();
    const QPointF at = fixed * m_zoom + QPointF(m_origin) - QPointF(middle);
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(at.x())));
    verticalScrollBar()->setValue(static_cast<int>(std::lround(at.y())));
    emit ZoomChanged(m_zoom);
}

void CAlignmentView::Fit() {
    m_fitPending = !isVisible();
    const PlacementRect content = PlacementContent(m_pictures);
    const float zoom =
        FitZoom(viewport()->width(), viewport()->height(), content.Width(), content.Height(), true);
    if (zoom > 0.0f) {
        m_zoom = zoom;
        SyncZoom();
    }
    UpdateLayout();
    emit ZoomChanged(m_zoom);
}

void CAlignmentView::ZoomIn() {
    const float next = ZoomInStep(m_zoom);
    next > 0.0f ? SetZoom(next) : Fit();
}

void CAlignmentView::ZoomOut() {
    const float next = ZoomOutStep(m_zoom);
    next > 0.0f ? SetZoom(next) : Fit();
}

void CAlignmentView::SetFitFlag(bool on) {
    m_fit = on;
    if (on) Fit();
}

void CAlignmentView::UpdateLayout() {
    SyncZoom();
    const PlacementRect content = DisplayContent(m_pictures);
    m_origin = QPoint(CentreOrigin(viewport()->width(), content.left, content.right),
                      CentreOrigin(viewport()->height(), content.top, content.bottom));
    // The scrollable extent runs from the content's top-left to its bottom-right as drawn.
    SetContentSize(std::max(viewport()->width(), m_origin.x() + content.right),
                   std::max(viewport()->height(), m_origin.y() + content.bottom));
}

QPoint CAlignmentView::ContentPoint(QPoint viewportPoint) const {
    return viewportPoint + QPoint(ScrollX(), ScrollY()) - m_origin;
}

PictureHit CAlignmentView::HitAt(QPoint viewportPoint) {
    SyncZoom();
    const QPoint p = ContentPoint(viewportPoint);
    const PictureHit hit = HitTest(m_pictures, p.x(), p.y());
    m_overlap = hit.containing == 2;
    return hit;
}

void CAlignmentView::ComposeCanvas() {
    SyncZoom();
    Canvas().ClearToDefault();
    // The visible part of the content, in display pixels relative to the content origin.
    const int viewLeft = ScrollX() - m_origin.x(), viewTop = ScrollY() - m_origin.y();
    const int viewRight = viewLeft + viewport()->width(),
              viewBottom = viewTop + viewport()->height();
    for (std::size_t k = 0; k < m_pictures.size(); ++k) {
        const PlacementRect d = m_pictures[k]->DisplayRect();
        const CanvasRect part{std::max(viewLeft, d.left) - d.left, std::max(viewTop, d.top) - d.top,
                              std::min(viewRight, d.right) - d.left,
                              std::min(viewBottom, d.bottom) - d.top};
        if (part.IsEmpty()) continue; // off screen: no scaled copy is made for it
        const Bgr24View shown = m_pictures[k]->DisplayPart(part, m_tile);
        if (!shown.bits) continue;
        const int mode = k == 0 ? kComposeOpaque : k == 1 ? kComposeHalfMix : kComposeAverage;
        Compose(shown, m_origin.x() + d.left + part.left, m_origin.y() + d.top + part.top, mode);
    }
}

void CAlignmentView::DragTo(QPoint viewportPoint) {
    const QPoint topLeft = ContentPoint(viewportPoint) - m_grabOffset;
    MoveDisplayTopLeft(m_pictures, m_grabbed, topLeft.x(), topLeft.y(), m_moveFollowing);
    RedrawCanvas();
}

void CAlignmentView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    setFocus();
    const PictureHit hit = HitAt(event->position().toPoint());
    if (hit.index < 0) return;
    m_grabbed = m_lastGrabbed = hit.index;
    const PlacementRect d = m_pictures[hit.index]->DisplayRect();
    m_grabOffset = ContentPoint(event->position().toPoint()) - QPoint(d.left, d.top);
    viewport()->grabMouse(Qt::SizeAllCursor);
}

void CAlignmentView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (m_grabbed >= 0 && (event->buttons() & Qt::LeftButton)) {
        DragTo(at);
        return;
    }
    SyncZoom();
    const QPoint p = ContentPoint(at);
    viewport()->setCursor(HitTest(m_pictures, p.x(), p.y()).index >= 0 ? Qt::SizeAllCursor
                                                                       : Qt::ArrowCursor);
}

void CAlignmentView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_grabbed < 0) return;
    DragTo(event->position().toPoint());
    viewport()->releaseMouse();
    m_grabbed = -1;
    m_fit ? Fit() : UpdateLayout();
    emit PicturesMoved();
}

void CAlignmentView::Nudge(int dx, int dy) {
    if (m_lastGrabbed < 0 || m_lastGrabbed >= static_cast<int>(m_pictures.size())) return;
    const std::size_t last =
        m_moveFollowing ? m_pictures.size() : static_cast<std::size_t>(m_lastGrabbed) + 1;
    for (std::size_t k = static_cast<std::size_t>(m_lastGrabbed); k < last; ++k) {
        const PlacementRect& r = m_pictures[k]->Rect();
        m_pictures[k]->MoveTo(r.left + dx, r.top + dy);
    }
    m_fit ? Fit() : UpdateLayout();
    emit PicturesMoved();
}

void CAlignmentView::keyPressEvent(QKeyEvent* event) {
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Left:
        Nudge(-step, 0);
        break;
    case Qt::Key_Right:
        Nudge(step, 0);
        break;
    case Qt::Key_Up:
        Nudge(0, -step);
        break;
    case Qt::Key_Down:
        Nudge(0, step);
        break;
    default:
        CBlendingView::keyPressEvent(event);
    }
}

void CAlignmentView::resizeEvent(QResizeEvent* event) {
    CBlendingView::resizeEvent(event);
    m_fit || m_fitPending ? Fit() : UpdateLayout();
}

CImageAlignment::CImageAlignment(QWidget* parent) : CAlignmentView(parent) {
    SetFitFlag(false);
}

void CImageAlignment::SetPair(CImageInfo* first, CImageInfo* second) {
    SetPictures({first, second});
}
