// The panes of manual feature matching: CFeatureMatchingView shows one picture of the pair at
// full resolution with, in a small square at each marked point, the partner picture's content
// at the partner point laid half-transparent over it, so a right correspondence shows no seam;
// points are grabbed and dragged, and a double click adds a correspondence. CZoomSelectionView
// magnifies the surroundings of the selected point.
#pragma once

#include <QWidget>

#include <cstdint>
#include <vector>

#include "blending_view.h"
#include "correspondences.h"
#include "zoomed_picture.h"

// A picture of the pair as the panes draw it.
struct PairPicture {
    const CImageInfo* record = nullptr;
    ZoomedPicture* pixels = nullptr;
};

class CFeatureMatchingView : public CBlendingView {
    Q_OBJECT
public:
    static constexpr int kPatch = 33;

    CFeatureMatchingView(CorrespondenceStore& store, QWidget* parent = nullptr);
    // The shown picture and its partner (the other pane's); `order` lists the pair's records
    // as new correspondences take them (left picture first).
    void SetPictures(PairPicture own, PairPicture partner, std::vector<const CImageInfo*> order);
    void SetEditable(bool on) { m_editable = on; }
    void SetMayAdd(bool on) { m_mayAdd = on; }
    void ScrollTo(int x, int y);
    // Adds a correspondence at content position (x, y) of this pane (as a double click does).
    void AddAt(int x, int y);

signals:
    // Points were added, moved or selected: both panes and the magnifiers follow.
    void PointsChanged();

protected:
    void ComposeCanvas() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QPoint ContentPoint(QPoint viewportPoint) const;

    CorrespondenceStore& m_store;
    PairPicture m_own, m_partner;
    std::vector<const CImageInfo*> m_order;
    bool m_editable = true;
    bool m_mayAdd = false;
    std::pair<int, int> m_grabbed{-1, -1};
    QPoint m_grabOffset;
    std::vector<std::uint8_t> m_tile;
};

// A magnifier: the 32 x 32 pixels around the selected point of one picture (or, mixed half
// and half, around every point of the selected correspondence), stretched over the widget, with
// a red cross through the middle.
class CZoomSelectionView : public QWidget {
    Q_OBJECT
public:
    // `filter`: the picture whose point is shown; null shows every point of the correspondence.
    CZoomSelectionView(const CorrespondenceStore& store, QWidget* parent = nullptr);
    void SetPictures(std::vector<PairPicture> pictures, const CImageInfo* filter);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const CorrespondenceStore& m_store;
    std::vector<PairPicture> m_pictures;
    const CImageInfo* m_filter = nullptr;
    std::vector<std::uint8_t> m_tile;
};
