#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/image_record.h"
#include "mosaic/blending.h"
#include "mosaic/composition.h"
#include "mosaic/flat_mosaic.h"
#include "mosaic/image_loading.h"
#include "session/session_state.h"
#include "stitchkit/AdapterResult.h"
#include "stitchkit/CProgressWnd.h"
#include "support/scripted_progress.h"
#include "support/test_images.h"

namespace {

// A picture value per band (0 red, 1 green, 2 blue) at a position of the whole picture.
using PictureFn = std::function<int(double row, double column, int band)>;

int Texture(double r, double c, int band) {
    return static_cast<int>(TextureValue(r, c, 1u + 101u * band));
}

// A 24-bit (or 8-bit grey) view of rows x columns showing the picture from (top, left).
TestDib PictureView(int rows, int columns, double top, double left, bool colour,
                    const PictureFn& f) {
    TestDib dib(columns, rows, colour ? 24 : 8);
    if (!colour) dib.SetGreyRamp();
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            for (int b = 0; b < (colour ? 3 : 1); ++b)
                dib.At(r, c, colour ? 2 - b : 0) =
                    static_cast<unsigned char>(f(top + r, left + c, b));
    return dib;
}

// Views of one picture at known positions, with the records estimation would leave for them:
// alignments, translation positions, pairwise translations and their inverses, and to-image
// and to-canvas transforms relative to the automatically chosen base.
class HandMosaic {
public:
    explicit HandMosaic(PictureFn picture = Texture) : m_picture(std::move(picture)) {}

    void AddView(int rows, int columns, double top, double left, bool colour = false) {
        AddDib(PictureView(rows, columns, top, left, colour, m_picture), top, left);
    }
    void AddDib(TestDib dib, double top, double left) {
        m_dibs.push_back(std::make_unique<TestDib>(std::move(dib)));
        m_origins.push_back({top, left});
    }

    void Prepare() {
        const int n = static_cast<int>(m_dibs.size());
        auto set = std::make_unique<ImageSet>();
        set->width = m_dibs[0]->header.biWidth;
        set->height = m_dibs[0]->header.biHeight;
        set->size = 2;
        m_adapters.reserve(static_cast<std::size_t>(n));
        for (auto& dib : m_dibs) set->adapters.push_back(&m_adapters.emplace_back(dib->Adapter()));
        session.normal = std::move(set);
        MosaicContext& context = session.context;
        context.count = n;
        context.records.assign(static_cast<std::size_t>(n), MosaicImageRecord{});
        auto& rec = context.records;
        for (int i = 1; i < n; ++i) {
            const double dr = m_origins[i].r - m_origins[i - 1].r;
            const double dc = m_origins[i].c - m_origins[i - 1].c;
            rec[i].align_dr = static_cast<int>(dr);
            rec[i].align_dc = static_cast<int>(dc);
            rec[i - 1].pairwise = Homography8::Translation(-dr, -dc);
            rec[i].prev_inverse = Homography8::Translation(dr, dc);
        }
        ComputeTranslationPositions(context);
        // Estimation leaves the processing images loaded; the base is chosen over them.
        ASSERT_EQ(ReloadForComposition(session), 0);
        base = ChooseBase(context);
        context.base = base;
        for (int k = 0; k < n; ++k) {
            const double dr = m_origins[k].r - m_origins[base].r;
            const double dc = m_origins[k].c - m_origins[base].c;
            rec[k].to_image = Homography8::Translation(-dr, -dc);
            rec[k].to_canvas = Homography8::Translation(dr, dc);
        }
    }

    // The same views as the 48-bit set, their low bytes showing `lower`.
    void AddLowerBytes(const PictureFn& lower) {
        for (std::size_t k = 0; k < m_dibs.size(); ++k) {
            TestDib& dib = *m_dibs[k];
            const int rows = dib.header.biHeight, columns = dib.header.biWidth;
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < columns; ++c)
                    for (int b = 0; b < 3; ++b)
                        dib.lower[static_cast<std::size_t>((rows - 1 - r) * dib.Stride() + c * 3 +
                                                           2 - b)] =
                            static_cast<unsigned char>(
                                lower(m_origins[k].r + r, m_origins[k].c + c, b));
        }
        auto set = std::make_unique<ImageSet>();
        set->width = session.normal->width;
        set->height = session.normal->height;
        set->size = 2;
        set->is48 = true;
        set->adapters = session.normal->adapters;
        session.set48 = std::move(set);
    }

