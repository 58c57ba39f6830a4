// The thumbnail list of the alignment windows: one row of the input pictures with their
// labels, an optional green frame around the two thumbnails of the current pair, and a double
// click that asks for the picture to be opened.
#pragma once

#include <QImage>
#include <QListWidget>
#include <QString>

#include <vector>

struct StripEntry {
    QImage thumbnail;
    QString label;
};

class PictureStrip : public QListWidget {
    Q_OBJECT
public:
    explicit PictureStrip(QWidget* parent = nullptr);

    void SetEntries(const std::vector<StripEntry>& entries);
    // Frames thumbnails `first` and `first + 1` with one green rectangle and scrolls them into
    // view; -1 removes the frame.
    void SetPairFrame(int first);
    int PairFrame() const { return m_pair; }
    // The frame's rectangle in viewport coordinates (empty without a frame).
    QRect PairFrameRect() const;

signals:
    void PictureOpened(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_pair = -1;
};
