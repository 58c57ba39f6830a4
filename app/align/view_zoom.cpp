#include "view_zoom.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// The zoom as whole percent. A float zoom on the grid (1.4f is 1.39999998) must count as
// on the grid, or zoom in would round it down and step back to where it was.
int Percent(float zoom) {
    return static_cast<int>(std::floor(static_cast<double>(zoom) * 100.0 + 1e-3));
}

} // namespace

float ZoomInStep(float zoom) {
    const int p = Percent(zoom);
    const int base = p % 20 != 0 ? p - (p % 20 + 20) % 20 : p;
    float next = static_cast<float>(base) / 100.0f + 0.2f;
    if (next >= kZoomMax) next = kZoomMax;
    return next;
}

float ZoomOutStep(float zoom) {
    const int p = Percent(zoom);
    float next = p % 20 != 0 ? static_cast<float>(p - (p % 20 + 20) % 20) / 100.0f
                             : static_cast<float>(p) / 100.0f - 0.2f;
    if (next < kZoomMin) next = kZoomMin;
    return next;
}

float FitZoom(int clientWidth, int clientHeight, int contentWidth, int contentHeight, bool margin,
              float cap) {
    if (clientWidth <= 0 || clientHeight <= 0 || contentWidth <= 0 || contentHeight <= 0)
        return 0.0f;
    float zoom = std::min(static_cast<float>(clientWidth) / static_cast<float>(contentWidth),
                          static_cast<float>(clientHeight) / static_cast<float>(contentHeight));
    if (margin) zoom /= 1.05f;
    if (cap > 0.0f && zoom >= cap) zoom = cap;
    return zoom;
}

std::string FormatZoomPercent(float zoom) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1lf%%", static_cast<double>(zoom) * 100.0);
    return text;
}

std::optional<float> ParseZoomPercent(const std::string& text) {
    float value = 0.0f;
    if (std::sscanf(text.c_str(), "%f", &value) != 1 || !std::isfinite(value)) return std::nullopt;
    return value / 100.0f;
}

int CentreOrigin(int clientExtent, int low, int high) {
    if ((clientExtent - (high - low)) / 2 >= 0) return clientExtent / 2 - (low + high) / 2;
    return -low;
}
