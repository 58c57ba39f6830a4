// The Image File View (the main window): the image browser above, the Selected Image List
// below with the buttons that fill, order, turn and mark it, and the buttons that open the
// alignment steps.
#pragma once

#include <QDialog>

#include <optional>

#include "mask_window.h"

class CImageBrowser;
class CMainApp;
class QLabel;
class QListWidget;
class QToolButton;

class ImageFileView : public QDialog {
    Q_OBJECT
public:
    explicit ImageFileView(CMainApp& app, QWidget* parent = nullptr);

    CImageBrowser* Browser() const { return m_browser; }
    QListWidget* SelectedList() const { return m_list; }
    QToolButton* Button(int id) const;
    // Shows the input list as it is now (entries, selection, information line, buttons).
    void RefreshList();
    // Adds files dropped on the list or given by a caller, under the list's rules.
    void AddFiles(const QStringList& paths);

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateButtons();
    void OpenViewer(const QString& path);
    // "Shade" / "Lens": the correction window over a reduced copy of the selected picture;
    // Apply All stores its value for the whole list and rebuilds the thumbnails.
    void OpenCorrection(bool lens);
    // "Mask": the mask window over the corrected selected picture; OK hands the mask to the
    // application.
    void OpenMask();

    CMainApp& m_app;
    CImageBrowser* m_browser = nullptr;
    QListWidget* m_list = nullptr;
    QLabel* m_info = nullptr;
    int m_shadingModel = 0;
    int m_lensModel = 0;
    std::optional<MaskCircle> m_maskCircle; // in picture pixels
};
