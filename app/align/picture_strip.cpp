#include "picture_strip.h"

#include <QPainter>
#include <QPixmap>

PictureStrip::PictureStrip(QWidget* parent) : QListWidget(parent) {
    setObjectName("id28010");
    setToolTip(tr("Selected Image List"));
    setViewMode(QListView::IconMode);
    setIconSize(QSize(100, 100));
    setGridSize(QSize(130, 136));
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setMovement(QListView::Static);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMinimumHeight(150);
    setMaximumHeight(170);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, QColor(201, 192, 187));
    setPalette(colours);
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { emit PictureOpened(row(item)); });
    // A click, right click or key moves the selection; the frame is drawn again with it.
    connect(this, &QListWidget::currentRowChanged, viewport(), [this] { viewport()->update(); });
}

void PictureStrip::SetEntries(const std::vector<StripEntry>& entries) {
    clear();
    for (const StripEntry& entry : entries)
        addItem(new QListWidgetItem(QIcon(QPixmap::fromImage(entry.thumbnail)), entry.label));
    viewport()->update();
}

void PictureStrip::SetPairFrame(int first) {
    m_pair = first >= 0 && first + 1 < count() ? first : -1;
    if (m_pair >= 0) {
        scrollToItem(item(m_pair + 1));
        scrollToItem(item(m_pair));
    }
    viewport()->update();
}

QRect PictureStrip::PairFrameRect() const {
    if (m_pair < 0 || m_pair + 1 >= count()) return {};
    return visualItemRect(item(m_pair))
        .united(visualItemRect(item(m_pair + 1)))
        .adjusted(-3, 1, 3, 3);
}

void PictureStrip::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    const QRect frame = PairFrameRect();
    if (frame.isEmpty()) return;
    QPainter painter(viewport());
    painter.setPen(QPen(QColor(0, 255, 0), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);
}
