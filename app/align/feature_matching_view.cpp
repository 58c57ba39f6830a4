#include "feature_matching_view.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

constexpr int kHalf = CorrespondenceStore::kHalfPatch;

CanvasRect Clip(const CanvasRect& r, int width, int height) {
    return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width),
            std::min(r.bottom, height)};
}

} // namespace

CFeatureMatchingView::CFeatureMatchingView(CorrespondenceStore& store, QWidget* parent)
    : CBlendingView(parent), m_store(store) {
    setToolTip(tr("Double click to mark a point; drag a marked point to move it"));
}

void CFeatureMatchingView::SetPictures(PairPicture own, PairPicture partner,
                                       std::vector<const CImageInfo*> order) {
    m_own = own;
    m_partner = partner;
    m_order = std::move(order);
    m_grabbed = {-1, -1};
    const bool shown = m_own.pixels && !m_own.pixels->IsEmpty();
    SetContentSize(shown ? m_own.pixels->Width() : 0, shown ? m_own.pixels->Height() : 0);
}

void CFeatureMatchingView::ScrollTo(int x, int y) {
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
    RedrawCanvas();
}

QPoint CFeatureMatchingView::ContentPoint(QPoint viewportPoint) const {
    return viewportPoint + QPoint(ScrollX(), ScrollY());
}

void CFeatureMatchingView::ComposeCanvas() {
    Canvas().ClearToDefault();
    if (!m_own.pixels || m_own.pixels->IsEmpty()) return;
    const CanvasRect visible = Clip(
        {ScrollX(), ScrollY(), ScrollX() + viewport()->width(), ScrollY() + viewport()->height()},
        m_own.pixels->Width(), m_own.pixels->Height());
    if (visible.IsEmpty()) return;
    Compose(m_own.pixels->Render(1.0f, visible, m_tile), visible.left, visible.top, kComposeOpaque);
    if (!m_partner.pixels || m_partner.pixels->IsEmpty()) return;
    // At each point, the partner's content at its partner point, laid over it.
    for (int k = 0; k < m_store.Count(); ++k) {
        const Correspondence& item = m_store.At(k);
        const bool selected = k == m_store.Selected();
        const int half = selected ? kHalf + 4 : kHalf;
        for (const FeaturePoint& p : item) {
            if (p.picture != m_own.record) continue;
            for (const FeaturePoint& q : item) {
                if (q.picture != m_partner.record) continue;
                const CanvasRect area =
                    Clip({q.x - half, q.y - half, q.x + half + 1, q.y + half + 1},
                         m_partner.pixels->Width(), m_partner.pixels->Height());
                if (area.IsEmpty()) continue;
                Compose(m_partner.pixels->Render(1.0f, area, m_tile), p.x - q.x + area.left,
                        p.y - q.y + area.top,
                        selected ? kComposeDoubleStripedFrame : kComposeInvertedFrame);
            }
        }
    }
}

void CFeatureMatchingView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_editable) return;
    const QPoint at = ContentPoint(event->position().toPoint());
    m_grabbed = m_store.Hit(m_own.record, at.x(), at.y());
    if (m_grabbed.first < 0) return;
    m_store.SetSelected(m_grabbed.first);
    const FeaturePoint& p = m_store.At(m_grabbed.first)[m_grabbed.second];
    m_grabOffset = QPoint(p.x, p.y) - at;
    emit PointsChanged();
}

void CFeatureMatchingView::mouseMoveEvent(QMouseEvent* event) {
    if (m_grabbed.first < 0 || !(event->buttons() & Qt::LeftButton) || !m_own.pixels) return;
    const QPoint to = ContentPoint(event->position().toPoint()) + m_grabOffset;
    FeaturePoint& p = m_store.Point(m_grabbed.first, m_grabbed.second);
    p.x = std::clamp(to.x(), 0, m_own.pixels->Width() - 1);
    p.y = std::clamp(to.y(), 0, m_own.pixels->Height() - 1);
    emit PointsChanged();
}

void CFeatureMatchingView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_grabbed = {-1, -1};
}

void CFeatureMatchingView::AddAt(int x, int y) {
    if (!m_own.record) return;
    // The same position in the common frame for both pictures of the pair.
    const PlacementRect& r = m_own.record->Rect();
    m_store.SetSelected(m_store.Add(x + r.left, y + r.top, m_order));
    emit PointsChanged();
}

void CFeatureMatchingView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_mayAdd || !m_editable) return;
    const QPoint at = ContentPoint(event->position().toPoint());
    AddAt(at.x(), at.y());
}

CZoomSelectionView::CZoomSelectionView(const CorrespondenceStore& store, QWidget* parent)
    : QWidget(parent), m_store(store) {
    setMinimumSize(96, 96);
}

void CZoomSelectionView::SetPictures(std::vector<PairPicture> pictures, const CImageInfo* filter) {
    m_pictures = std::move(pictures);
    m_filter = filter;
    update();
}

void CZoomSelectionView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(222, 222, 222));
    const int k = m_store.Selected();
    if (k < 0) return; // no point: nothing to show
    BlendCanvas canvas;
    if (!canvas.Resize(2 * kHalf, 2 * kHalf)) return;
    canvas.ClearToDefault();
    for (const FeaturePoint& p : m_store.At(k)) {
        if (m_filter && p.picture != m_filter) continue;
        const auto found =
            std::find_if(m_pictures.begin(), m_pictures.end(),
                         [&](const PairPicture& c) { return c.record == p.picture; });
        if (found == m_pictures.end() || !found->pixels || found->pixels->IsEmpty()) continue;
        const CanvasRect area = Clip({p.x - kHalf, p.y - kHalf, p.x + kHalf, p.y + kHalf},
                                     found->pixels->Width(), found->pixels->Height());
        if (area.IsEmpty()) continue;
        canvas.Compose(found->pixels->Render(1.0f, area, m_tile), area.left - (p.x - kHalf),
                       area.top - (p.y - kHalf), m_filter ? kComposeOpaque : kComposeHalfMix);
    }
    const QImage rows(canvas.Bits(), canvas.Width(), canvas.Height(), canvas.Stride(),
                      QImage::Format_BGR888);
    painter.drawImage(rect(), rows.mirrored(false, true));
    painter.setPen(QColor(255, 0, 0));
    const QPoint c = rect().center();
    painter.drawLine(10, c.y(), width() - 11, c.y());
    painter.drawLine(c.x(), 10, c.x(), height() - 11);
}
