// The Manual Matching window: the user marks corresponding points in neighbouring pictures,
// pair by pair (and the pair of the last and the first picture of a 360-degree panorama); at
// stitch time every correspondence becomes one engine match.
#pragma once

#include <QDialog>

#include <string>

#include "alignment_hooks.h"
#include "correspondences.h"
#include "zoomed_picture.h"

class CFeatureMatchingView;
class CZoomSelectionView;
class MFCPanorama;
class QLabel;
class QToolButton;

class ManualMatchingWindow : public QDialog {
    Q_OBJECT
public:
    // Pairs with fewer correspondences than this cannot be fitted by the engine.
    static constexpr int kFewestMatches = 6;

    ManualMatchingWindow(CAlignDocument& document, MFCPanorama& engine, const std::string& title,
                         AlignmentHooks hooks, QWidget* parent = nullptr);
    ~ManualMatchingWindow() override;

    // Opens on pair 0 with no correspondences; false with fewer than two pictures.
    bool Start();
    // Pair i (pictures i and i + 1); i = n - 1 is the pair of the last and the first picture.
    bool ChoosePair(int i);
    void PreviousPair();
    void NextPair();
    void DeleteSelected();
    void Stitch();

    int PairIndex() const { return m_pair; }
    CorrespondenceStore& Store() { return m_store; }
    CFeatureMatchingView* Pane(int side) const { return side == 0 ? m_leftPane : m_rightPane; }
    QToolButton* Button(int id) const;

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Refresh();
    void RestoreFirst();
    void SetTitle();

    CAlignDocument& m_document;
    MFCPanorama& m_engine;
    std::string m_title;
    AlignmentHooks m_hooks;
    CorrespondenceStore m_store;
    ZoomedPicture m_leftPixels, m_rightPixels;
    CFeatureMatchingView* m_leftPane = nullptr;
    CFeatureMatchingView* m_rightPane = nullptr;
    CZoomSelectionView* m_zoom[3] = {};
    QLabel* m_leftLabel = nullptr;
    QLabel* m_rightLabel = nullptr;
    int m_pair = -1;
    int m_reached = 0;         // the highest second-picture index shown
    bool m_known360 = false;   // the parameter dialog was answered
    bool m_closes360 = false;  // ... for a panorama closed over 360 degrees
    bool m_allow360 = false;   // the pair (last, first) may be shown
    bool m_firstMoved = false; // the first picture is placed beside the last one
    PlacementRect m_firstPlacement;
};
