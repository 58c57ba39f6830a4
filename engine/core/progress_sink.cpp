#include "core/progress_sink.h"

namespace {

int SetPositionEntry(ProgressSink* sink, int pos) {
    // The answer is kept as a byte, as the entry's callers expect.
    return static_cast<unsigned char>(sink->progress->SetPosition(pos));
}
void DescribeEntry(ProgressSink* sink, int id, int n) {
    sink->progress->SetDescription(id, n);
}
void DescribeFramesEntry(ProgressSink* sink, int id, int a, int b) {
    sink->progress->SetDescriptionFrames(id, a, b);
}
void DescribePairEntry(ProgressSink* sink, int id, int a, int b) {
    sink->progress->SetDescriptionPairFrames(id, a, b);
}

bool Usable(const ProgressSink* sink) {
    return sink != nullptr && sink->progress != nullptr;
}

} // namespace

ProgressSink MakeProgressSink(IProgress* progress) {
    return ProgressSink{progress, SetPositionEntry, DescribeEntry, DescribeFramesEntry,
                        DescribePairEntry};
}

int ProgressSetPos(ProgressSink* sink, int pos) {
    if (!Usable(sink) || sink->setPosition == nullptr) return 0;
    return sink->setPosition(sink, pos) != 0 ? 0 : kProgressCancelled;
}

void ProgressDescribe(ProgressSink* sink, int id, int n) {
    if (Usable(sink) && sink->describe != nullptr) sink->describe(sink, id, n);
}

void ProgressDescribeFrames(ProgressSink* sink, int id, int a, int b) {
    if (Usable(sink) && sink->describeFrames != nullptr) sink->describeFrames(sink, id, a, b);
}

void ProgressDescribePair(ProgressSink* sink, int id, int a, int b) {
    if (Usable(sink) && sink->describePair != nullptr) sink->describePair(sink, id, a, b);
}
