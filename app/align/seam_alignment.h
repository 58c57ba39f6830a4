// The Manual Alignment (360 degrees) window: the last and the first picture of a turn, placed
// by the engine when the window opens and then by hand, to close the seam of a 360-degree
// panorama. Its result is the first picture's position minus the last one's.
#pragma once

#include <QDialog>

#include <string>

#include "alignment_hooks.h"
#include "arrangement.h"

class CAlignmentView;
class MFCPanorama;
class QToolButton;

class SeamAlignmentWindow : public QDialog {
    Q_OBJECT
public:
    SeamAlignmentWindow(CAlignDocument& document, MFCPanorama& engine, const std::string& title,
                        AlignmentHooks hooks, QWidget* parent = nullptr);
    ~SeamAlignmentWindow() override;

    // Shows the last and the first picture and aligns them; false with fewer than 2 pictures.
    bool Open();
    // The engine aligns the last and the first picture; false (nothing moves) when it cannot.
    bool AlignSeam();
    // Stitch after the question: the offset is kept and the window closes with OK.
    void Confirm();
    // Back after the question: the window closes with Cancel.
    void AskCancel();

    // The first picture's position minus the last one's, as confirmed.
    int ResultDx() const { return m_dx; }
    int ResultDy() const { return m_dy; }
    CAlignmentView* View() const { return m_view; }
    QToolButton* Button(int id) const;

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void RestoreFirst();

    CAlignDocument& m_document;
    MFCPanorama& m_engine;
    AlignmentHooks m_hooks;
    CAlignmentView* m_view = nullptr;
    PlacementRect m_firstPlacement;
    bool m_open = false;
    int m_dx = 0, m_dy = 0;
};
