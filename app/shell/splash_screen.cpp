#include "splash_screen.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

#include "button_icons.h"

SplashScreen::SplashScreen(const QString& title, QWidget* parent)
    : QDialog(parent), m_title(title) {
    m_since.start();
    setObjectName("id4073");
    setWindowTitle(tr("%1 starting...").arg(title));
    // Its own size, at most 640 x 480, centred on the screen.
    const QSize size(std::min(480, 640), std::min(300, 480));
    resize(size);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    startTimer(kCheckMs);
}

void SplashScreen::timerEvent(QTimerEvent*) {
    if (m_since.elapsed() >= kShowMs) accept();
}

void SplashScreen::mouseDoubleClickEvent(QMouseEvent*) {
    accept();
}

void SplashScreen::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(201, 192, 187));
    sky.setColorAt(1, QColor(150, 140, 150));
    p.fillRect(rect(), sky);
    MakeButtonIcon(ButtonIcon::Panorama).paint(&p, QRect(width() / 2 - 48, 50, 96, 96));
    QFont font = p.font();
    font.setPointSizeF(font.pointSizeF() * 2.4);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 92));
    p.drawText(QRect(0, 160, width(), 50), Qt::AlignCenter, m_title);
    QFont small = p.font();
    small.setPointSizeF(small.pointSizeF() / 2.4);
    small.setBold(false);
    p.setFont(small);
    p.drawText(QRect(0, 215, width(), 30), Qt::AlignCenter, tr("Panorama stitching"));
}
