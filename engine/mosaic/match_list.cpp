#include "mosaic/match_list.h"

#include <new>

#include "core/image_record.h"

bool AppendFeature(FeatureList* list, double r, double c) {
    auto* p = new (std::nothrow) FeaturePoint;
    if (p == nullptr) return false;
    p->r = r;
    p->c = c;
    if (list->last != nullptr)
        list->last->next = p;
    else
        list->first = p;
    list->last = p;
    ++list->count;
    return true;
}

void ClearFeatureList(FeatureList* list) {
    FeaturePoint* p = list->first;
    while (p != nullptr) {
        FeaturePoint* next = p->next;
        NDestroyImage(p->patch);
        delete p;
        p = next;
    }
    list->first = list->last = nullptr;
    list->count = 0;
}

MatchList* CreateMatchList() {
    return new (std::nothrow) MatchList;
}

void DestroyMatchList(MatchList* list) {
    if (list == nullptr) return;
    ClearFeatureList(&list->first);
    ClearFeatureList(&list->second);
    delete list;
}

bool AppendMatch(MatchList* list, double r1, double c1, double r2, double c2) {
    if (!AppendFeature(&list->first, r1, c1)) return false;
    if (!AppendFeature(&list->second, r2, c2)) {
        // Keep the two lists of equal length.
        FeaturePoint* p = list->first.first;
        if (p == list->first.last) {
            ClearFeatureList(&list->first);
            return false;
        }
        while (p->next != list->first.last) p = p->next;
        delete list->first.last;
        p->next = nullptr;
        list->first.last = p;
        --list->first.count;
        return false;
    }
    return true;
}
