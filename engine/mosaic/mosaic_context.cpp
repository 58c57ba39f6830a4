#include "mosaic/mosaic_context.h"

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
