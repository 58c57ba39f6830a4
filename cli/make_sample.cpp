// quiltsample: makes a sample sequence to stitch: views of a procedural landscape taken by a
// camera that turns about its vertical axis, written as JPEG files.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "image_impl.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kViews = 5;
constexpr double kFocalPixels = 600.0;
constexpr double kStep = 0.42; // radians between views: about 40 percent overlap

double Hash(int x, int y) {
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double Noise(double x, double y) {
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    const double fx = x - ix, fy = y - iy;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double a = Hash(ix, iy), b = Hash(ix + 1, iy), c = Hash(ix, iy + 1),
                 d = Hash(ix + 1, iy + 1);
    return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}

double Fractal(double x, double y) {
    double value = 0, amplitude = 0.5;
    for (int octave = 0; octave < 5; ++octave, amplitude *= 0.5, x *= 2, y *= 2)
        value += amplitude * Noise(x, y);
    return value;
}

// The landscape seen in direction (angle, elevation): sky, a mountain ridge, and fields.
void Landscape(double angle, double elevation, unsigned char rgb[3]) {
    const double u = angle * 6.0;
    const double ridge = 0.08 + 0.12 * Fractal(u * 0.7, 3.0);
    double r, g, b;
    if (elevation > ridge) {
        const double t = std::min(1.0, (elevation - ridge) * 3.0);
        const double cloud = std::max(0.0, Fractal(u * 1.5, elevation * 9.0) - 0.45) * 2.0;
        r = 140 + 60 * (1 - t) + 90 * cloud;
        g = 180 + 40 * (1 - t) + 70 * cloud;
        b = 235 + 20 * cloud;
    } else if (elevation > -0.02) {
        const double rock = Fractal(u * 4.0, elevation * 40.0);
        r = 90 + 80 * rock;
        g = 85 + 70 * rock;
        b = 95 + 60 * rock;
    } else {
        const double field = Fractal(u * 3.0, elevation * 25.0);
        const bool stripe = std::fmod(std::abs(u * 8.0 + elevation * 30.0), 2.0) < 1.0;
        r = 60 + 90 * field + (stripe ? 25 : 0);
        g = 110 + 100 * field;
        b = 40 + 40 * field;
    }
    rgb[0] = static_cast<unsigned char>(std::clamp(r, 0.0, 255.0));
    rgb[1] = static_cast<unsigned char>(std::clamp(g, 0.0, 255.0));
    rgb[2] = static_cast<unsigned char>(std::clamp(b, 0.0, 255.0));
}

} // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    for (int k = 0; k < kViews; ++k) {
        std::unique_ptr<CImageImpl> view = CImageImpl::Create(kWidth, kHeight, 24, kImageTypeJpeg);
        if (!view) return 1;
        const double yaw = (k - kViews / 2) * kStep;
        for (int row = 0; row < kHeight; ++row) {
            BYTE* pixels = view->GetRow(row);
            for (int col = 0; col < kWidth; ++col) {
                const double x = col - (kWidth - 1) / 2.0, y = (kHeight - 1) / 2.0 - row;
                const double angle = yaw + std::atan2(x, kFocalPixels);
                const double elevation = y / std::hypot(x, kFocalPixels);
                unsigned char rgb[3];
                Landscape(angle, elevation, rgb);
                pixels[col * 3] = rgb[2];
                pixels[col * 3 + 1] = rgb[1];
                pixels[col * 3 + 2] = rgb[0];
            }
        }
        char name[64];
        std::snprintf(name, sizeof name, "/view%d.jpg", k + 1);
        if (!view->WriteFile(folder + name)) {
            std::fprintf(stderr, "quiltsample: cannot write %s%s\n", folder.c_str(), name);
            return 73;
        }
    }
    // The focal length in millimetres of a 35 mm frame whose longer side is the picture's width.
    std::printf("%.2f\n", kFocalPixels * 35.0 / kWidth);
    return 0;
}
