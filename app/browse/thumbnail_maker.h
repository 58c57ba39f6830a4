// Thumbnails of picture files for the file pane: each file is decoded only as far as its
// thumbnail needs (JPEG scaled in the DCT or its EXIF thumbnail, TIFF and PNG reduced row by
// row, BMP and GIF through the picture layer), and the shared thumbnail cache of the desktop
// ($XDG_CACHE_HOME/thumbnails/normal) is read and filled, so a second visit to a folder, by
// this program or another, costs a small PNG per file.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

struct FileThumbnail {
    bool isPicture =
        false; // the picture layer can read this file (its header was read and is sane)
    int width = 0, height = 0; // the picture's size when known
    QImage
        thumbnail; // fitted inside size x size with the aspect kept; null when none could be made
};

// The thumbnail of the file at `path`, its longer side `size` pixels (small pictures are
// enlarged), opaque: `background` is composed under transparent pixels and under the rows of
// a cut-short file that could not be decoded. Pictures are shown as the picture layer reads
// them (an EXIF orientation is not applied).
//
// With `useSharedCache` and a size of at most 128, a valid entry of the shared cache (same
// URI, same modification time in seconds) is used scaled to `size`; otherwise the thumbnail is
// made at 128 and stored there, unless the file is inside the cache itself, could not be
// decoded in full, or carries an EXIF orientation other than "top left". Failures of the cache
// are silent.
//
// Thread-safe: workers call it at once. It never shows a message box; the picture layer's
// boxes are collected on the calling thread and dropped.
FileThumbnail MakeFileThumbnail(const QString& path, int size = 100,
                                QColor background = QColor(201, 192, 187),
                                bool useSharedCache = true);

// The folder of normal-size thumbnails of the shared cache: $XDG_CACHE_HOME/thumbnails/normal,
// with ~/.cache when XDG_CACHE_HOME is unset or relative.
QString SharedThumbnailFolder();
