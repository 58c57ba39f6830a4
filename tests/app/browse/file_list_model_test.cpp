// The file pane's model: the date column's format and the orders entries are kept in.
#include <gtest/gtest.h>

#include <QTimeZone>

#include <cstdlib>
#include <ctime>

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

TEST(FileListModel, LastModifiedFormat) {
    // Local time is what the column shows: read these as UTC.
    setenv("TZ", "UTC", 1);
    tzset();
    struct Case {
        const char* utc;
        const char* shown;
    };
    const Case cases[] = {
        {"2001-03-04T00:05:00", "3/04/01 (12:05a)"},
        {"2026-12-31T12:30:00", "12/31/26 (12:30p)"},
        {"1999-11-20T13:00:00", "11/20/99 (1:00p)"},
    };
    for (const Case& c : cases) {
        QDateTime t = QDateTime::fromString(c.utc, Qt::ISODate);
        t.setTimeZone(QTimeZone::utc());
        EXPECT_EQ(FormatLastModified(t).toStdString(), c.shown) << c.utc;
    }
}

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
