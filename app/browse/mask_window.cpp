#include "mask_window.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "image_impl.h"
#include "image_viewer.h"
#include "zoom_controls.h"

namespace {

int RoundHalfAway(double value) {
    return static_cast<int>(value < 0 ? -std::floor(-value + 0.5) : std::floor(value + 0.5));
}

// How close (in screen pixels) a press must be to the outline to resize the circle.
constexpr double kEdgeGrab = 6.0;

} // namespace

std::unique_ptr<CImageImpl> MakeCircleMask(int width, int height, int cx, int cy, int r) {
    std::unique_ptr<CImageImpl> mask = CImageImpl::Create(width, height, 8, kImageTypeBmp);
    if (!mask) return nullptr;
    const std::vector<RGBQUAD> grey = GreyPalette(256);
    mask->SetPalette(grey);
    for (int y = 0; y < height; ++y) {
        const long long dy = y - cy;
        const long long d = static_cast<long long>(r) * r - dy * dy;
        if (d <= 0) continue;
        const int h = RoundHalfAway(std::sqrt(static_cast<double>(d)));
        const int from = std::max(cx - h, 0), to = std::min(cx + h, width - 1);
        BYTE* row = mask->GetRow(y);
        for (int x = from; x <= to; ++x) row[x] = 255;
    }
    return mask;
}

MaskWindow::MaskWindow(std::unique_ptr<CImageImpl> picture, std::optional<MaskCircle> previous,
                       QWidget* parent)
    : QDialog(parent), m_picture(std::move(picture)), m_pending(previous) {
    setObjectName("id4079");
    setWindowTitle(tr("Mask"));
    setSizeGripEnabled(true);
    auto* note = new QLabel(
        tr("Draw a circle over the area of the picture to use for the alignment: press and "
           "drag from its centre. Drag its outline to resize it, its inside to move it."),
        this);
    note->setWordWrap(true);
    m_viewer = new CImageViewer(this);
    m_viewer->SetPicture(m_picture.get());
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName("id29000");
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName("id28031");
    auto* tools = new QHBoxLayout;
    AddZoomControls(m_viewer, this, tools);
    tools->addStretch(1);
    tools->addWidget(ok);
    tools->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(tools);
    layout->addWidget(m_viewer, 1);
    resize(900, 680);

    m_zoom = m_viewer->GetZoom();
    if (m_pending)
        m_circle =
            MaskCircle{m_pending->cx * m_zoom, m_pending->cy * m_zoom, m_pending->r * m_zoom};
    // The circle follows the picture when the zoom changes.
    connect(m_viewer, &CImageViewer::ZoomChanged, this, [this](float zoom) {
        if (m_circle && m_zoom > 0.0f) {
            const double f = zoom / m_zoom;
            m_circle = MaskCircle{m_circle->cx * f, m_circle->cy * f, m_circle->r * f};
        }
        m_zoom = zoom;
        m_viewer->viewport()->update();
    });
    m_viewer->SetMouseCallback(
        [this](unsigned message, unsigned keys, int x, int y) { OnMouse(message, keys, x, y); });
    m_viewer->SetPaintCallback([this](QPainter& painter) {
        if (!m_circle) return;
        const CanvasRect shown = m_viewer->DisplayRect();
        const double ox = shown.left - m_viewer->ScrollX(), oy = shown.top - m_viewer->ScrollY();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, 3));
        const QPointF centre(ox + m_circle->cx, oy + m_circle->cy);
        painter.drawEllipse(centre, m_circle->r, m_circle->r);
        painter.setPen(QPen(Qt::yellow, 1));
        painter.drawEllipse(centre, m_circle->r, m_circle->r);
    });
    connect(ok, &QPushButton::clicked, this, &MaskWindow::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

MaskWindow::~MaskWindow() = default;

void MaskWindow::OnMouse(unsigned message, unsigned keys, int x, int y) {
    // Positions relative to the picture's top-left at the current zoom.
    const CanvasRect shown = m_viewer->DisplayRect();
    const double px = x + m_viewer->ScrollX() - shown.left;
    const double py = y + m_viewer->ScrollY() - shown.top;
    if (message == kButtonDown && (keys & kKeyLeftButton)) {
        if (m_circle) {
            const double d = std::hypot(px - m_circle->cx, py - m_circle->cy);
            if (std::abs(d - m_circle->r) <= kEdgeGrab) {
                m_drag = Drag::Resize;
                return;
            }
            if (d < m_circle->r) {
                m_drag = Drag::Move;
                m_grabX = px - m_circle->cx;
                m_grabY = py - m_circle->cy;
                return;
            }
        }
        m_circle = MaskCircle{px, py, 0.0};
        m_drag = Drag::Draw;
        m_viewer->viewport()->update();
        return;
    }
    if (m_drag == Drag::None || !m_circle) return;
    if (message == kMouseMove || message == kButtonUp) {
        if (m_drag == Drag::Move) {
            m_circle->cx = px - m_grabX;
            m_circle->cy = py - m_grabY;
        } else {
            m_circle->r = std::hypot(px - m_circle->cx, py - m_circle->cy);
        }
        m_viewer->viewport()->update();
    }
    if (message == kButtonUp) {
        // A click without a drag leaves no circle.
        if (m_circle->r < 1.0) m_circle.reset();
        m_drag = Drag::None;
    }
}

std::optional<MaskCircle> MaskWindow::PictureCircle() const {
    if (!m_circle || m_zoom <= 0.0f) return std::nullopt;
    return MaskCircle{static_cast<double>(RoundHalfAway(m_circle->cx / m_zoom)),
                      static_cast<double>(RoundHalfAway(m_circle->cy / m_zoom)),
                      static_cast<double>(RoundHalfAway(m_circle->r / m_zoom))};
}

void MaskWindow::accept() {
    const std::optional<MaskCircle> circle = PictureCircle();
    if (circle && m_picture)
        m_mask = MakeCircleMask(m_picture->GetWidth(), m_picture->GetHeight(),
                                static_cast<int>(circle->cx), static_cast<int>(circle->cy),
                                static_cast<int>(circle->r));
    QDialog::accept();
}
