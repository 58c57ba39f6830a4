#include "image_viewer.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>

#include "image_impl.h"
#include "message_box.h"
#include "prompter.h"
#include "view_zoom.h"

namespace {

constexpr int kFrameIntervalMs = 150;
constexpr int kFrameWidth = 2;
constexpr int kHandleSize = 7;

// The dash patterns of the trimming frame: 8 x 8 tiles of diagonal dashes in two contrasting
// colours, so the frame shows on light and dark pictures; moving the brush origin animates it.
QBrush DashBrush(QColor a, QColor b) {
    QImage tile(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) tile.setPixel(x, y, ((x + y) % 8 < 4 ? a : b).rgb());
    return QBrush(QPixmap::fromImage(tile));
}

unsigned KeyFlags(const QMouseEvent* event) {
    unsigned keys = 0;
    if (event->buttons() & Qt::LeftButton) keys |= kKeyLeftButton;
    if (event->buttons() & Qt::RightButton) keys |= kKeyRightButton;
    if (event->modifiers() & Qt::ShiftModifier) keys |= kKeyShift;
    if (event->modifiers() & Qt::ControlModifier) keys |= kKeyControl;
    return keys;
}

Qt::CursorShape CursorFor(int handle) {
    switch (handle) {
    case 0:
        return Qt::SizeAllCursor;
    case 1:
    case 3:
        return Qt::SizeFDiagCursor;
    case 2:
    case 4:
        return Qt::SizeBDiagCursor;
    case 5:
    case 7:
        return Qt::SizeVerCursor;
    case 6:
    case 8:
        return Qt::SizeHorCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace

CImageViewer::CImageViewer(QWidget* parent)
    : CBlendingView(parent), m_frameBrush(DashBrush(Qt::black, Qt::white)),
      m_handleBrush(DashBrush(QColor(0, 90, 255), Qt::white)) {
    setObjectName("ImageViewer");
    viewport()->setMouseTracking(true);
    setMouseTracking(true);
}

bool CImageViewer::SetPicture(const CImageImpl* picture) {
    m_frame.Clear();
    m_picture = nullptr;
    m_zoomed.Reset();
    if (picture && !m_zoomed.SetPicture(picture)) {
        Relayout();
        return false;
    }
    m_picture = picture;
    Relayout();
    Fit();
    return true;
}

bool CImageViewer::SetSecondPicture(const CImageImpl* picture) {
    m_second = nullptr;
    m_zoomedSecond.Reset();
    if (picture && !m_zoomedSecond.SetPicture(picture)) return false;
    m_second = picture;
    RedrawCanvas();
    return true;
}

void CImageViewer::SetBackground(int red, int green, int blue) {
    m_background[0] = static_cast<std::uint8_t>(red);
    m_background[1] = static_cast<std::uint8_t>(green);
    m_background[2] = static_cast<std::uint8_t>(blue);
    RedrawCanvas();
}

CanvasRect CImageViewer::DisplayRect() const {
    if (!m_picture) return {};
    const int w = static_cast<int>(m_picture->GetWidth() * m_zoom);
    const int h = static_cast<int>(m_picture->GetHeight() * m_zoom);
    return {m_originX, m_originY, m_originX + w, m_originY + h};
}

void CImageViewer::Relayout(std::optional<float> oldZoom) {
    const int oldX = m_originX, oldY = m_originY;
    const float fromZoom = oldZoom.value_or(m_zoom);
    const QSize client = viewport()->size();
    int w = 0, h = 0;
    if (m_picture) {
        w = static_cast<int>(m_picture->GetWidth() * m_zoom);
        h = static_cast<int>(m_picture->GetHeight() * m_zoom);
    }
    m_originX = CentreOrigin(client.width(), 0, w);
    m_originY = CentreOrigin(client.height(), 0, h);
    // The frame moves and scales with the picture, once, from where it was drawn.
    if (m_frame.Exists() && (oldX != m_originX || oldY != m_originY || fromZoom != m_zoom))
        m_frame.Remap(oldX, oldY, fromZoom, m_originX, m_originY, m_zoom);
    SetContentSize(std::max(w, client.width()), std::max(h, client.height()));
    RedrawCanvas();
}

void CImageViewer::SetZoom(float zoom) {
    if (!(zoom > 0.0f)) {
        AppBeep();
        return;
    }
    const float oldZoom = m_zoom;
    m_zoom = zoom;
    m_fitPending = false;
    Relayout(oldZoom);
    if (m_frame.Exists()) ReportSize();
    emit ZoomChanged(m_zoom);
}

void CImageViewer::Fit() {
    if (!m_picture) return;
    if (!isVisible()) {
        m_fitPending = true; // fitted to the size the view has when it shows
        return;
    }
    const QSize client = viewport()->size();
    const float zoom = FitZoom(client.width(), client.height(), m_picture->GetWidth(),
                               m_picture->GetHeight(), m_fitMargin, kZoomMax);
    if (zoom > 0.0f) SetZoom(zoom);
}

void CImageViewer::ZoomIn() {
    const float next = ZoomInStep(m_zoom);
    next > 0.0f ? SetZoom(next) : Fit();
}

void CImageViewer::ZoomOut() {
    const float next = ZoomOutStep(m_zoom);
    next > 0.0f ? SetZoom(next) : Fit();
}

bool CImageViewer::TrimmingEnabled() const {
    return m_trimEnabled && m_trimTarget && !m_trimTarget->locked && m_picture;
}

void CImageViewer::SetTrimmingEnabled(bool enabled) {
    m_trimEnabled = enabled;
    if (TrimmingEnabled()) {
        if (!m_frame.Exists()) m_frame.Set(DisplayRect());
        if (isVisible() && !m_frameTimer.isActive()) m_frameTimer.start(kFrameIntervalMs, this);
        ReportSize();
    } else {
        m_frame.Clear();
        m_frameTimer.stop();
    }
    viewport()->update();
}

void CImageViewer::SetTrimmingRectangle(const CanvasRect& viewRect) {
    if (!TrimmingEnabled()) return;
    m_frame.Set(viewRect);
    ReportSize();
    viewport()->update();
}

CanvasRect CImageViewer::TrimmingRectangleInPicture() const {
    if (!m_frame.Exists()) return {};
    return ToPicturePixels(m_frame.Rect(), m_originX, m_originY, m_zoom);
}

bool CImageViewer::MakeTrimmedPicture() {
    if (!m_picture || !m_trimTarget || !m_frame.Exists()) return false;
    const CanvasRect r = TrimmingRectangleInPicture();
    const bool inside = !r.IsEmpty() && r.left >= 0 && r.top >= 0 &&
                        r.right <= m_picture->GetWidth() && r.bottom <= m_picture->GetHeight();
    std::unique_ptr<CImageImpl> cropped =
        inside ? m_picture->Crop(r.left, r.top, r.right, r.bottom) : nullptr;
    if (!cropped) {
        AppMessageBox(tr("Please set the trimming area inside the result."), tr("Warning"),
                      kMbOk | kMbIconExclamation);
        return false;
    }
    m_trimTarget->trimmed = std::move(cropped);
    Fit();
    return true;
}

std::size_t CImageViewer::ExtraBytes() const {
    return static_cast<std::size_t>(Canvas().Stride()) * Canvas().Height() +
           static_cast<std::size_t>(Canvas().Width()) * Canvas().Height() + m_tile.capacity() +
           m_zoomed.ExtraBytes() + m_zoomedSecond.ExtraBytes();
}

void CImageViewer::ComposeCanvas() {
    BlendCanvas& canvas = Canvas();
    canvas.Clear(m_background[0], m_background[1], m_background[2]);
    const CanvasRect visible{ScrollX(), ScrollY(), ScrollX() + viewport()->width(),
                             ScrollY() + viewport()->height()};
    const std::pair<ZoomedPicture*, int> layers[] = {{&m_zoomed, kComposeOpaque},
                                                     {&m_zoomedSecond, kComposeHalfMix}};
    for (const auto& [picture, mode] : layers) {
        if (picture->IsEmpty()) continue;
        const CanvasRect display{m_originX, m_originY,
                                 m_originX + static_cast<int>(picture->Width() * m_zoom),
                                 m_originY + static_cast<int>(picture->Height() * m_zoom)};
        const CanvasRect part = Intersect(display, visible);
        if (part.IsEmpty()) continue;
        const CanvasRect inPicture{part.left - m_originX, part.top - m_originY,
                                   part.right - m_originX, part.bottom - m_originY};
        const Bgr24View tile = picture->Render(m_zoom, inPicture, m_tile);
        Compose(tile, part.left, part.top, mode);
    }
}

QRect CImageViewer::FrameArea() const {
    if (!m_frame.Exists()) return {};
    const CanvasRect r = Normalized(m_frame.Rect());
    return QRect(QPoint(r.left - ScrollX(), r.top - ScrollY()),
                 QPoint(r.right - ScrollX(), r.bottom - ScrollY()))
        .adjusted(-kHandleSize, -kHandleSize, kHandleSize, kHandleSize);
}

void CImageViewer::PaintOverlay(QPainter& painter) {
    if (m_frame.Exists()) {
        const CanvasRect r = Normalized(m_frame.Rect());
        const QRect box(QPoint(r.left - ScrollX(), r.top - ScrollY()),
                        QPoint(r.right - ScrollX() - 1, r.bottom - ScrollY() - 1));
        painter.save();
        painter.setBrushOrigin(m_brushPhase, 0);
        const int fw = kFrameWidth;
        painter.fillRect(QRect(box.left(), box.top(), box.width(), fw), m_frameBrush);
        painter.fillRect(QRect(box.left(), box.bottom() - fw + 1, box.width(), fw), m_frameBrush);
        painter.fillRect(QRect(box.left(), box.top(), fw, box.height()), m_frameBrush);
        painter.fillRect(QRect(box.right() - fw + 1, box.top(), fw, box.height()), m_frameBrush);
        // Handles where the corners and edge middles can be grabbed.
        const QPoint centre = box.center();
        const bool corners = m_mode != kTrimTopBottomOnly;
        std::vector<QPoint> handles = {{centre.x(), box.top()}, {centre.x(), box.bottom()}};
        if (corners) {
            handles.insert(handles.end(), {box.topLeft(),
                                           box.topRight(),
                                           box.bottomLeft(),
                                           box.bottomRight(),
                                           {box.left(), centre.y()},
                                           {box.right(), centre.y()}});
        }
        for (const QPoint& p : handles) {
            const QRect handle(p.x() - kHandleSize / 2, p.y() - kHandleSize / 2, kHandleSize,
                               kHandleSize);
            painter.fillRect(handle, m_handleBrush);
            painter.setPen(Qt::black);
            painter.drawRect(handle.adjusted(0, 0, -1, -1));
        }
        painter.restore();
    }
    if (m_paintCallback) m_paintCallback(painter);
}

void CImageViewer::ReportSize() {
    if (!m_sizeCallback || !m_frame.Exists()) return;
    int w = 0, h = 0;
    PictureSize(m_frame.Rect(), m_zoom, &w, &h);
    m_sizeCallback(w, h);
}

void CImageViewer::resizeEvent(QResizeEvent* event) {
    CBlendingView::resizeEvent(event);
    if (m_fitPending && m_picture && isVisible())
        Fit();
    else
        Relayout();
}

void CImageViewer::showEvent(QShowEvent* event) {
    CBlendingView::showEvent(event);
    if (m_fitPending && m_picture) Fit();
    if (TrimmingEnabled() && !m_frameTimer.isActive()) m_frameTimer.start(kFrameIntervalMs, this);
}

void CImageViewer::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_frameTimer.timerId()) {
        CBlendingView::timerEvent(event);
        return;
    }
    if (!m_frame.Exists()) return;
    m_brushPhase = (m_brushPhase + 1) % 8;
    viewport()->update(FrameArea());
}

void CImageViewer::ForwardMouse(unsigned message, QMouseEvent* event) {
    if (!m_mouseCallback) return;
    const QPoint p = event->position().toPoint();
    unsigned keys = KeyFlags(event);
    if (message == kButtonDown && event->button() == Qt::LeftButton) keys |= kKeyLeftButton;
    m_mouseCallback(message, keys, p.x(), p.y());
}

void CImageViewer::UpdateCursor(int viewX, int viewY) {
    int handle = m_frame.Grabbed();
    if (handle == kHandleNone && TrimmingEnabled() && m_frame.Exists())
        handle = TrimmingFrame::HitTest(m_frame.Rect(), viewX, viewY, m_mode);
    viewport()->setCursor(CursorFor(handle));
}

void CImageViewer::mousePressEvent(QMouseEvent* event) {
    ForwardMouse(kButtonDown, event);
    const QPoint p = event->position().toPoint();
    const int x = p.x() + ScrollX(), y = p.y() + ScrollY();
    if (event->button() == Qt::LeftButton && TrimmingEnabled() && m_frame.Press(x, y, m_mode)) {
        viewport()->grabMouse();
        UpdateCursor(x, y);
    }
}

void CImageViewer::mouseMoveEvent(QMouseEvent* event) {
    ForwardMouse(kMouseMove, event);
    const QPoint p = event->position().toPoint();
    const int x = p.x() + ScrollX(), y = p.y() + ScrollY();
    if ((event->buttons() & Qt::LeftButton) && m_frame.Grabbed() != kHandleNone) {
        const QRect before = FrameArea();
        m_frame.Drag(x, y, DisplayRect());
        viewport()->update(before.united(FrameArea()));
        ReportSize();
    }
    UpdateCursor(x, y);
}

void CImageViewer::mouseReleaseEvent(QMouseEvent* event) {
    ForwardMouse(kButtonUp, event);
    if (event->button() != Qt::LeftButton || m_frame.Grabbed() == kHandleNone) return;
    const QPoint p = event->position().toPoint();
    const int x = p.x() + ScrollX(), y = p.y() + ScrollY();
    const QRect before = FrameArea();
    m_frame.Drag(x, y, DisplayRect());
    m_frame.Release();
    viewport()->releaseMouse();
    viewport()->update(before.united(FrameArea()));
    ReportSize();
    UpdateCursor(x, y);
}
