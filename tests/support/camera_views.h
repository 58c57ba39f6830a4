// Views of a procedural scene taken by a pinhole camera that turns about its vertical axis:
// every view has the same focal length F (pixels) and centre; view k looks at yaw[k] radians.
#pragma once

#include <cmath>
#include <vector>

#include "core/image_ptr.h"
#include "mosaic/homography.h"
#include "support/test_images.h"

namespace camera_views {

// Where the ray through pixel (r, c) of a view at `yaw` meets the scene.
enum class Scene {
    Plane,   // the texture on the plane z = F (so the view at yaw 0 shows it at scale 1)
    Cylinder // the texture wrapped around a cylinder of radius F about the vertical axis
};

inline bool SceneAt(Scene scene, double F, double yaw, int rows, int cols, double r, double c,
                    double* tr, double* tc) {
    const double x = c - (cols - 1) / 2.0, y = r - (rows - 1) / 2.0;
    // Ray (x, y, F) turned by yaw about the vertical axis.
    const double dx = x * std::cos(yaw) + F * std::sin(yaw);
    const double dz = -x * std::sin(yaw) + F * std::cos(yaw);
    if (scene == Scene::Plane) {
        if (dz <= 0) return false;
        *tc = F * dx / dz + 4000.0;
        *tr = F * y / dz + 1000.0;
        return true;
    }
    const double angle = std::atan2(dx, dz);
    *tc = F * angle + 4000.0;
    *tr = F * y / std::hypot(dx, dz) + 1000.0;
    return true;
}

// A grey or colour view, each pixel the mean of 3 x 3 samples over its area.
inline NImagePtr RenderView(Scene scene, double F, double yaw, int rows, int cols, int bands) {
    NImagePtr image(NCreateImage(bands, rows, cols, NUByteRepn));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            for (int b = 0; b < bands; ++b) {
                double sum = 0.0;
                for (int i = -1; i <= 1; ++i)
                    for (int j = -1; j <= 1; ++j) {
                        double tr = 0, tc = 0;
                        if (SceneAt(scene, F, yaw, rows, cols, r + i / 3.0, c + j / 3.0, &tr, &tc))
                            sum += TextureValue(tr, tc, 1 + 101u * b);
                    }
                NPixel<unsigned char>(image.get(), b, r, c) =
                    static_cast<unsigned char>(sum / 9.0 + 0.5);
            }
    return image;
}

// Grey views at the given yaws, as bitmaps.
inline std::vector<TestDib> RenderViews(Scene scene, double F, const std::vector<double>& yaws,
                                        int rows, int cols) {
    std::vector<TestDib> views;
    for (const double yaw : yaws)
        views.push_back(DibFromImage(RenderView(scene, F, yaw, rows, cols, 1).get()));
    return views;
}

// The homography that maps pixel (x = column, y = row) of the view at yawA to the view at yawB:
// K R(yawB - yawA)^-1 K^-1 with the principal point at the view centre.
inline Homography8 PanHomography(double F, double yawA, double yawB, int rows, int cols) {
    const double t = yawB - yawA, cx = (cols - 1) / 2.0, cy = (rows - 1) / 2.0;
    const double cs = std::cos(t), sn = std::sin(t);
    // Ray of A (x - cx, y - cy, F) seen from B: x' = x cos t - F sin t, z' = x sin t + F cos t.
    double m[9] = {F * cs, 0, -F * F * sn, 0, F, 0, sn, 0, F * cs};
    // Pixel coordinates: shift by the centre before and after.
    // H = T(c) * P * T(-c) where P maps centred (x, y, 1) to (F x', F y, z').
    const double pre[9] = {1, 0, -cx, 0, 1, -cy, 0, 0, 1};
    const double post[9] = {1, 0, cx, 0, 1, cy, 0, 0, 1};
    double tmp[9], h[9];
    auto mul = [](const double* a, const double* b, double* out) {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                out[i * 3 + j] =
                    a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
    };
    mul(m, pre, tmp);
    mul(post, tmp, h);
    Homography8 H;
    for (int i = 0; i < 8; ++i) H.h[i] = h[i] / h[8];
    return H;
}

} // namespace camera_views
