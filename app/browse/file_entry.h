// One listed file of the file pane and how its columns read.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QMetaType>
#include <QString>

#include <cstdint>

// Image index values: pending (no thumbnail yet), the placeholder for a picture whose thumbnail
// cannot be made, and the first index of real thumbnails.
inline constexpr int kThumbnailPending = -1;
inline constexpr int kThumbnailPlaceholder = 1;
inline constexpr int kFirstThumbnailIndex = 3;

struct FileEntry {
    QString name;           // file name without folder
    std::uint32_t size = 0; // low 32 bits of the size in bytes
    QDateTime lastWrite;    // UTC
    QImage thumbnail;       // fitted in 100 x 100, or null
    int imageIndex = kThumbnailPending;
};
Q_DECLARE_METATYPE(FileEntry)

// "%d/%0.2d/%0.2d (%d:%0.2d%c)": month, day, year mod 100, hour on a 12-hour clock, minute and
// 'a' or 'p', in local time. Under a default locale of another language than English the
// locale's short date and time instead.
QString FormatLastModified(const QDateTime& utc);
// A file size in bytes: "%u", or with the default locale's digit grouping under a locale of
// another language than English.
QString FormatFileSize(quint32 size);

// A full path: the folder, "/" unless it already ends with one, then the name.
QString JoinPath(const QString& folder, const QString& name);
