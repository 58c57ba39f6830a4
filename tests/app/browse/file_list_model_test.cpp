// The file pane's model: the orders entries are kept in, and their thumbnails.
#include <gtest/gtest.h>

#include "file_list_model.h"

namespace {

FileEntry Entry(const char* name, std::uint32_t size, qint64 seconds) {
    FileEntry e;
    e.name = name;
    e.size = size;
    e.lastWrite = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    return e;
}

QStringList Names(const FileListModel& model) {
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row) names << model.Entry(row).name;
    return names;
}

} // namespace

TEST(FileListModel, SortedAsEntriesArriveAndByHeader) {
    FileListModel model;
    model.AddEntries({Entry("b.jpg", 300, 30), Entry("C.jpg", 0, 10), Entry("B2.jpg", 200, 40)});
    model.AddEntries({Entry("a.JPG", 100, 20)});
    EXPECT_EQ(Names(model), (QStringList{"a.JPG", "b.jpg", "B2.jpg", "C.jpg"}));
    model.sort(FileListModel::kSize);
    EXPECT_EQ(Names(model), (QStringList{"C.jpg", "a.JPG", "B2.jpg", "b.jpg"}));
    model.sort(FileListModel::kModified, Qt::DescendingOrder);
    EXPECT_EQ(Names(model), (QStringList{"B2.jpg", "b.jpg", "a.JPG", "C.jpg"}));
    // Later entries go to their place in the chosen order.
    model.AddEntries({Entry("d.jpg", 1, 35)});
    EXPECT_EQ(model.Entry(1).name.toStdString(), "d.jpg");
    // A pending entry shows the waiting picture; a failed thumbnail the placeholder.
    model.SetThumbnail("d.jpg", QImage());
    EXPECT_EQ(model.Entry(1).imageIndex, kThumbnailPlaceholder);
    QImage thumb(100, 75, QImage::Format_RGB32);
    model.SetThumbnail("a.JPG", thumb);
    EXPECT_EQ(model.Entry(model.RowOf("a.JPG")).imageIndex, kFirstThumbnailIndex);
    model.RemoveEntry("C.jpg");
    EXPECT_EQ(model.rowCount(), 4);
}
