#include "core/repn.h"

#include <cfloat>
#include <cmath>
#include <cstring>

const NRepnInfo NRepnTable[NNRepnKinds] = {
    {"unknown", 0, 0, 0.0, 0.0},         {"bit", 1, 1, 0.0, 1.0},
    {"ubyte", 1, 8, 0.0, 255.0},         {"sbyte", 1, 8, -128.0, 127.0},
    {"short", 2, 16, -32768.0, 32767.0}, {"long", 4, 32, -2147483648.0, 2147483647.0},
    {"float", 4, 32, -FLT_MAX, FLT_MAX}, {"double", 8, 64, -DBL_MAX, DBL_MAX},
    {"attr-list", 4, 0, 0.0, 0.0},       {"boolean", 1, 1, 0.0, 0.0},
    {"bundle", 4, 0, 0.0, 0.0},          {"list", 4, 0, 0.0, 0.0},
    {"pointer", 4, 0, 0.0, 0.0},         {"string", 4, 0, 0.0, 0.0},
    {"image", 4, 0, 0.0, 0.0},
};

const NDictEntry NBandInterpDict[] = {
    {"stereo_pair", NBandInterpStereoPair, NBandInterpStereoPair},
    {"rgb", NBandInterpRGB, NBandInterpRGB},
    {"complex", NBandInterpComplex, NBandInterpComplex},
    {"gradient", NBandInterpGradient, NBandInterpGradient},
    {"intensity", NBandInterpIntensity, NBandInterpIntensity},
    {"orientation", NBandInterpOrientation, NBandInterpOrientation},
    {nullptr, 0, 0.0},
};

const NDictEntry NBooleanDict[] = {
    {"false", 0, 0.0}, {"true", 1, 1.0}, {"no", 0, 0.0},    {"yes", 1, 1.0},
    {"off", 0, 0.0},   {"on", 1, 1.0},   {nullptr, 0, 0.0},
};

const NDictEntry* NLookupDictKeyword(const NDictEntry* dict, const char* keyword) {
    if (dict == nullptr || keyword == nullptr) return nullptr;
    for (; dict->keyword != nullptr; ++dict) {
        if (std::strcmp(dict->keyword, keyword) == 0) return dict;
    }
    return nullptr;
}

const NDictEntry* NLookupDictNumber(const NDictEntry* dict, double value, bool integral) {
    if (dict == nullptr) return nullptr;
    for (; dict->keyword != nullptr; ++dict) {
        if (integral ? static_cast<double>(dict->ivalue) == value : dict->fvalue == value)
            return dict;
    }
    return nullptr;
}
