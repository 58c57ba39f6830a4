#include "blending_view.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

CBlendingView::CBlendingView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
}

int CBlendingView::ScrollX() const {
    return horizontalScrollBar()->value();
}

int CBlendingView::ScrollY() const {
    return verticalScrollBar()->value();
}

void CBlendingView::Compose(const Bgr24View& picture, int x, int y, int mode,
                            const std::optional<CanvasRect>& clip) {
    m_canvas.Compose(picture, x, y, mode, clip, ScrollX(), ScrollY());
}

void CBlendingView::SetContentSize(int width, int height) {
    m_contentWidth = width;
    m_contentHeight = height;
    UpdateScrollBars();
    RedrawCanvas();
}

void CBlendingView::RedrawCanvas() {
    m_dirty = true;
    viewport()->update();
}

void CBlendingView::UpdateScrollBars() {
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, m_contentWidth - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(0, std::max(0, m_contentHeight - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    verticalScrollBar()->setSingleStep(20);
}

void CBlendingView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CBlendingView::scrollContentsBy(int, int) {
    RedrawCanvas();
}

void CBlendingView::paintEvent(QPaintEvent*) {
    const QSize size = viewport()->size();
    if (m_canvas.Width() != BlendCanvas::RoundUp4(size.width()) ||
        m_canvas.Height() != BlendCanvas::RoundUp4(size.height())) {
        m_canvas.Resize(size.width(), size.height());
        m_dirty = true;
    }
    QPainter painter(viewport());
    if (m_canvas.Width() == 0 || m_canvas.Height() == 0) {
        painter.fillRect(rect(), QColor(BlendCanvas::kDefaultGrey, BlendCanvas::kDefaultGrey,
                                        BlendCanvas::kDefaultGrey));
        return;
    }
    if (m_dirty) ComposeCanvas();
    m_dirty = false;
    // The canvas rows are bottom-up: view them as a top-down image and draw it mirrored.
    const QImage rows(m_canvas.Bits(), m_canvas.Width(), m_canvas.Height(), m_canvas.Stride(),
                      QImage::Format_BGR888);
    painter.save();
    painter.setTransform(QTransform(1, 0, 0, -1, 0, m_canvas.Height()));
    painter.drawImage(0, 0, rows);
    painter.restore();
    PaintOverlay(painter);
}
