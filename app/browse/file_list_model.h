// The file pane's model: the listed files of one folder with their thumbnails, kept sorted as
// entries arrive (by name, case-insensitive, until a column header chooses size or date).
#pragma once

#include <QAbstractTableModel>
#include <QImage>
#include <QList>

#include "file_entry.h"

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kName = 0, kSize = 1, kModified = 2 };
    static constexpr int kThumbnailSide = 100;

    explicit FileListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // Entries drag out as file URLs (onto the input list or another program).
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    void SetFolder(const QString& folder) { m_folder = folder; }

    // Puts the entries at their places in the current order.
    void AddEntries(const QList<FileEntry>& entries);
    // Sets the thumbnail of the named entry (a null image gives the placeholder).
    void SetThumbnail(const QString& name, const QImage& thumbnail);
    // Drops the named entry (a file that turned out not to be a picture).
    void RemoveEntry(const QString& name);
    void Clear();

    const FileEntry& Entry(int row) const { return m_entries[row]; }
    int RowOf(const QString& name) const;
    int SortColumn() const { return m_sortColumn; }
    // The pictures shown while a thumbnail is on its way and when none can be made.
    static const QImage& PendingImage();
    static const QImage& PlaceholderImage();

private:
    bool Less(const FileEntry& a, const FileEntry& b) const;

    QList<FileEntry> m_entries;
    QString m_folder;
    int m_sortColumn = kName;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    int m_nextImageIndex = kFirstThumbnailIndex;
};
