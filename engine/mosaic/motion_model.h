// Motion models of the pairwise transforms, and the facts of each in one table.
#pragma once

#include <array>
#include <cstddef>

enum MotionModel : int {
    MotionProjective = 0,
    MotionRigid = 1,
    MotionCylinder = 2,
    MotionFocalProjective = 3,
    MotionTranslation = 4,
    MotionRigidStrip = 5,
    MotionTranslationStrip = 6,
    MotionAffine = 7
};

// The transforms a set of matches can be fitted with.
enum class FitKind { Translation, Similarity, Affine, Projective };

// The matches a fit of the kind passes through exactly (1 translation, 2 similarity, 3 affine,
// 4 projective).
constexpr int ExactFitMatches(FitKind kind) {
    switch (kind) {
    case FitKind::Translation:
        return 1;
    case FitKind::Similarity:
        return 2;
    case FitKind::Affine:
        return 3;
    default:
        return 4;
    }
}

// What the engine needs to know of one motion model.
struct MotionModelFacts {
    MotionModel model;
    const char* name;
    FitKind pairFit;   // fit of the matches the feature search found for a pair
    FitKind coarseFit; // fit of the coarse search's matches
    FitKind handFit;   // fit of hand-set matches
    int handMatches;   // hand-set matches a pair needs
};

// Indexed by the model's value.
inline constexpr std::array<MotionModelFacts, 8> kMotionModels = {{
    {MotionProjective, "projective", FitKind::Projective, FitKind::Projective, FitKind::Projective,
     4},
    {MotionRigid, "rigid", FitKind::Similarity, FitKind::Similarity, FitKind::Similarity, 2},
    {MotionCylinder, "cylinder", FitKind::Translation, FitKind::Projective, FitKind::Projective, 2},
    {MotionFocalProjective, "focal projective", FitKind::Projective, FitKind::Projective,
     FitKind::Projective, 2},
    {MotionTranslation, "translation", FitKind::Translation, FitKind::Translation,
     FitKind::Translation, 1},
    {MotionRigidStrip, "rigid strip", FitKind::Similarity, FitKind::Similarity, FitKind::Similarity,
     2},
    {MotionTranslationStrip, "translation strip", FitKind::Translation, FitKind::Projective,
     FitKind::Projective, 1},
    {MotionAffine, "affine", FitKind::Affine, FitKind::Affine, FitKind::Projective, 3},
}};

// The facts of a value outside the enumeration: fitted as a projective transform.
inline constexpr MotionModelFacts kUnknownMotionModel = {
    MotionProjective, "unknown", FitKind::Projective, FitKind::Projective, FitKind::Projective, 2};

constexpr bool MotionTableInOrder() {
    for (std::size_t i = 0; i < kMotionModels.size(); ++i)
        if (static_cast<std::size_t>(kMotionModels[i].model) != i) return false;
    return true;
}
static_assert(MotionTableInOrder(), "kMotionModels is indexed by the model's value");

constexpr const MotionModelFacts& MotionFacts(MotionModel model) {
    const int index = static_cast<int>(model);
    return index >= 0 && index < static_cast<int>(kMotionModels.size()) ? kMotionModels[index]
                                                                        : kUnknownMotionModel;
}

constexpr const char* MotionModelName(MotionModel model) {
    return MotionFacts(model).name;
}

// Hand-set matches a pair needs for the model.
constexpr int MinimumHandMatches(MotionModel model) {
    return MotionFacts(model).handMatches;
}

// The fit of the matches the feature search found for a pair.
constexpr FitKind PairFitKind(MotionModel model) {
    return MotionFacts(model).pairFit;
}

// The fit of the coarse search: translation only for the translation model.
constexpr FitKind CoarseFitKind(MotionModel model) {
    return MotionFacts(model).coarseFit;
}

// The fit of hand-set matches.
constexpr FitKind HandFitKind(MotionModel model) {
    return MotionFacts(model).handFit;
}
