#include "mosaic/mosaic_context.h"

#include <algorithm>

#include "core/image_record.h"

void ResetMosaicContext(MosaicContext& context) {
    if (context.images != nullptr) NDestroyAttrList(context.images);
    if (context.images48 != nullptr) NDestroyAttrList(context.images48);
    for (MosaicImageRecord& record : context.records) {
        DestroyMatchList(record.matches);
        NDestroyImage(record.distance_map);
    }
    NDestroyImage(context.output);
    NDestroyImage(context.output48);
    NDestroyImage(context.mask);
    context = MosaicContext{};
}

std::vector<N_ImageRec*> ContextImages(const MosaicContext& context) {
    std::vector<N_ImageRec*> images;
    NAttrListPosn posn;
    for (NFirstAttr(context.images, &posn); NAttrExists(&posn); NNextAttr(&posn)) {
        N_ImageRec* image = nullptr;
        if (NGetAttrValue(&posn, nullptr, NImageRepn, &image)) images.push_back(image);
    }
    return images;
}

CoveredArea CoverageExtent(const std::vector<unsigned char>& coverage, int rows, int columns) {
    CoveredArea area{rows, columns, -1, -1};
    if (rows <= 0 || columns <= 0 ||
        coverage.size() != static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns))
        return CoveredArea{};
    for (int r = 0; r < rows; ++r) {
        const unsigned char* row = coverage.data() + static_cast<std::size_t>(r) * columns;
        int first = 0;
        while (first < columns && row[first] == 0) ++first;
        if (first == columns) continue;
        int last = columns - 1;
        while (row[last] == 0) --last;
        area.top = std::min(area.top, r);
        area.bottom = r;
        area.left = std::min(area.left, first);
        area.right = std::max(area.right, last);
    }
    return area.Empty() ? CoveredArea{} : area;
}
