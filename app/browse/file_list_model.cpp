#include "file_list_model.h"

#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include <algorithm>

namespace {

// The fixed English formats serve English and the C locale; other languages get the locale's.
bool LocaleFormats() {
    const QLocale::Language language = QLocale().language();
    return language != QLocale::C && language != QLocale::English;
}

} // namespace

QString FormatLastModified(const QDateTime& utc) {
    const QDateTime local = utc.toLocalTime();
    if (LocaleFormats()) return QLocale().toString(local, QLocale::ShortFormat);
    const QDate d = local.date();
    const QTime t = local.time();
    const int hour = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return QString::asprintf("%d/%.2d/%.2d (%d:%.2d%c)", d.month(), d.day(), d.year() % 100, hour,
                             t.minute(), t.hour() < 12 ? 'a' : 'p');
}

QString FormatFileSize(quint32 size) {
    return LocaleFormats() ? QLocale().toString(size) : QString::asprintf("%u", size);
}

QString JoinPath(const QString& folder, const QString& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

namespace {

QImage DrawPlaceholder(bool broken) {
    QImage image(FileListModel::kThumbnailSide, FileListModel::kThumbnailSide,
                 QImage::Format_RGB32);
    image.fill(QColor(201, 192, 187));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 110, 105), 2));
    p.setBrush(QColor(235, 230, 226));
    p.drawRoundedRect(QRectF(22, 28, 56, 44), 4, 4);
    if (broken) {
        p.setPen(QPen(QColor(190, 60, 40), 3));
        p.drawLine(QPointF(34, 40), QPointF(66, 60));
        p.drawLine(QPointF(66, 40), QPointF(34, 60));
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(150, 140, 135));
        for (int i = 0; i < 3; ++i) p.drawEllipse(QPointF(38 + 12 * i, 50), 3.5, 3.5);
    }
    return image;
}

} // namespace

const QImage& FileListModel::PendingImage() {
    static const QImage image = DrawPlaceholder(false);
    return image;
}

const QImage& FileListModel::PlaceholderImage() {
    static const QImage image = DrawPlaceholder(true);
    return image;
}

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_entries.size()) return {};
    const FileEntry& e = m_entries[index.row()];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        switch (index.column()) {
        case kName:
            return e.name;
        case kSize:
            return FormatFileSize(e.size);
        case kModified:
            return FormatLastModified(e.lastWrite);
        }
    }
    if (role == Qt::DecorationRole && index.column() == kName) {
        if (e.imageIndex == kThumbnailPending) return PendingImage();
        if (e.imageIndex == kThumbnailPlaceholder || e.thumbnail.isNull())
            return PlaceholderImage();
        return e.thumbnail;
    }
    if (role == Qt::TextAlignmentRole) {
        if (index.column() == kSize) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (index.column() == kModified) return QVariant(Qt::AlignCenter);
    }
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case kName:
        return tr("File Name");
    case kSize:
        return tr("Size");
    case kModified:
        return tr("Last Modified");
    }
    return {};
}

bool FileListModel::Less(const FileEntry& a, const FileEntry& b) const {
    int c = 0;
    switch (m_sortColumn) {
    case kSize:
        c = a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
        break;
    case kModified:
        c = a.lastWrite < b.lastWrite ? -1 : (b.lastWrite < a.lastWrite ? 1 : 0);
        break;
    default:
        break;
    }
    if (c == 0) c = a.name.compare(b.name, Qt::CaseInsensitive);
    if (c == 0) c = a.name.compare(b.name, Qt::CaseSensitive);
    return m_order == Qt::AscendingOrder ? c < 0 : c > 0;
}

void FileListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column > kModified) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<QString> names;
    for (const QModelIndex& i : before) names.push_back(m_entries[i.row()].name);
    m_sortColumn = column;
    m_order = order;
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [this](const FileEntry& a, const FileEntry& b) { return Less(a, b); });
    QModelIndexList after;
    for (int k = 0; k < before.size(); ++k)
        after.push_back(index(RowOf(names[k]), before[k].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileListModel::AddEntries(const QList<FileEntry>& entries) {
    if (entries.size() > 2) {
        // A batch: appended in one insertion, then put in order in one layout change, so
        // the views lay themselves out twice per batch instead of once per entry.
        const int first = static_cast<int>(m_entries.size());
        beginInsertRows({}, first, first + static_cast<int>(entries.size()) - 1);
        m_entries.append(entries);
        endInsertRows();
        sort(m_sortColumn, m_order);
        return;
    }
    for (const FileEntry& entry : entries) {
        const auto at = std::lower_bound(
            m_entries.begin(), m_entries.end(), entry,
            [this](const FileEntry& a, const FileEntry& b) { return Less(a, b); });
        const int row = static_cast<int>(at - m_entries.begin());
        beginInsertRows({}, row, row);
        m_entries.insert(row, entry);
        endInsertRows();
    }
}

int FileListModel::RowOf(const QString& name) const {
    for (int row = 0; row < m_entries.size(); ++row)
        if (m_entries[row].name == name) return row;
    return -1;
}

void FileListModel::SetThumbnail(const QString& name, const QImage& thumbnail) {
    const int row = RowOf(name);
    if (row < 0) return;
    FileEntry& e = m_entries[row];
    e.thumbnail = thumbnail;
    e.imageIndex = thumbnail.isNull() ? kThumbnailPlaceholder : m_nextImageIndex++;
    emit dataChanged(index(row, kName), index(row, kName), {Qt::DecorationRole});
}

void FileListModel::RemoveEntry(const QString& name) {
    const int row = RowOf(name);
    if (row < 0) return;
    beginRemoveRows({}, row, row);
    m_entries.removeAt(row);
    endRemoveRows();
}

void FileListModel::Clear() {
    beginResetModel();
    m_entries.clear();
    m_nextImageIndex = kFirstThumbnailIndex;
    endResetModel();
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid()) f |= Qt::ItemIsDragEnabled;
    return f;
}

QStringList FileListModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* FileListModel::mimeData(const QModelIndexList& indexes) const {
    QList<QUrl> urls;
    QList<int> rows;
    for (const QModelIndex& index : indexes) {
        if (!index.isValid() || rows.contains(index.row())) continue;
        rows.push_back(index.row());
        urls.push_back(QUrl::fromLocalFile(JoinPath(m_folder, m_entries[index.row()].name)));
    }
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}
