// The table of representations and the keyword dictionaries.
#pragma once

#include "stitchkit/ImageRec.h"

struct NRepnInfo {
    const char* name;
    int size;      // bytes per value
    int precision; // bits; 0 where not meaningful
    double min_value;
    double max_value;
};

// Indexed by NRepnKind.
extern const NRepnInfo NRepnTable[NNRepnKinds];

inline bool NIsValidRepn(int kind) {
    return kind > NUnknownRepn && kind < NNRepnKinds;
}
inline const char* NRepnName(int kind) {
    return (kind >= 0 && kind < NNRepnKinds) ? NRepnTable[kind].name : "unknown";
}
inline int NRepnSize(int kind) {
    return (kind >= 0 && kind < NNRepnKinds) ? NRepnTable[kind].size : 0;
}
// Kinds 1 to 7.
inline bool NIsPixelRepn(int kind) {
    return kind >= NBitRepn && kind <= NDoubleRepn;
}
inline bool NIsIntegerRepn(int kind) {
    return kind >= NBitRepn && kind <= NLongRepn;
}

// A dictionary entry; a dictionary is an array ended by an entry with a null keyword.
struct NDictEntry {
    const char* keyword;
    long ivalue;
    double fvalue;
};

// Band interpretations: the value 0 (none) is the absence of the attribute.
enum NBandInterp {
    NBandInterpNone = 0,
    NBandInterpStereoPair = 2,
    NBandInterpRGB = 3,
    NBandInterpComplex = 4,
    NBandInterpGradient = 5,
    NBandInterpIntensity = 6,
    NBandInterpOrientation = 7
};

extern const NDictEntry NBandInterpDict[];
extern const NDictEntry NBooleanDict[];

// Dictionary look-ups; null when there is no such entry.
const NDictEntry* NLookupDictKeyword(const NDictEntry* dict, const char* keyword);
const NDictEntry* NLookupDictNumber(const NDictEntry* dict, double value, bool integral);
