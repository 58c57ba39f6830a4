// CFileView: the file pane. The pictures of the current folder as 100 x 100 thumbnails with
// their names, or as a report of name, size and date (header clicks sort); double click or a
// right-button press asks to open the selected pictures.
#pragma once

#include <QStringList>
#include <QWidget>

class FileListModel;
class FolderReader;
class QItemSelectionModel;
class QListView;
class QStackedWidget;
class QTreeView;

class CFileView : public QWidget {
    Q_OBJECT
public:
    explicit CFileView(QWidget* parent = nullptr);
    ~CFileView() override;

    // Stops a running read, empties the list and reads `folder`.
    void SetDirectory(const QString& folder);
    const QString& Directory() const { return m_folder; }
    // Reads the current folder again.
    void Refresh();
    void SetReportView(bool report);
    bool IsReportView() const;

    FileListModel* Model() const { return m_model; }
    FolderReader* Reader() const { return m_reader; }
    QListView* IconView() const { return m_icons; }
    QTreeView* ReportView() const { return m_report; }
    QItemSelectionModel* Selection() const;

    // Full paths of the selected entries / of all entries, in list order.
    QStringList SelectedPaths() const;
    QStringList AllPaths() const;
    // Rows of the selected entries, in list order.
    QList<int> SelectedRows() const;
    void SetBackground(const QColor& colour);

signals:
    void OpenRequested(const QString& path);
    void SelectionChanged();

private:
    void OpenSelected();

    QString m_folder;
    FileListModel* m_model = nullptr;
    FolderReader* m_reader = nullptr;
    QStackedWidget* m_stack = nullptr;
    QListView* m_icons = nullptr;
    QTreeView* m_report = nullptr;
};
