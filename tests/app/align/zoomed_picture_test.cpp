// The image viewer's scaled drawing: every zoom shows the picture where it belongs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "image_impl.h"
#include "zoomed_picture.h"

// A picture whose blue channel rises along x and green along y, drawn at zooms above and below
// one half: each shown pixel must carry the ramp values of the picture point it stands for.
TEST(ZoomedPicture, ShownPixelsStandForTheirPicturePoints) {
    const int w = 1679, h = 302; // an odd width, as panoramas have
    std::unique_ptr<CImageImpl> picture = CImageImpl::Create(w, h, 24, kImageTypeBmp);
    ASSERT_TRUE(picture);
    for (int y = 0; y < h; ++y) {
        BYTE* row = picture->GetRow(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x + 0] = static_cast<BYTE>(x * 255 / (w - 1));
            row[3 * x + 1] = static_cast<BYTE>(y * 255 / (h - 1));
            row[3 * x + 2] = 77;
        }
    }
    for (const float zoom : {2.0f, 1.0f, 0.6f, 0.555f, 0.498f, 0.45f, 0.3f, 0.1f}) {
        ZoomedPicture zoomed;
        ASSERT_TRUE(zoomed.SetPicture(picture.get()));
        const int sw = static_cast<int>(w * zoom), sh = static_cast<int>(h * zoom);
        std::vector<std::uint8_t> tile;
        // An inner part, so the offsets of the area are exercised too.
        const CanvasRect area{sw / 5, sh / 4, sw - sw / 7, sh - sh / 6};
        const Bgr24View shown = zoomed.Render(zoom, area, tile);
        ASSERT_EQ(shown.width, area.right - area.left) << zoom;
        ASSERT_EQ(shown.height, area.bottom - area.top) << zoom;
        int worst = 0;
        for (int y = 0; y < shown.height; y += 3) {
            const std::uint8_t* row = shown.Row(y);
            const double py = (area.top + y + 0.5) / zoom - 0.5;
            const double green = std::clamp(py, 0.0, h - 1.0) * 255 / (h - 1);
            for (int x = 0; x < shown.width; x += 3) {
                const double px = (area.left + x + 0.5) / zoom - 0.5;
                const double blue = std::clamp(px, 0.0, w - 1.0) * 255 / (w - 1);
                worst = std::max({worst, static_cast<int>(std::abs(row[3 * x] - blue)),
                                  static_cast<int>(std::abs(row[3 * x + 1] - green)),
                                  std::abs(row[3 * x + 2] - 77)});
            }
        }
        // Magnified views repeat pixels (half a picture pixel off at most); reduced views
        // average blocks of up to 2^k pixels.
        EXPECT_LE(worst, zoom >= 1.0f ? 1 : static_cast<int>(2 + 1.0 / zoom)) << "zoom " << zoom;
    }
}
