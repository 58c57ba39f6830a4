#include "pair_selection.h"

#include <cstdio>

std::vector<PairConfidence> PairsOfRun(const std::vector<double>& confidences, int count) {
    std::vector<PairConfidence> pairs;
    for (int k = 0; k + 1 < count && k < static_cast<int>(confidences.size()); ++k)
        pairs.push_back({k, k + 1, confidences[static_cast<std::size_t>(k)]});
    if (count > 1 && static_cast<int>(confidences.size()) >= count)
        pairs.push_back({count - 1, 0, confidences[static_cast<std::size_t>(count - 1)]});
    return pairs;
}

bool IsWeakPair(const PairConfidence& pair, double threshold) {
    return pair.confidence >= 0.0 && pair.confidence < threshold;
}

int FirstWeakPair(const std::vector<PairConfidence>& pairs, double threshold) {
    for (std::size_t k = 0; k < pairs.size(); ++k)
        if (IsWeakPair(pairs[k], threshold)) return static_cast<int>(k);
    return -1;
}

PictureRun LongestConnectedRun(int count, const std::vector<PairConfidence>& pairs,
                               double threshold) {
    // joined[k]: pictures k and k + 1 belong together.
    std::vector<char> joined(static_cast<std::size_t>(count > 1 ? count - 1 : 0), 1);
    for (const PairConfidence& pair : pairs)
        if (pair.second == pair.first + 1 && pair.first >= 0 && pair.second < count &&
            IsWeakPair(pair, threshold))
            joined[static_cast<std::size_t>(pair.first)] = 0;
    PictureRun best;
    int begin = 0;
    for (int k = 0; k < count; ++k) {
        const bool ends = k + 1 == count || joined[static_cast<std::size_t>(k)] == 0;
        if (!ends) continue;
        if (k + 1 - begin > best.Size()) best = {begin, k + 1};
        begin = k + 1;
    }
    return best;
}

std::string WeakPairMessage(const PairConfidence& pair, const std::string& first,
                            const std::string& second, double threshold) {
    char figures[96];
    std::snprintf(figures, sizeof figures, " (pair confidence %.3f, below %.2f)", pair.confidence,
                  threshold);
    return first + " and " + second + " do not show the same place" + figures;
}
