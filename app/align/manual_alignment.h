// The Manual Alignment window: the user places neighbouring pictures by hand, one pair at a
// time, by dragging one over the other (or with the arrow keys), or lets the engine align the
// shown pair. Moves of a pair are carried to the pictures before and after it, so the chain of
// placements stays consistent.
#pragma once

#include <QDialog>

#include <string>

#include "alignment_hooks.h"
#include "arrangement.h"

class CImageAlignment;
class MFCPanorama;
class PictureStrip;
class QLabel;
class QToolButton;

class ManualAlignmentWindow : public QDialog {
    Q_OBJECT
public:
    ManualAlignmentWindow(CAlignDocument& document, MFCPanorama& engine, const std::string& title,
                          AlignmentHooks hooks, QWidget* parent = nullptr);
    ~ManualAlignmentWindow() override;

    // Opens on pair 0 at fit zoom with the thumbnails of the input list; false when the list
    // holds fewer than two pictures.
    bool Start();
    // Pair i: the previous pair's moves are committed first.
    bool ChoosePair(int i);
    void PreviousPair();
    void NextPair();
    // The engine aligns the shown pair (with the mask when one is set).
    void AlignPair();
    // Stitches once every pair was shown; otherwise "Images are remain.".
    void Stitch();
    // Carries the shown pair's moves to the other pictures.
    void Commit();

    int PairIndex() const { return m_pair; }
    CImageAlignment* View() const { return m_view; }
    PictureStrip* Strip() const { return m_strip; }
    QToolButton* Button(int id) const;

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void AskBack();
    void SetBase();
    void ShowPairLabel();

    CAlignDocument& m_document;
    MFCPanorama& m_engine;
    AlignmentHooks m_hooks;
    CImageAlignment* m_view = nullptr;
    PictureStrip* m_strip = nullptr;
    QLabel* m_label = nullptr;
    int m_pair = -1;
    int m_reached = 0; // the highest second-picture index shown
    PlacementRect m_savedFirst, m_savedSecond;
};
