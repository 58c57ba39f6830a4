// A sequence of texture views held by a test, with an adapter per view.
#pragma once

#include <vector>

#include "stitchkit/MFCPanorama.h"
#include "support/test_images.h"

struct Origin {
    int top, left;
};

// Views of one texture at the given origins: the true alignment of view k+1 relative to view
// k is origin[k+1] - origin[k].
struct ViewSequence {
    std::vector<TestDib> views;
    std::vector<CBmpAdapter> adapters;

    ViewSequence(int rows, int columns, const std::vector<Origin>& origins, ViewKind kind) {
        for (const Origin& o : origins)
            views.push_back(TextureView(rows, columns, o.top, o.left, kind));
        Rebind();
    }
    explicit ViewSequence(std::vector<TestDib> dibs) : views(std::move(dibs)) { Rebind(); }

    void Rebind() {
        adapters.clear();
        for (TestDib& v : views) adapters.push_back(v.Adapter());
    }
    void AddTo(MFCPanorama& session) {
        for (CBmpAdapter& a : adapters) session.AddImage(&a);
    }
};
