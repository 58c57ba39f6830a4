// Feature points and match lists: two point lists of equal length whose k-th points correspond.
#pragma once

#include <cstdint>

#include "stitchkit/ImageRec.h"

struct FeaturePoint {
    FeaturePoint* next = nullptr;
    double r = 0.0;              // row
    double c = 0.0;              // column
    double displacement = 0.0;   // secondary displacement value (0 for detected points)
    double strength = 0.0;       // corner measure of a detected point
    double quality = -1.0;       // -1 for detected points
    N_ImageRec* patch = nullptr; // template patch, owned
};

inline constexpr int kFeatureTemplateSize = 13;

struct FeatureList {
    std::int32_t count = 0;
    std::int32_t template_rows = kFeatureTemplateSize;
    std::int32_t template_columns = kFeatureTemplateSize;
    FeaturePoint* first = nullptr;
    FeaturePoint* last = nullptr;
    unsigned char flag = 0;
};

struct MatchList {
    FeatureList first;  // points of the first image
    FeatureList second; // the corresponding points of the second image
};

// Appends a point at the end; false when memory runs out.
bool AppendFeature(FeatureList* list, double r, double c);
void ClearFeatureList(FeatureList* list);

MatchList* CreateMatchList();
void DestroyMatchList(MatchList* list);
// Appends the correspondence (r1, c1) <-> (r2, c2).
bool AppendMatch(MatchList* list, double r1, double c1, double r2, double c2);