    MosaicContext& Context() { return session.context; }
    const N_ImageRec* Output() { return session.context.output; }

    // The picture position shown at canvas pixel (r, c), and whether some view shows it.
    CanvasPoint World(int r, int c) const {
        const MosaicContext& context = session.context;
        return {r - context.offset_r + m_origins[base].r, c - context.offset_c + m_origins[base].c};
    }
    bool Covered(const CanvasPoint& p) const {
        for (std::size_t k = 0; k < m_dibs.size(); ++k) {
            const double r = p.r - m_origins[k].r, c = p.c - m_origins[k].c;
            if (r >= 0 && c >= 0 && r <= m_dibs[k]->header.biHeight - 1 &&
                c <= m_dibs[k]->header.biWidth - 1)
                return true;
        }
        return false;
    }

    SessionState session;
    int base = 0;

private:
    PictureFn m_picture;
    std::vector<std::unique_ptr<TestDib>> m_dibs;
    std::vector<CBmpAdapter> m_adapters;
    std::vector<CanvasPoint> m_origins;
};

// Colour `band` (red first; 0 for grey) of pixel (r, c) of a composite.
int Out(const N_ImageRec* output, int r, int c, int band = 0) {
    return NPixel<unsigned char>(output, output->interleaved ? 2 - band : band, r, c);
}

// Every pixel of a composite of `rows` x `columns` shows the picture where a view covers it
// and `background` (per band) elsewhere.
void ExpectPicture(HandMosaic& mosaic, const N_ImageRec* out, int rows, int columns,
                   const PictureFn& picture, std::vector<int> background = {0, 0, 0}) {
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->nrows, rows);
    ASSERT_EQ(out->ncolumns, columns);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const CanvasPoint p = mosaic.World(r, c);
            const bool inside = mosaic.Covered(p);
            for (int b = 0; b < out->nbands; ++b)
                ASSERT_EQ(Out(out, r, c, b), inside ? picture(p.r, p.c, b) : background[b])
                    << r << "," << c << " band " << b;
        }
}

