// Fuzz target of the file pane's thumbnails (app/browse), which decode JPEG (scaled in the DCT,
// or its EXIF thumbnail), TIFF and PNG with reduced readers of their own. The thumbnail made
// must fit the size asked for.
#include <QColor>
#include <QString>

#include "fuzz_reader.h"
#include "thumbnail_maker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int kSize = 100;
    if (!WriteFuzzFile(data, size)) return 0;
    const FileThumbnail made = MakeFileThumbnail(QString::fromStdString(FuzzFilePath()), kSize,
                                                 QColor(201, 192, 187), false);
    if (!made.thumbnail.isNull() &&
        (made.thumbnail.width() > kSize || made.thumbnail.height() > kSize))
        __builtin_trap();
    ::unlink(FuzzFilePath().c_str());
    return 0;
}
