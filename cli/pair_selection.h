// Which neighbouring pictures of a run belong together: the engine's confidence of every pair
// against the threshold below which two pictures are taken to show different places, and the
// longest run of connected pictures that --drop-unmatched keeps.
#pragma once

#include <string>
#include <vector>

// Confidences below this say that a pair's pictures do not show the same place. Measured with
// bench/pair_confidence_measure on every sequence of ../shared/data and on pairs of unrelated
// photographs (see bench/README.md, "Pair confidence").
inline constexpr double kMinimumPairConfidence = 0.13;

struct PairConfidence {
    int first = 0;            // picture index
    int second = 0;           // picture index: first + 1, or 0 for the closing pair of a turn
    double confidence = -1.0; // 0 .. 1; negative when the engine did not measure the pair
};

// The pairs of `count` pictures for the engine's list (entry k for the pair (k, k + 1), then
// the closing pair (count - 1, 0) when the list has one more entry). Entries beyond those are
// ignored; a list shorter than count - 1 entries gives only the pairs it holds.
std::vector<PairConfidence> PairsOfRun(const std::vector<double>& confidences, int count);

// A measured pair below the threshold.
bool IsWeakPair(const PairConfidence& pair, double threshold = kMinimumPairConfidence);

// The index in `pairs` of the first weak pair, or -1.
int FirstWeakPair(const std::vector<PairConfidence>& pairs,
                  double threshold = kMinimumPairConfidence);

// Pictures begin .. end - 1.
struct PictureRun {
    int begin = 0;
    int end = 0;
    int Size() const { return end - begin; }
};

// The longest run of pictures joined by pairs (k, k + 1) that are not weak; of runs of equal
// length the earliest. The closing pair of a turn joins nothing: a run does not wrap around.
PictureRun LongestConnectedRun(int count, const std::vector<PairConfidence>& pairs,
                               double threshold = kMinimumPairConfidence);

// The message that names the pictures of a weak pair and its confidence.
std::string WeakPairMessage(const PairConfidence& pair, const std::string& first,
                            const std::string& second, double threshold = kMinimumPairConfidence);