int Compose(HandMosaic& mosaic) {
    return ComposeMosaic(mosaic.session, nullptr, 5, 90);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Canvas geometry

TEST(Composition, ViewsAreLaidWhereTheyBelongOnACanvasOneRowAndColumnBeyondTheBase) {
    // Every canvas pixel that a view covers shows the picture, the rest the background, and the
    // covered area is the bounding box of the covered pixels. The canvas spans the views'
    // corners and the base's rectangle, which reaches one row and column beyond its last pixel.
    struct View {
        int rows, columns;
        double top, left;
    };
    const PictureFn ramp = [](double r, double c, int) {
        return static_cast<int>(2 * r + 2 * c + 50);
    };
    // Palette entry i is (red i, green 255 - i, blue i / 2); the composite keeps its colours.
    const PictureFn palette = [](double r, double c, int b) {
        const int i = static_cast<int>(TextureValue(r, c, 1u));
        return b == 0 ? i : (b == 1 ? 255 - i : i / 2);
    };
    struct Case {
        const char* name;
        std::vector<View> views;
        bool colour, palette;
        int rows, columns, offsetR, offsetC;
    };
    const Case cases[] = {
        {"one view", {{30, 40, 0, 0}}, true, false, 31, 41, 0, 0},
        // The base is the middle view, in whose frame the others start at (7, -50) and
        // (12, 50): rows 0 .. 71, columns -50 .. 129.
        {"three views",
         {{60, 80, 0, 0}, {60, 80, -7, 50}, {60, 80, 5, 100}},
         false,
         false,
         72,
         180,
         0,
         50},
        // A linear picture, integer on every pixel, is reproduced exactly by bilinear sampling.
        // Offset ceil(2.5) = 3, height ceil(10) - floor(-2.5) + 1 = 14, width ceil(14.5) + 1.
        {"fractional", {{10, 10, 0, 0}, {10, 10, -2.5, 5.5}}, false, false, 14, 16, 3, 0},
        {"palette", {{40, 50, 0, 0}, {40, 50, 4, 30}}, false, true, 44, 80, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const PictureFn picture =
            k.palette ? palette : (std::string(k.name) == "fractional" ? ramp : Texture);
        HandMosaic mosaic(picture);
        for (const View& v : k.views) {
            if (k.palette)
                mosaic.AddDib(TextureView(v.rows, v.columns, static_cast<int>(v.top),
                                          static_cast<int>(v.left), ViewKind::Palette8),
                              v.top, v.left);
            else
                mosaic.AddView(v.rows, v.columns, v.top, v.left, k.colour);
        }
        mosaic.Prepare();
        mosaic.Context().background = 10 * 65536 + 20 * 256 + 30; // a grey canvas takes green
        ASSERT_EQ(Compose(mosaic), 0);
        EXPECT_EQ(mosaic.Context().offset_r, k.offsetR);
        EXPECT_EQ(mosaic.Context().offset_c, k.offsetC);
        const N_ImageRec* out = mosaic.Output();
        ExpectPicture(mosaic, out, k.rows, k.columns, picture,
                      out->nbands == 3 ? std::vector<int>{10, 20, 30} : std::vector<int>{20});
        CoveredArea truth{out->nrows, out->ncolumns, -1, -1};
        for (int r = 0; r < out->nrows; ++r)
            for (int c = 0; c < out->ncolumns; ++c) {
                if (!mosaic.Covered(mosaic.World(r, c))) continue;
                truth.top = std::min(truth.top, r);
                truth.left = std::min(truth.left, c);
                truth.bottom = std::max(truth.bottom, r);
                truth.right = std::max(truth.right, c);
            }
        const CoveredArea& got = mosaic.Context().covered;
        EXPECT_EQ((std::vector<int>{got.top, got.left, got.bottom, got.right}),
                  (std::vector<int>{truth.top, truth.left, truth.bottom, truth.right}));
    }
}

TEST(Composition, CanvasWiderThanTenBasesIsRefusedBeforeDrawing) {
    // Views 10 x 10 at (0, 0) and (0, left): the canvas is left + 10 columns wide. At 100 the
    // size passes and the views, which do not overlap, give 7; at 101 the result is 11.
    for (const auto& [left, code] : {std::pair{90, 7}, std::pair{91, 11}}) {
        HandMosaic mosaic;
        mosaic.AddView(10, 10, 0, 0);
        mosaic.AddView(10, 10, 0, left);
        mosaic.Prepare();
        AdapterResult out;
        EXPECT_EQ(RenderMosaic(mosaic.session, out.Get(), nullptr), code) << left;
        EXPECT_EQ(mosaic.Output(), nullptr);
        EXPECT_TRUE(out->IsEmpty());
    }
}

TEST(Composition, AViewOutOfAnyRangeIsRefusedBeforeItsExtentBecomesAnInteger) {
    // View 1 moved far beyond what an int holds (or to a finite but absurd distance): the canvas
    // is too wide in either rule, and no coordinate of it is converted first.
    for (const double far : {1e12, -1e12, 1e300, -3e9})
        for (const bool baseFrame : {false, true}) {
            HandMosaic mosaic;
            mosaic.AddView(10, 10, 0, 0);
            mosaic.AddView(10, 10, 0, 5);
            mosaic.Prepare();
            MosaicImageRecord& record = mosaic.Context().records[1];
            record.to_canvas = Homography8::Translation(far, far / 2);
            record.to_image = Homography8::Translation(-far, -far / 2);
            CompositionRule rule;
            rule.base_frame = baseFrame;
            EXPECT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90, rule), 11)
                << far << (baseFrame ? " base frame" : "");
            EXPECT_EQ(mosaic.Output(), nullptr);
        }
}

// ---------------------------------------------------------------------------------------------
// Composition order

TEST(Composition, OrderFallsBackToTheListWhenTheNearestImageDoesNotOverlap) {
    // B (0, 0), Y (95, 60), X (0, 105), 100 x 100. The base is X; B is nearer X than Y is
    // (105^2 < 95^2 + 45^2) but does not overlap X, so the list order B, Y, X is used.
    HandMosaic mosaic;
    mosaic.AddView(100, 100, 0, 0);
    mosaic.AddView(100, 100, 95, 60);
    mosaic.AddView(100, 100, 0, 105);
    mosaic.Prepare();
    ASSERT_EQ(mosaic.base, 2);
    ASSERT_EQ(Compose(mosaic), 0);
    ExpectPicture(mosaic, mosaic.Output(), 195, 206, Texture);
}

