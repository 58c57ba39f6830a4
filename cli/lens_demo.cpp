// Demonstration of the engine: draws a grid picture with barrel distortion, removes the
// distortion with MFCLensCalib and writes both pictures as BMP files.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "stitchkit/StitchKit.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// A grid of dark lines on a light, colour-graded ground as a camera with barrel distortion
// of strength `kappa` would see it: the picture point q shows the scene point p for which
// p (1 + kappa |p|^2) = q, so that the correction with the same kappa straightens it.
std::vector<unsigned char> DistortedGrid(double kappa) {
    const auto stride = static_cast<std::size_t>(DibStride(kWidth, 24));
    std::vector<unsigned char> pixels(stride * kHeight);
    for (int row = 0; row < kHeight; ++row) {
        for (int col = 0; col < kWidth; ++col) {
            const double x = col - (kWidth - 1) / 2.0, y = row - (kHeight - 1) / 2.0;
            // Solve p (1 + kappa |p|^2) = q by fixed-point steps (kappa is small).
            double sx = x, sy = y;
            for (int step = 0; step < 30; ++step) {
                const double s = 1.0 + kappa * (sx * sx + sy * sy);
                sx = x / s;
                sy = y / s;
            }
            const bool line = std::fmod(std::abs(sx) + 2.0, 50.0) < 4.0 ||
                              std::fmod(std::abs(sy) + 2.0, 50.0) < 4.0;
            unsigned char* p = pixels.data() + (kHeight - 1 - row) * stride + col * 3;
            p[0] = line ? 40 : static_cast<unsigned char>(150 + 100 * col / kWidth);
            p[1] = line ? 40 : 220;
            p[2] = line ? 40 : static_cast<unsigned char>(150 + 100 * row / kHeight);
        }
    }
    return pixels;
}

} // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    MFCLensCalib calib;
    const double kappa = calib.CalcMaxKappa(kWidth, kHeight) * 0.5;
    std::vector<unsigned char> distorted = DistortedGrid(kappa);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = kWidth;
    header.biHeight = kHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<DWORD>(DibStride(kWidth, 24) * kHeight);
    CBmpAdapter input(&header, distorted.data());
    CBmpAdapter output;

    calib.SetImage(&input);
    calib.SetOutputRectType(MFCLensCalib::OutputRectInner);
    calib.SetBackColor(255, 255, 255);
    std::printf("Correcting a %d x %d grid with kappa %g (50%% of the maximum)...\n", kWidth,
                kHeight, kappa);
    if (calib.Execute(&output, 50) != 1) {
        std::fprintf(stderr, "quiltlensdemo: the correction failed\n");
        return 1;
    }
    const std::string before = folder + "/lens_demo_input.bmp";
    const std::string after = folder + "/lens_demo_corrected.bmp";
    std::string error = WriteBmpFile(before, header, distorted.data());
    if (error.empty()) error = WriteBmpFile(after, *output.GetHeader(), output.GetData());
    const int width = output.GetWidth(), height = output.GetHeight();
    delete output.GetHeader();
    std::free(output.GetData());
    if (!error.empty()) {
        std::fprintf(stderr, "quiltlensdemo: cannot write the pictures to %s: %s\n", folder.c_str(),
                     error.c_str());
        return 73;
    }
    std::printf("Distorted picture: %s\nCorrected picture (%d x %d): %s\n", before.c_str(), width,
                height, after.c_str());
    return 0;
}
