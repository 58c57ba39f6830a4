// Six 4000 x 3000 views of one generated scene, 30 percent overlap, for the session benchmarks.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "stitchkit/BmpAdapter.h"
#include "stitchkit/Dib.h"

namespace bench_scene {

constexpr int kRows = 3000, kColumns = 4000, kViews = 6, kStep = 2800;

// A smooth random field sampled on a coarse grid and interpolated, plus fine grain, so that
// every pyramid level has structure.
struct Scene {
    static constexpr int kCell = 24;
    int gridRows = 0, gridColumns = 0;
    std::vector<float> grid[3];

    Scene(int rows, int columns) {
        gridRows = rows / kCell + 2;
        gridColumns = columns / kCell + 2;
        std::uint32_t state = 12345;
        for (auto& g : grid) {
            g.resize(static_cast<std::size_t>(gridRows) * gridColumns);
            for (float& v : g) {
                state = state * 1664525u + 1013904223u;
                v = static_cast<float>((state >> 8) & 0xFF);
            }
        }
    }
    unsigned char At(int band, int r, int c) const {
        const float y = static_cast<float>(r) / kCell, x = static_cast<float>(c) / kCell;
        const int i = static_cast<int>(y), j = static_cast<int>(x);
        const float fy = y - i, fx = x - j;
        const float* g = grid[band].data();
        const auto idx = [&](int a, int b) {
            return static_cast<std::size_t>(a) * gridColumns + b;
        };
        const float v = (g[idx(i, j)] * (1 - fx) + g[idx(i, j + 1)] * fx) * (1 - fy) +
                        (g[idx(i + 1, j)] * (1 - fx) + g[idx(i + 1, j + 1)] * fx) * fy;
        const int grain = static_cast<int>(((r * 73856093u) ^ (c * 19349663u)) & 15) - 8;
        const int value = static_cast<int>(v) + grain;
        return static_cast<unsigned char>(value < 0 ? 0 : (value > 255 ? 255 : value));
    }
};

struct View {
    BITMAPINFOHEADER header{};
    std::vector<unsigned char> pixels;
};

inline std::vector<View>& Views() {
    static std::vector<View> views = [] {
        const Scene scene(kRows + 64, kColumns + kStep * (kViews - 1) + 64);
        std::vector<View> result(kViews);
        const auto stride = static_cast<std::size_t>(DibStride(kColumns, 24));
        for (int k = 0; k < kViews; ++k) {
            View& v = result[k];
            v.header.biSize = sizeof(BITMAPINFOHEADER);
            v.header.biWidth = kColumns;
            v.header.biHeight = kRows;
            v.header.biPlanes = 1;
            v.header.biBitCount = 24;
            v.pixels.resize(stride * kRows);
            const int top = (k % 2) * 24, left = k * kStep;
            for (int r = 0; r < kRows; ++r) {
                unsigned char* row = v.pixels.data() + (kRows - 1 - r) * stride;
                for (int c = 0; c < kColumns; ++c)
                    for (int b = 0; b < 3; ++b) row[c * 3 + 2 - b] = scene.At(b, r + top, c + left);
            }
        }
        return result;
    }();
    return views;
}

// The true alignment of view k + 1 relative to view k.
inline int TrueDr(int k) {
    return (k % 2 == 0) ? 24 : -24;
}
inline int TrueDc(int) {
    return kStep;
}

inline std::vector<CBmpAdapter> Adapters() {
    std::vector<CBmpAdapter> adapters;
    for (View& v : Views()) adapters.emplace_back(&v.header, v.pixels.data());
    return adapters;
}

} // namespace bench_scene
