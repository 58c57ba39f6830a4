// Progress and cancellation of long operations.
#pragma once

#include "stitchkit/Export.h"

// The operations in their fixed virtual-slot order. No virtual destructor: implementations are
// owned and destroyed as their concrete type.
class STITCHKIT_API IProgress {
public:
    // Moves to `pos`; true to go on, false when the user cancelled.
    virtual bool SetPosition(int pos) = 0;
    virtual bool SetMaxPosition(int max) = 0;
    // Shows string resource `stringId` formatted with (n, n + 1).
    virtual void SetDescription(int stringId, int n) = 0;
    // Shows string resource `stringId` formatted with (a, b).
    virtual void SetDescriptionFrames(int stringId, int a, int b) = 0;
    // Shows string resource `stringId` formatted with (a, a + 1, b).
    virtual void SetDescriptionPairFrames(int stringId, int a, int b) = 0;

protected:
    IProgress() = default;
    IProgress(const IProgress&) = default;
    IProgress& operator=(const IProgress&) = default;
    ~IProgress() = default;
};

// What the engine's workers see: a plain record of entries forwarding to an IProgress. Each
// entry takes the sink as its first argument.
struct ProgressSink {
    IProgress* progress = nullptr;
    int (*setPosition)(ProgressSink* sink, int pos) = nullptr;
    void (*describe)(ProgressSink* sink, int stringId, int n) = nullptr;
    void (*describeFrames)(ProgressSink* sink, int stringId, int a, int b) = nullptr;
    void (*describePair)(ProgressSink* sink, int stringId, int a, int b) = nullptr;
};

// A sink forwarding to `progress` through the standard entries.
STITCHKIT_API ProgressSink MakeProgressSink(IProgress* progress);
