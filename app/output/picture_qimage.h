// The picture layer's screen side: pictures as QImages for display, the clipboard and
// thumbnails, and drawing a picture into a rectangle. Only the desktop program links this.
#pragma once

#include <QImage>
#include <QRect>

#include "image_impl.h"

class QPainter;

// A copy of the picture as a QImage: 24-bit pictures as RGB888, pictures of 8 bits or fewer
// as Indexed8 with their colours (RGB888 through the palette for 1 and 4 bits). A null QImage
// for an invalid picture.
QImage ToQImage(const CImageImpl& picture);

// The picture scaled to fit width x height with its aspect kept (area-averaged).
QImage ThumbnailImage(const CImageImpl& picture, int width = 100, int height = 100);

// Draws the picture into `target`: at 1:1 when the sizes match, else scaled.
void DrawPicture(QPainter& painter, const CImageImpl& picture, const QRect& target);
