// CImageBrowser: the folder pane and the file pane side by side. Choosing a folder remembers it
// ("ImageBrowser"/"MostRecentDirectory") and shows its pictures; the next run starts there.
#pragma once

#include <QWidget>

class CFileView;
class FolderPane;
class QSplitter;
class QToolButton;

class CImageBrowser : public QWidget {
    Q_OBJECT
public:
    explicit CImageBrowser(QWidget* parent = nullptr);

    // Selects the remembered folder (or the default one) and reads it.
    void Start();
    // Shows `folder` as if the user had chosen it.
    bool ChooseFolder(const QString& folder);

    FolderPane* Folders() const { return m_folders; }
    CFileView* Files() const { return m_files; }

private:
    void OnFolderChosen(const QString& path);

    QSplitter* m_split = nullptr;
    FolderPane* m_folders = nullptr;
    CFileView* m_files = nullptr;
    QToolButton* m_iconsButton = nullptr;
    QToolButton* m_reportButton = nullptr;
};
