// The panorama's texture: its size for a picture and field of view, and the texture pixels,
// which hold the picture resampled to its part of a full turn, centred and mirrored left to
// right (the camera looks at the cylinder from inside), the rest in the background grey.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "vr_controller.h"

// Red, green, blue pixels, rows packed without padding, the top row first.
struct RgbPixels {
    int width = 0;
    int height = 0;
    std::unique_ptr<std::uint8_t[]> data;

    // Null data when the memory cannot be had.
    static RgbPixels Allocate(int width, int height);
    std::uint8_t* Row(int y) { return data.get() + static_cast<std::size_t>(y) * 3 * width; }
    const std::uint8_t* Row(int y) const {
        return data.get() + static_cast<std::size_t>(y) * 3 * width;
    }
};

struct VrTextureLayout {
    int width = 0;             // 512, or 1024 when a full turn of the picture is wider than 512
    int height = 0;            // 256, 512 or 1024 by the picture's height
    int pictureWidth = 0;      // hfov / 360 x width, rounded up to a multiple of 4
    int left = 0;              // first texture column of the picture
    double cylinderHeight = 0; // 20 tan(vfov / 2) for a radius of 10
};

// Nothing when the field of view is out of range or the picture is empty.
std::optional<VrTextureLayout> TextureLayoutFor(int width, int height, const VrFieldOfView& fov);

// Resamples `source` to width x height: each pixel the area-weighted mean of the source pixels
// it covers along an axis that shrinks, linear interpolation along an axis that grows.
// Streams the source rows once, keeping only the few rows one output row needs.
void ResampleRgb(const RgbPixels& source, RgbPixels& target);

// The background of the texture where the picture does not reach: the view's clear colour.
inline constexpr std::uint8_t kVrBackground = 192;

// The texture's pixels (layout.width x layout.height RGB, rows bottom first as OpenGL takes
// them); empty when memory runs out.
std::vector<std::uint8_t> MakeTexturePixels(const RgbPixels& picture,
                                            const VrTextureLayout& layout);
