// The zoom rules shared by every picture view: steps of 0.2 on the 20 % grid between 10 % and
// 300 %, fitting content into a window, and the zoom box's text.
#pragma once

#include <optional>
#include <string>

inline constexpr float kZoomMin = 0.1f;
inline constexpr float kZoomMax = 3.0f;

// The next zoom in / out. A result that is not greater than 0 asks the caller to fit.
float ZoomInStep(float zoom);
float ZoomOutStep(float zoom);

// min(clientW / contentW, clientH / contentH), divided by 1.05 with `margin`; results of
// `cap` or more become `cap` (no cap when it is 0). 0 when either size is empty.
float FitZoom(int clientWidth, int clientHeight, int contentWidth, int contentHeight, bool margin,
              float cap = 0.0f);

// The zoom box's text: zoom x 100 as "%.1lf%%".
std::string FormatZoomPercent(float zoom);
// The zoom typed into the box ("%f" read of a percentage, divided by 100); nothing when the
// text does not start with a number. A value not greater than 0 means fit.
std::optional<float> ParseZoomPercent(const std::string& text);

// Centring of content [low, high) in a client extent: extent / 2 - (low + high) / 2 when the
// content fits (halves truncated toward zero), else -low.
int CentreOrigin(int clientExtent, int low, int high);
