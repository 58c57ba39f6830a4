#include "picture_qimage.h"

#include <QPainter>

#include <cstring>
#include <memory>
#include <vector>

QImage ToQImage(const CImageImpl& picture) {
    if (!picture.IsValid()) return {};
    const int w = picture.GetWidth(), h = picture.GetHeight();
    if (picture.GetBitsPerPixel() == 8) {
        QImage image(w, h, QImage::Format_Indexed8);
        if (image.isNull()) return {};
        std::vector<RGBQUAD> colours = picture.ReadPalette();
        if (colours.empty()) colours = picture.GetColorTable();
        QList<QRgb> table;
        for (const RGBQUAD& q : colours) table.push_back(qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue));
        while (table.size() < 256) table.push_back(qRgb(0, 0, 0));
        image.setColorTable(table);
        for (int y = 0; y < h; ++y)
            std::memcpy(image.scanLine(y), picture.GetRow(y), static_cast<std::size_t>(w));
        return image;
    }
    QImage image(w, h, QImage::Format_RGB888);
    if (image.isNull()) return {};
    for (int y = 0; y < h; ++y) picture.RowToRgb(y, image.scanLine(y));
    return image;
}

QImage ThumbnailImage(const CImageImpl& picture, int width, int height) {
    const std::unique_ptr<CImageImpl> thumbnail = picture.MakeThumbnail(width, height);
    return thumbnail ? ToQImage(*thumbnail) : QImage();
}

void DrawPicture(QPainter& painter, const CImageImpl& picture, const QRect& target) {
    const QImage image = ToQImage(picture);
    if (image.isNull()) return;
    if (target.size() == image.size()) {
        painter.drawImage(target.topLeft(), image);
    } else {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(target, image);
        painter.restore();
    }
}
