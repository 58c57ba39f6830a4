#include "file_view.h"

#include <QHeaderView>
#include <QListView>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

#include "file_list_model.h"
#include "folder_reader.h"

CFileView::CFileView(QWidget* parent) : QWidget(parent) {
    setObjectName("FileView");
    m_model = new FileListModel(this);
    m_reader = new FolderReader(this);

    m_icons = new QListView(this);
    m_icons->setObjectName("FileIcons");
    m_icons->setViewMode(QListView::IconMode);
    m_icons->setIconSize(QSize(FileListModel::kThumbnailSide, FileListModel::kThumbnailSide));
    m_icons->setGridSize(
        QSize(FileListModel::kThumbnailSide + 30, FileListModel::kThumbnailSide + 36));
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);
    m_icons->setUniformItemSizes(true);
    m_icons->setWordWrap(true);
    m_icons->setTextElideMode(Qt::ElideMiddle);
    m_icons->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_icons->setModel(m_model);
    m_icons->setDragEnabled(true);
    m_icons->setDragDropMode(QAbstractItemView::DragOnly);

    m_report = new QTreeView(this);
    m_report->setObjectName("FileReport");
    m_report->setRootIsDecorated(false);
    m_report->setUniformRowHeights(true);
    m_report->setIconSize(QSize(24, 24));
    m_report->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_report->setModel(m_model);
    m_report->setDragEnabled(true);
    m_report->setDragDropMode(QAbstractItemView::DragOnly);
    m_report->setSelectionModel(m_icons->selectionModel());
    m_report->setSortingEnabled(true);
    m_report->sortByColumn(FileListModel::kName, Qt::AscendingOrder);
    m_report->header()->resizeSection(FileListModel::kName, 192);
    m_report->header()->resizeSection(FileListModel::kSize, 96);
    m_report->header()->resizeSection(FileListModel::kModified, 128);

    m_stack = new QStackedWidget(this);
    m_stack->addWidget(m_icons);
    m_stack->addWidget(m_report);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    SetBackground(QColor(201, 192, 187));

    connect(m_reader, &FolderReader::EntriesFound, m_model, &FileListModel::AddEntries);
    connect(m_reader, &FolderReader::ThumbnailReady, m_model, &FileListModel::SetThumbnail);
    connect(m_reader, &FolderReader::NotAPicture, m_model, &FileListModel::RemoveEntry);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_icons), static_cast<QAbstractItemView*>(m_report)}) {
        connect(view, &QAbstractItemView::doubleClicked, this, &CFileView::OpenSelected);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& p) {
            const QModelIndex at = view->indexAt(p);
            if (at.isValid() && !Selection()->isSelected(m_model->index(at.row(), 0)))
                Selection()->select(at, QItemSelectionModel::ClearAndSelect |
                                            QItemSelectionModel::Rows);
            OpenSelected();
        });
    }
    connect(m_icons->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CFileView::SelectionChanged);
}

CFileView::~CFileView() = default;

QItemSelectionModel* CFileView::Selection() const {
    return m_icons->selectionModel();
}

void CFileView::SetDirectory(const QString& folder) {
    m_reader->Stop();
    m_model->Clear();
    m_folder = folder;
    m_model->SetFolder(folder);
    m_reader->SetDirectory(folder);
}

void CFileView::Refresh() {
    if (!m_folder.isEmpty()) SetDirectory(m_folder);
}

void CFileView::SetReportView(bool report) {
    m_stack->setCurrentWidget(report ? static_cast<QWidget*>(m_report) : m_icons);
}

bool CFileView::IsReportView() const {
    return m_stack->currentWidget() == m_report;
}

void CFileView::SetBackground(const QColor& colour) {
    for (QWidget* view : {static_cast<QWidget*>(m_icons), static_cast<QWidget*>(m_report)}) {
        QPalette palette = view->palette();
        palette.setColor(QPalette::Base, colour);
        view->setPalette(palette);
    }
}

QList<int> CFileView::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : Selection()->selectedIndexes())
        if (!rows.contains(index.row())) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QStringList CFileView::SelectedPaths() const {
    const QList<int> rows = SelectedRows();
    QStringList paths;
    for (int row : rows) paths.push_back(JoinPath(m_folder, m_model->Entry(row).name));
    return paths;
}

QStringList CFileView::AllPaths() const {
    QStringList paths;
    for (int row = 0; row < m_model->rowCount(); ++row)
        paths.push_back(JoinPath(m_folder, m_model->Entry(row).name));
    return paths;
}

void CFileView::OpenSelected() {
    for (int row : SelectedRows()) {
        const FileEntry& entry = m_model->Entry(row);
        if (entry.imageIndex >= kFirstThumbnailIndex)
            emit OpenRequested(JoinPath(m_folder, entry.name));
    }
}
