// A sequence of texture views held by a test, with an adapter per view, and the fixture of
// session tests: engine boxes and progress windows recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "stitchkit/MFCPanorama.h"
#include "support/recording_prompts.h"
#include "support/scripted_progress.h"
#include "support/test_images.h"

class QuietSessionTest : public ::testing::Test {
protected:
    ScriptedProgress progress;
    RecordingPrompts prompts;
};

struct Origin {
    int top, left;
};

// Views of one texture at the given origins: the true alignment of view k+1 relative to view
// k is origin[k+1] - origin[k].
struct ViewSequence {
    std::vector<TestDib> views;
    std::vector<CBmpAdapter> adapters;
    std::vector<Origin> origins; // empty for views given as bitmaps

    ViewSequence(int rows, int columns, const std::vector<Origin>& at, ViewKind kind)
        : origins(at) {
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
    // Adds the views and the true alignment of each to the one before.
    void AddAligned(MFCPanorama& session) {
        AddTo(session);
        for (std::size_t k = 1; k < origins.size(); ++k)
            session.AddAlign(origins[k].top - origins[k - 1].top,
                             origins[k].left - origins[k - 1].left);
    }
};
