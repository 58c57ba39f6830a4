// The manual's page of each window that has a Help button.
#pragma once

namespace help_page {
inline constexpr const char* kOverview = "index.html";
inline constexpr const char* kFileView = "file-view.html";
inline constexpr const char* kImageViewer = "image-viewer.html";
inline constexpr const char* kCorrections = "corrections.html";
inline constexpr const char* kAutomaticAlignment = "automatic-alignment.html";
inline constexpr const char* kManualAlignment = "manual-alignment.html";
inline constexpr const char* kManualAlignment360 = "manual-alignment-360.html";
inline constexpr const char* kManualMatching = "manual-matching.html";
inline constexpr const char* kStitchSettings = "stitch-settings.html";
inline constexpr const char* kResultWindow = "result-window.html";
inline constexpr const char* kVrViewer = "vr-viewer.html";
inline constexpr const char* kQuiltstitch = "quiltstitch.html";
} // namespace help_page