TEST(Composition, OrderFollowsDistanceFromTheBaseWithTiesByIndex) {
    // Views 10 x 100: 50 at (0, 10), 100 at (0, 0), 150 at (0, 0); blend level none. The base
    // is view 1; order 1, 2 (a tie, lower index first), 0. View 2 replaces view 1 (equal
    // centres); view 0 (centre column 59 against 49) takes columns 54 and beyond, column 54
    // being equidistant. In list order column 54 would stay 150.
    HandMosaic mosaic;
    mosaic.AddDib(FlatView(10, 100, 50), 0, 10);
    mosaic.AddDib(FlatView(10, 100, 100), 0, 0);
    mosaic.AddDib(FlatView(10, 100, 150), 0, 0);
    mosaic.Prepare();
    ASSERT_EQ(mosaic.base, 1);
    mosaic.Context().blend_level = kBlendNone;
    ASSERT_EQ(Compose(mosaic), 0);
    ASSERT_EQ(mosaic.Output()->ncolumns, 110);
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 110; ++c) ASSERT_EQ(Out(mosaic.Output(), r, c), c < 54 ? 150 : 50) << c;
}

// ---------------------------------------------------------------------------------------------
// Blending settings through the pipeline

TEST(Composition, NearestNeighbourCreatesNoNewValues) {
    // A two-valued checkerboard; the second view is shifted by fractions and turned slightly.
    // With nearest-neighbour sampling and level none only 0 and 200 appear; bilinear sampling
    // (the control) creates values in between.
    const PictureFn checker = [](double r, double c, int) {
        return (static_cast<int>(std::floor(r / 3)) + static_cast<int>(std::floor(c / 3))) % 2 ? 200
                                                                                               : 0;
    };
    for (bool nearest : {true, false}) {
        HandMosaic mosaic(checker);
        mosaic.AddView(40, 40, 0, 0);
        mosaic.AddView(40, 40, 3.4, 20.7);
        mosaic.Prepare();
        MosaicImageRecord& rec = mosaic.Context().records[1];
        rec.to_image.h[1] = rec.to_canvas.h[3] = 0.02;
        rec.to_image.h[3] = rec.to_canvas.h[1] = -0.02;
        mosaic.Context().blend_level = kBlendNone;
        mosaic.Context().nearest_neighbour = nearest ? 1 : 0;
        ASSERT_EQ(Compose(mosaic), 0);
        const N_ImageRec* out = mosaic.Output();
        std::set<int> values;
        for (int r = 0; r < out->nrows; ++r)
            for (int c = 0; c < out->ncolumns; ++c) values.insert(Out(out, r, c));
        if (nearest)
            EXPECT_EQ(values, (std::set<int>{0, 200}));
        else
            EXPECT_GT(values.size(), 2u);
    }
}

TEST(Composition, TheContextsMaskKeepsZerosFromBeingLaid) {
    // Views 30 x 40 at (0, 0) and (2, 25). With the mask 0 on columns 20 and beyond of each
    // view, canvas columns 20..24 and 45..64 stay background. (How a mask pixel is read is the
    // sampling test's.)
    HandMosaic mosaic;
    mosaic.AddView(30, 40, 0, 0, true);
    mosaic.AddView(30, 40, 2, 25, true);
    mosaic.Prepare();
    N_ImageRec* mask = NCreateImage(1, 30, 40, NUByteRepn);
    for (int r = 0; r < 30; ++r)
        for (int c = 0; c < 20; ++c) NPixel<unsigned char>(mask, 0, r, c) = 255;
    mosaic.Context().mask = mask;
    ASSERT_EQ(Compose(mosaic), 0);
    for (int c = 0; c < 65; ++c)
        for (int b = 0; b < 3; ++b)
            EXPECT_EQ(Out(mosaic.Output(), 10, c, b),
                      c < 20 || (c >= 25 && c < 45) ? Texture(10, c, b) : 0)
                << c;
}

