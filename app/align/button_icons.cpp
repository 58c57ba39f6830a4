#include "button_icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolButton>

#include <cmath>

namespace {

// Draws one icon into a square of side 24 units scaled to the requested size.
void DrawIcon(QPainter& p, ButtonIcon kind, bool enabled) {
    const QColor ink = enabled ? QColor(40, 60, 90) : QColor(160, 160, 160);
    const QColor accent = enabled ? QColor(30, 130, 220) : QColor(190, 190, 190);
    const QColor warm = enabled ? QColor(210, 90, 40) : QColor(190, 190, 190);
    QPen pen(ink, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    auto arrow = [&](QPointF from, QPointF to) {
        p.drawLine(from, to);
        const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
        const QPointF n(-d.y(), d.x());
        p.drawLine(to, to - 4 * d + 3 * n);
        p.drawLine(to, to - 4 * d - 3 * n);
    };
    auto lens = [&](const QString& sign) {
        p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
        p.setPen(QPen(ink, 3.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(15, 15), QPointF(21, 21));
        p.setPen(pen);
        p.drawLine(QPointF(7, 10), QPointF(13, 10));
        if (sign == "+") p.drawLine(QPointF(10, 7), QPointF(10, 13));
    };
    switch (kind) {
    case ButtonIcon::ZoomIn:
        lens("+");
        break;
    case ButtonIcon::ZoomOut:
        lens("-");
        break;
    case ButtonIcon::ZoomFit:
        p.drawRect(QRectF(4, 6, 16, 12));
        arrow({12, 12}, {5.5, 7.5});
        arrow({12, 12}, {18.5, 16.5});
        break;
    case ButtonIcon::Trim:
    case ButtonIcon::CancelTrim:
        p.drawLine(QPointF(7, 2), QPointF(7, 17));
        p.drawLine(QPointF(7, 17), QPointF(22, 17));
        p.drawLine(QPointF(2, 7), QPointF(17, 7));
        p.drawLine(QPointF(17, 7), QPointF(17, 22));
        if (kind == ButtonIcon::CancelTrim) {
            p.setPen(QPen(warm, 2.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3, 3), QPointF(21, 21));
        }
        break;
    case ButtonIcon::Save:
        p.drawRoundedRect(QRectF(4, 4, 16, 16), 2, 2);
        p.fillRect(QRectF(8, 4.5, 8, 5), accent);
        p.drawRect(QRectF(7, 13, 10, 7));
        break;
    case ButtonIcon::Print:
        p.drawRect(QRectF(7, 3, 10, 6));
        p.drawRoundedRect(QRectF(3, 9, 18, 8), 2, 2);
        p.fillRect(QRectF(7, 14, 10, 7), Qt::white);
        p.drawRect(QRectF(7, 14, 10, 7));
        break;
    case ButtonIcon::Panorama: {
        QPainterPath band;
        band.moveTo(3, 7);
        band.quadTo(12, 3, 21, 7);
        band.lineTo(21, 17);
        band.quadTo(12, 13, 3, 17);
        band.closeSubpath();
        p.fillPath(band, QColor(accent.red(), accent.green(), accent.blue(), 70));
        p.drawPath(band);
        break;
    }
    case ButtonIcon::Help:
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.drawArc(QRectF(9, 6, 6, 6), 180 * 16, -270 * 16);
        p.drawLine(QPointF(12, 12), QPointF(12, 14));
        p.drawPoint(QPointF(12, 17.5));
        break;
    case ButtonIcon::Exit:
        p.drawRect(QRectF(4, 4, 10, 16));
        arrow({10, 12}, {21, 12});
        break;
    case ButtonIcon::Back:
        arrow({20, 12}, {4, 12});
        break;
    case ButtonIcon::Previous:
        arrow({13, 12}, {3, 12});
        arrow({22, 12}, {12, 12});
        break;
    case ButtonIcon::Next:
        arrow({11, 12}, {21, 12});
        arrow({2, 12}, {12, 12});
        break;
    case ButtonIcon::Stitch:
        p.drawRect(QRectF(3, 6, 9, 12));
        p.drawRect(QRectF(12, 6, 9, 12));
        p.setPen(QPen(warm, 2.0, Qt::DashLine));
        p.drawLine(QPointF(12, 4), QPointF(12, 20));
        break;
    case ButtonIcon::Align:
        p.drawRect(QRectF(3, 4, 11, 11));
        p.setPen(QPen(accent, 2.0));
        p.drawRect(QRectF(10, 9, 11, 11));
        break;
    case ButtonIcon::In:
        arrow({4, 12}, {20, 12});
        break;
    case ButtonIcon::AllIn:
        arrow({4, 8}, {20, 8});
        arrow({4, 16}, {20, 16});
        break;
    case ButtonIcon::Out:
        arrow({20, 12}, {4, 12});
        break;
    case ButtonIcon::AllOut:
        arrow({20, 8}, {4, 8});
        arrow({20, 16}, {4, 16});
        break;
    case ButtonIcon::Rotate:
        p.drawArc(QRectF(4, 4, 16, 16), 90 * 16, -270 * 16);
        arrow({8, 4.5}, {12.5, 4});
        break;
    case ButtonIcon::Up:
        arrow({12, 20}, {12, 4});
        break;
    case ButtonIcon::Down:
        arrow({12, 4}, {12, 20});
        break;
    case ButtonIcon::Base:
        p.drawRect(QRectF(4, 6, 16, 12));
        p.setPen(QPen(warm, 2.5));
        p.drawLine(QPointF(8, 12), QPointF(16, 12));
        p.drawLine(QPointF(12, 8), QPointF(12, 16));
        break;
    case ButtonIcon::Rearrange:
        // Three frames put in a row by an arrow below them.
        p.drawRect(QRectF(2, 4, 6, 6));
        p.drawRect(QRectF(9, 8, 6, 6));
        p.drawRect(QRectF(16, 3, 6, 6));
        p.setPen(QPen(accent, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        arrow({3, 19}, {21, 19});
        break;
    }
}

class VectorIconEngine final : public QIconEngine {
public:
    explicit VectorIconEngine(ButtonIcon kind) : m_kind(kind) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 24.0, rect.height() / 24.0);
        DrawIcon(*painter, m_kind, mode != QIcon::Disabled);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter painter(&pm);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new VectorIconEngine(m_kind); }

private:
    ButtonIcon m_kind;
};

} // namespace

QIcon MakeButtonIcon(ButtonIcon kind) {
    return QIcon(new VectorIconEngine(kind));
}

QToolButton* MakeToolButton(QWidget* parent, int id, ButtonIcon icon, const QString& tip,
                            const QString& text) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("id%1").arg(id));
    button->setIcon(MakeButtonIcon(icon));
    button->setIconSize(QSize(24, 24));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    if (!text.isEmpty()) {
        button->setText(text);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    return button;
}

QToolButton* FindToolButton(const QWidget* window, int id) {
    return window->findChild<QToolButton*>(QStringLiteral("id%1").arg(id));
}
