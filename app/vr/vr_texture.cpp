#include "vr_texture.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <new>
#include <numbers>

namespace {

// Weights in 14-bit fixed point: the taps of one target pixel add up to exactly kOne.
constexpr int kWeightBits = 14;
constexpr int kOne = 1 << kWeightBits;
// Rows resampled along x keep 8 bits below the 8 of a sample.
constexpr int kRowShift = kWeightBits - 8;

struct Taps {
    std::vector<int> first; // first source index of each target index
    std::vector<int> count;
    std::vector<std::uint16_t> weights; // `stride` per target index
    int stride = 0;
};

Taps MakeTaps(int sourceSize, int targetSize) {
    Taps taps;
    const double scale = static_cast<double>(sourceSize) / targetSize;
    taps.stride = scale > 1.0 ? static_cast<int>(std::ceil(scale)) + 1 : 2;
    taps.first.resize(targetSize);
    taps.count.resize(targetSize);
    taps.weights.assign(static_cast<std::size_t>(targetSize) * taps.stride, 0);
    std::vector<double> w(taps.stride);
    for (int i = 0; i < targetSize; ++i) {
        int first = 0, count = 0;
        if (scale > 1.0) { // the source interval [i s, (i + 1) s) with its overlaps
            const double low = i * scale, high = std::min((i + 1) * scale, double(sourceSize));
            first = static_cast<int>(low);
            const int last = std::min(static_cast<int>(std::ceil(high)), sourceSize) - 1;
            for (int j = first; j <= last && count < taps.stride; ++j)
                w[count++] = (std::min(high, j + 1.0) - std::max(low, double(j))) / scale;
        } else { // linear between the two nearest source centres
            const double centre = (i + 0.5) * scale - 0.5;
            const int j = static_cast<int>(std::floor(centre));
            const double f = centre - j;
            first = std::clamp(j, 0, sourceSize - 1);
            const int second = std::clamp(j + 1, 0, sourceSize - 1);
            w[count++] = second == first ? 1.0 : 1.0 - f;
            if (second != first) w[count++] = f;
        }
        // Fixed point, the rounding error given to the largest tap.
        std::uint16_t* out = &taps.weights[static_cast<std::size_t>(i) * taps.stride];
        int sum = 0, largest = 0;
        for (int k = 0; k < count; ++k) {
            out[k] = static_cast<std::uint16_t>(std::lround(w[k] * kOne));
            sum += out[k];
            if (out[k] > out[largest]) largest = k;
        }
        out[largest] = static_cast<std::uint16_t>(out[largest] + (kOne - sum));
        taps.first[i] = first;
        taps.count[i] = count;
    }
    return taps;
}

void ResampleRow(const std::uint8_t* source, const Taps& taps, int width, std::uint16_t* row) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* s = source + 3 * static_cast<std::size_t>(taps.first[x]);
        const std::uint16_t* w = &taps.weights[static_cast<std::size_t>(x) * taps.stride];
        std::uint32_t r = 0, g = 0, b = 0;
        for (int k = 0; k < taps.count[x]; ++k, s += 3) {
            r += w[k] * s[0];
            g += w[k] * s[1];
            b += w[k] * s[2];
        }
        constexpr std::uint32_t half = 1u << (kRowShift - 1);
        row[3 * x] = static_cast<std::uint16_t>((r + half) >> kRowShift);
        row[3 * x + 1] = static_cast<std::uint16_t>((g + half) >> kRowShift);
        row[3 * x + 2] = static_cast<std::uint16_t>((b + half) >> kRowShift);
    }
}

} // namespace

RgbPixels RgbPixels::Allocate(int width, int height) {
    RgbPixels pixels;
    if (width <= 0 || height <= 0) return pixels;
    const std::size_t bytes = static_cast<std::size_t>(width) * height * 3;
    pixels.data.reset(new (std::nothrow) std::uint8_t[bytes]);
    if (pixels.data) {
        pixels.width = width;
        pixels.height = height;
    }
    return pixels;
}

std::optional<VrTextureLayout> TextureLayoutFor(int width, int height, const VrFieldOfView& fov) {
    if (width <= 0 || height <= 0 || !FieldOfViewUsable(fov)) return std::nullopt;
    VrTextureLayout layout;
    layout.width = width * 360.0 / fov.hfov <= 512.0 ? 512 : 1024;
    layout.height = height <= 256 ? 256 : height <= 512 ? 512 : 1024;
    const int columns = static_cast<int>(std::ceil(fov.hfov / 360.0 * layout.width - 1e-9));
    layout.pictureWidth = std::min((columns + 3) / 4 * 4, layout.width);
    layout.left = (layout.width - layout.pictureWidth) / 2;
    layout.cylinderHeight = 20.0 * std::tan(fov.vfov / 2.0 * std::numbers::pi / 180.0);
    return layout;
}

void ResampleRgb(const RgbPixels& source, RgbPixels& target) {
    const Taps across = MakeTaps(source.width, target.width);
    const Taps down = MakeTaps(source.height, target.height);
    const std::size_t rowSize = 3 * static_cast<std::size_t>(target.width);
    // Source rows resampled across, from the first one the current target row needs.
    std::deque<std::pair<int, std::vector<std::uint16_t>>> rows;
    std::vector<std::uint32_t> sum(rowSize);
    for (int y = 0; y < target.height; ++y) {
        const int first = down.first[y], count = down.count[y];
        while (!rows.empty() && rows.front().first < first) rows.pop_front();
        for (int j = rows.empty() ? first : rows.back().first + 1; j < first + count; ++j) {
            rows.emplace_back(j, std::vector<std::uint16_t>(rowSize));
            ResampleRow(source.Row(j), across, target.width, rows.back().second.data());
        }
        std::fill(sum.begin(), sum.end(), 0u);
        const std::uint16_t* w = &down.weights[static_cast<std::size_t>(y) * down.stride];
        for (int k = 0; k < count; ++k) {
            const std::uint16_t* row = rows[k].second.data();
            for (std::size_t i = 0; i < rowSize; ++i) sum[i] += std::uint32_t{w[k]} * row[i];
        }
        constexpr int shift = kWeightBits + 8;
        std::uint8_t* out = target.Row(y);
        for (std::size_t i = 0; i < rowSize; ++i)
            out[i] = static_cast<std::uint8_t>((sum[i] + (1u << (shift - 1))) >> shift);
    }
}

std::vector<std::uint8_t> MakeTexturePixels(const RgbPixels& picture,
                                            const VrTextureLayout& layout) {
    RgbPixels scaled = RgbPixels::Allocate(layout.pictureWidth, layout.height);
    if (!scaled.data) return {};
    ResampleRgb(picture, scaled);
    std::vector<std::uint8_t> texture;
    try {
        texture.assign(static_cast<std::size_t>(layout.width) * layout.height * 3, kVrBackground);
    } catch (const std::bad_alloc&) {
        return {};
    }
    for (int y = 0; y < layout.height; ++y) {
        // OpenGL's first row is the bottom one; picture column x lands mirrored.
        const std::uint8_t* from = scaled.Row(layout.height - 1 - y);
        std::uint8_t* to = texture.data() + static_cast<std::size_t>(y) * layout.width * 3 +
                           3 * static_cast<std::size_t>(layout.left + layout.pictureWidth - 1);
        for (int x = 0; x < layout.pictureWidth; ++x, from += 3, to -= 3) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
    return texture;
}
