// The Automatic Alignment window: the engine aligns every neighbouring pair of the input
// pictures on its own, the pictures are placed on one canvas from the pairwise offsets and
// shown above the thumbnail list. From here the user re-orders the pictures automatically,
// chooses the base picture, zooms, goes back or stitches.
#pragma once

#include <QDialog>

#include "stitch_settings.h"

class CAlignmentView;
class CMainApp;
class PictureStrip;
class QLabel;
class QToolButton;

class AutoAlignmentWindow : public QDialog {
    Q_OBJECT
public:
    // Mode bit 0x20 selects the translation parameter dialog, 0x40 the lens-angle dialog;
    // bits 0 and 1 keep the minimize and maximize boxes.
    static constexpr int kDefaultMode = 0x1F;
    explicit AutoAlignmentWindow(CMainApp& app, int mode = kDefaultMode, QWidget* parent = nullptr);

    // Realigns from the current input list: records, engine pictures, DoAutoAlign, placements
    // from the pairwise offsets, thumbnails, information line and fit. False (after a
    // warning, where the step that failed shows one) when it cannot.
    bool RunAlignment();
    // Re-orders pictures, records and thumbnails into the chain of nearest neighbours (3 or
    // more pictures).
    void Rearrange();
    // Overlap test and its question, parameter dialog, seam, mosaic, Result window.
    void Stitch();
    void SetBase();

    ParameterDialogKind DialogKind() const;
    CAlignmentView* View() const { return m_view; }
    PictureStrip* Strip() const { return m_strip; }
    QToolButton* Button(int id) const;

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowPictures();

    CMainApp& m_app;
    int m_mode;
    CAlignmentView* m_view = nullptr;
    PictureStrip* m_strip = nullptr;
    QLabel* m_info = nullptr;
    int m_firstWidth = 0, m_firstHeight = 0;
};
