// The four functions engine workers report progress through. A null sink reports nothing.
#pragma once

#include "stitchkit/IProgress.h"

// The result code of a cancelled operation.
inline constexpr int kProgressCancelled = 2;

// 0 to go on (also for a null sink), 2 when the user cancelled.
int ProgressSetPos(ProgressSink* sink, int pos);
void ProgressDescribe(ProgressSink* sink, int id, int n);
void ProgressDescribeFrames(ProgressSink* sink, int id, int a, int b);
void ProgressDescribePair(ProgressSink* sink, int id, int a, int b);
