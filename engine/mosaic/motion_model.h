// Motion models of the pairwise transforms.
#pragma once

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

// Hand-set matches a pair needs for the model.
inline int MinimumHandMatches(MotionModel model) {
    switch (model) {
    case MotionTranslation:
    case MotionTranslationStrip:
        return 1;
    case MotionAffine:
        return 3;
    case MotionProjective:
        return 4;
    default:
        return 2;
    }
}
