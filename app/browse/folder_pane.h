// The folder pane: places (home, Pictures, mounted disks) above the folder tree of the whole
// file system. The tree reads folders lazily, sorts them and follows changes on disk as they
// happen; choosing a folder reports its path.
#pragma once

#include <QWidget>

class QFileSystemModel;
class QListWidget;
class QTreeView;

class FolderPane : public QWidget {
    Q_OBJECT
public:
    explicit FolderPane(QWidget* parent = nullptr);

    // Selects the folder of `path`, expanding the tree on the way; the deepest existing folder
    // of the path is chosen when the path itself is gone. False when nothing could be chosen.
    bool SelectPath(const QString& path);
    QString CurrentPath() const;
    QTreeView* Tree() const { return m_tree; }
    QListWidget* Places() const { return m_places; }
    QFileSystemModel* Model() const { return m_model; }

signals:
    void FolderChosen(const QString& path);
    void RefreshRequested();

private:
    void ShowContextMenu(const QPoint& at);
    void FillPlaces();

    QFileSystemModel* m_model = nullptr;
    QTreeView* m_tree = nullptr;
    QListWidget* m_places = nullptr;
};

// The folder shown first: the remembered one when it still exists, else Pictures, else home.
QString StartFolder(const QString& remembered);