TEST(Composition, ColourCorrectionEvensOutABrighterView) {
    // A dimmed texture (20 .. 198), so the +20 step of the second view never clamps.
    const PictureFn dim = [](double r, double c, int b) { return 20 + Texture(r, c, b) * 7 / 10; };
    HandMosaic mosaic(dim);
    mosaic.AddView(30, 40, 0, 0, true);
    mosaic.AddDib(PictureView(30, 40, 4, 24, true,
                              [&](double r, double c, int b) { return dim(r, c, b) + 20; }),
                  4, 24);
    mosaic.Prepare();
    mosaic.Context().colour_correction = 1;
    testing::internal::CaptureStdout(); // the correction's timings
    ASSERT_EQ(Compose(mosaic), 0);
    testing::internal::GetCapturedStdout();
    ExpectPicture(mosaic, mosaic.Output(), 34, 64, dim);
}

TEST(Composition, LowBytesAreComposedWithTheSameGeometryAndDelivered) {
    const PictureFn lower = [](double r, double c, int b) {
        return (static_cast<int>(r) * 3 + static_cast<int>(c) * 5 + b * 7) % 256;
    };
    HandMosaic mosaic;
    mosaic.AddView(30, 40, 0, 0, true);
    mosaic.AddView(30, 40, -3, 28, true);
    mosaic.Prepare();
    mosaic.AddLowerBytes(lower);
    ASSERT_EQ(Compose(mosaic), 0);
    ExpectPicture(mosaic, mosaic.Output(), 34, 68, Texture);
    ExpectPicture(mosaic, mosaic.Context().output48, 34, 68, lower);
    AdapterResult delivered;
    ASSERT_EQ(DeliverOutput(mosaic.Context(), delivered.Get()), 0);
    EXPECT_EQ(mosaic.Context().output48, nullptr);
    ASSERT_NE(delivered->GetData48Lower(), nullptr);
    // Pixel (10, 50) of the 34-row picture: bottom-up rows, blue byte first.
    const std::int64_t at = (33 - 10) * DibStride(68, 24) + 50 * 3;
    const CanvasPoint p = mosaic.World(10, 50);
    EXPECT_EQ(delivered->GetData48Lower()[at], lower(p.r, p.c, 2));
    EXPECT_EQ(delivered->GetData()[at + 2], Texture(p.r, p.c, 0));
}

// ---------------------------------------------------------------------------------------------
// Delivery, progress and cancel

// An output adapter that refuses every picture, as one out of memory does.
class RefusingAdapter : public IImageAdapter {
public:
    void FromNIL(N_ImageRec*, unsigned short*) override { throw CBmpAdapterException(); }
    N_ImageRec* ToNIL(bool) override { return nullptr; }
    int GetHeight() override { return 0; }
    int GetWidth() override { return 0; }
    void FromNILDIB(N_ImageRec*, unsigned short*) override { throw CBmpAdapterException(); }
    void FromNILDIB48Lower(N_ImageRec*) override { throw CBmpAdapterException(); }
    N_ImageRec* ToNILDIB(bool) override { return nullptr; }
    N_ImageRec* ToNILDIB48Lower(bool) override { return nullptr; }
};

TEST(Composition, RefusedOrMissingDeliveryLeavesNoComposite) {
    for (bool colour : {true, false}) {
        HandMosaic mosaic;
        mosaic.AddView(10, 12, 0, 0, colour);
        mosaic.Prepare();
        RefusingAdapter out;
        EXPECT_EQ(RenderMosaic(mosaic.session, &out, nullptr), 3) << colour;
        EXPECT_EQ(mosaic.Output(), nullptr);
    }
}

TEST(Composition, CancelAtAnyReportGivesTwoAndDeliversNothing) {
    for (int position : {5, 33, 61, 89, 90}) {
        ScriptedProgress scripted;
        scripted.Log().cancelAtPosition = position;
        HandMosaic mosaic;
        for (int k = 0; k < 3; ++k) mosaic.AddView(20, 30, 0, 20 * k);
        mosaic.Prepare();
        CProgressWnd window(nullptr, "Processing...");
        ASSERT_TRUE(window.GoModal());
        window.SetRange(0, 100, 1);
        AdapterResult out;
        EXPECT_EQ(RenderMosaic(mosaic.session, out.Get(), window.GetSink()), 2) << position;
        EXPECT_TRUE(out->IsEmpty()) << position;
        EXPECT_EQ(mosaic.Output(), nullptr) << position;
    }
}
