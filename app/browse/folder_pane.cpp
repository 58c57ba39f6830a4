#include "folder_pane.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QSplitter>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

QString StartFolder(const QString& remembered) {
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) return QDir::cleanPath(remembered);
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir()) return pictures;
    return QDir::homePath();
}

FolderPane::FolderPane(QWidget* parent) : QWidget(parent) {
    setObjectName("FolderPane");
    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QStringLiteral("/"));
    m_model->setReadOnly(true);

    m_tree = new QTreeView(this);
    m_tree->setObjectName("FolderTree");
    m_tree->setModel(m_model);
    m_tree->setRootIndex(m_model->index(QStringLiteral("/")));
    for (int column = 1; column < m_model->columnCount(); ++column) m_tree->hideColumn(column);
    m_tree->setHeaderHidden(true);
    m_tree->setSortingEnabled(true);
    m_tree->sortByColumn(0, Qt::AscendingOrder);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);

    m_places = new QListWidget(this);
    m_places->setObjectName("Places");
    m_places->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_places->setTextElideMode(Qt::ElideMiddle);
    FillPlaces();

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_places);
    split->addWidget(m_tree);
    split->setStretchFactor(1, 1);
    split->setSizes({90, 400});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!current.isValid()) return;
                emit FolderChosen(m_model->filePath(current));
            });
    connect(m_places, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { SelectPath(item->data(Qt::UserRole).toString()); });
    connect(m_tree, &QWidget::customContextMenuRequested, this, &FolderPane::ShowContextMenu);
}

void FolderPane::FillPlaces() {
    QFileIconProvider icons;
    auto add = [&](const QString& label, const QString& path, QFileIconProvider::IconType icon) {
        if (path.isEmpty() || !QFileInfo(path).isDir()) return;
        for (int i = 0; i < m_places->count(); ++i)
            if (m_places->item(i)->data(Qt::UserRole).toString() == path) return;
        auto* item = new QListWidgetItem(icons.icon(icon), label, m_places);
        item->setData(Qt::UserRole, path);
        item->setToolTip(path);
    };
    add(tr("Home"), QDir::homePath(), QFileIconProvider::Folder);
    add(tr("Pictures"), QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
        QFileIconProvider::Folder);
    add(tr("File System"), QStringLiteral("/"), QFileIconProvider::Drive);
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        // Disks the user mounted: a real device under the usual mount folders.
        const bool userMount = root.startsWith("/media/") || root.startsWith("/mnt/") ||
                               root.startsWith("/run/media/");
        if (!volume.isValid() || !volume.isReady() || root == "/" || !userMount ||
            !volume.device().startsWith("/dev/"))
            continue;
        const QString name = volume.displayName().isEmpty() ? root : volume.displayName();
        add(name, root, QFileIconProvider::Drive);
    }
}

bool FolderPane::SelectPath(const QString& path) {
    QString folder = QDir::cleanPath(path);
    while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        const QString up = QFileInfo(folder).path();
        if (up == folder) break;
        folder = up;
    }
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
    const QModelIndex index = m_model->index(folder);
    if (!index.isValid()) return false;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) m_tree->expand(up);
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
    return true;
}

QString FolderPane::CurrentPath() const {
    const QModelIndex index = m_tree->currentIndex();
    return index.isValid() ? m_model->filePath(index) : QString();
}

void FolderPane::ShowContextMenu(const QPoint& at) {
    const QModelIndex index = m_tree->indexAt(at);
    if (!index.isValid()) return;
    const QString path = m_model->filePath(index);
    QMenu menu(this);
    menu.addAction(tr("Open in File Manager"),
                   [path] { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); });
    menu.addAction(tr("Copy Path"), [path] { QApplication::clipboard()->setText(path); });
    menu.addAction(tr("Refresh"), this, [this, index] {
        m_tree->collapse(index);
        m_tree->expand(index);
        emit RefreshRequested();
    });
    menu.exec(m_tree->viewport()->mapToGlobal(at));
}
