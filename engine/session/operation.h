// The frame every exported operation runs in: its own modal progress window titled
// "Processing...", the operation's description, and the worker reporting through the window.
#pragma once

#include "core/guard.h"
#include "stitchkit/CProgressWnd.h"
#include "stitchkit/MFCPanorama.h"

inline constexpr unsigned kProcessingTitle = 30010; // "Processing..."
inline constexpr int kAutoAlignDescription = 30011; // "Automatic alignment..."
inline constexpr int kMosaicDescription = 30012;    // "Making a panorama..."
inline constexpr int kNoDescription = 0;

// Runs `worker` (ProgressSink* -> int) and returns its code. With `startAtOne` the bar starts
// at position 1. An exception from the worker or the window (estimation, alignment, a host
// callback) ends the operation with its result code (GuardedCode), which the caller then
// shows and handles as any other failure.
template <class Worker>
int RunOperation(int descriptionId, bool startAtOne, Worker&& worker) noexcept {
    return GuardedCode([&] {
        CProgressWnd window(nullptr, kProcessingTitle, false);
        window.GoModal("Progress", false);
        window.SetRange(0, 100, 1);
        if (descriptionId != kNoDescription)
            window.LoadString(static_cast<unsigned>(descriptionId));
        if (startAtOne) window.SetPos(1);
        return worker(window.GetSink());
    });
}

// Shows the message of `code` (ShowWarning) and returns the code.
inline int Shown(MFCPanorama& panorama, int code) {
    panorama.ShowWarning(static_cast<MosaicReturnValue>(code));
    return code;
}

// Whether a result code counts as success for a bool operation.
constexpr bool Succeeded(int code) {
    return code == MosaicOK || code == MosaicTranslationFallback;
}
