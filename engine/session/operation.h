// The frame every exported operation runs in: its own modal progress window titled
// "Processing...", the operation's description, and the worker reporting through the window.
#pragma once

#include "stitchkit/CProgressWnd.h"

inline constexpr unsigned kProcessingTitle = 30010; // "Processing..."
inline constexpr int kAutoAlignDescription = 30011; // "Automatic alignment..."
inline constexpr int kMosaicDescription = 30012;    // "Making a panorama..."
inline constexpr int kNoDescription = 0;

// Runs `worker` (ProgressSink* -> int) and returns its code. With `startAtOne` the bar starts
// at position 1.
template <class Worker> int RunOperation(int descriptionId, bool startAtOne, Worker&& worker) {
    CProgressWnd window(nullptr, kProcessingTitle, false);
    window.GoModal("Progress", false);
    window.SetRange(0, 100, 1);
    if (descriptionId != kNoDescription) window.LoadString(static_cast<unsigned>(descriptionId));
    if (startAtOne) window.SetPos(1);
    return worker(window.GetSink());
}
