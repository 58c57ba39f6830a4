#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/image_record.h"
#include "mosaic/blending.h"
#include "mosaic/composition.h"
#include "mosaic/flat_mosaic.h"
#include "session/session_images.h"
#include "session/session_state.h"
#include "stitchkit/CProgressWnd.h"
#include "support/scripted_progress.h"
#include "support/test_images.h"

namespace {

// A picture value per band (0 red, 1 green, 2 blue) at a position of the whole picture.
using PictureFn = std::function<int(double row, double column, int band)>;

// A view of rows x columns whose pixel (r, c) shows the picture at (top + r, left + c): 24-bit,
// or 8-bit grey (band 0).
TestDib PictureView(int rows, int columns, double top, double left, bool colour,
                    const PictureFn& f) {
    TestDib dib(columns, rows, colour ? 24 : 8);
    if (!colour) dib.SetGreyRamp();
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if (colour) {
                for (int b = 0; b < 3; ++b)
                    dib.At(r, c, 2 - b) = static_cast<unsigned char>(f(top + r, left + c, b));
            } else {
                dib.At(r, c) = static_cast<unsigned char>(f(top + r, left + c, 0));
            }
        }
    return dib;
}

int Texture(double r, double c, int band) {
    return static_cast<int>(TextureValue(r, c, 1u + 101u * band));
}

// A mosaic assembled by hand: views of one picture with known positions, and the records that
// estimation would leave for them (alignments, translation positions, pairwise translations and
// their inverses, to-image and to-canvas transforms relative to the automatically chosen base).
class HandMosaic {
public:
    explicit HandMosaic(const PictureFn& picture = Texture) : m_picture(picture) {}

    // A view of rows x columns whose top-left pixel lies at (top, left) of the picture.
    void AddView(int rows, int columns, double top, double left, bool colour = false) {
        m_dibs.push_back(
            std::make_unique<TestDib>(PictureView(rows, columns, top, left, colour, m_picture)));
        m_origins.push_back({top, left});
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
        m_adapters.clear();
        m_adapters.reserve(static_cast<std::size_t>(n));
        for (auto& dib : m_dibs) m_adapters.push_back(dib->Adapter());
        for (CBmpAdapter& adapter : m_adapters) set->adapters.push_back(&adapter);
        session.normal = std::move(set);
        MosaicContext& context = session.context;
        context.count = n;
        context.records.assign(static_cast<std::size_t>(n), MosaicImageRecord{});
        auto& rec = context.records;
        for (int i = 1; i < n; ++i) {
            rec[i].align_dr = static_cast<int>(m_origins[i].r - m_origins[i - 1].r);
            rec[i].align_dc = static_cast<int>(m_origins[i].c - m_origins[i - 1].c);
            rec[i - 1].pairwise = Homography8::Translation(m_origins[i - 1].r - m_origins[i].r,
                                                           m_origins[i - 1].c - m_origins[i].c);
            rec[i].prev_inverse = Homography8::Translation(m_origins[i].r - m_origins[i - 1].r,
                                                           m_origins[i].c - m_origins[i - 1].c);
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

    // Adds the same views as the 48-bit set, their low bytes showing `lower`.
    void AddLowerBytes(const PictureFn& lower) {
        for (std::size_t k = 0; k < m_dibs.size(); ++k) {
            TestDib& dib = *m_dibs[k];
            const int rows = dib.header.biHeight, columns = dib.header.biWidth;
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < columns; ++c)
                    for (int b = 0; b < 3; ++b) {
                        const std::int64_t offset = (rows - 1 - r) * dib.Stride() + c * 3 + 2 - b;
                        dib.lower[static_cast<std::size_t>(offset)] = static_cast<unsigned char>(
                            lower(m_origins[k].r + r, m_origins[k].c + c, b));
                    }
        }
        auto set = std::make_unique<ImageSet>();
        set->width = session.normal->width;
        set->height = session.normal->height;
        set->size = 2;
        set->is48 = true;
        for (CBmpAdapter& adapter : m_adapters) set->adapters.push_back(&adapter);
        session.set48 = std::move(set);
    }

    TestDib& Dib(int k) { return *m_dibs[static_cast<std::size_t>(k)]; }
    MosaicContext& Context() { return session.context; }

    // The picture position shown at canvas pixel (r, c).
    CanvasPoint World(int r, int c) const {
        const MosaicContext& context = session.context;
        return {r - context.offset_r + m_origins[base].r, c - context.offset_c + m_origins[base].c};
    }
    // Whether some view shows the picture position.
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

// Band `band` (0 red, 1 green, 2 blue; 0 for grey) of composite pixel (r, c).
int Out(const N_ImageRec* output, int r, int c, int band = 0) {
    const int stored = output->interleaved ? 2 - band : band;
    return NPixel<unsigned char>(output, stored, r, c);
}

// Every pixel of the composite equals the picture where a view covers it, else the background.
void ExpectPicture(HandMosaic& mosaic, const PictureFn& picture, int background_grey) {
    const N_ImageRec* out = mosaic.Context().output;
    ASSERT_NE(out, nullptr);
    const int bands = out->nbands;
    int covered = 0;
    for (int r = 0; r < out->nrows; ++r)
        for (int c = 0; c < out->ncolumns; ++c) {
            const CanvasPoint p = mosaic.World(r, c);
            const bool inside = mosaic.Covered(p);
            covered += inside ? 1 : 0;
            for (int b = 0; b < bands; ++b) {
                const int expected = inside ? picture(p.r, p.c, b) : background_grey;
                ASSERT_EQ(Out(out, r, c, b), expected) << r << "," << c << " band " << b;
            }
        }
    EXPECT_GT(covered, 0);
}

// An adapter that receives a composite; frees what the engine handed over.
struct Output {
    CBmpAdapter adapter;
    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() {
        delete adapter.GetHeader();
        std::free(adapter.GetData());
        std::free(adapter.GetData48Lower());
    }
    bool Empty() const { return adapter.GetHeader() == nullptr; }
    int At(int row, int column, int byte, bool lower = false) const {
        const BITMAPINFOHEADER& h = *adapter.GetHeader();
        const std::int64_t offset = (h.biHeight - 1 - row) * DibStride(h.biWidth, h.biBitCount) +
                                    static_cast<std::int64_t>(column) * h.biBitCount / 8 + byte;
        return (lower ? adapter.GetData48Lower() : adapter.GetData())[offset];
    }
};

// Records every report of a worker.
class RecordingProgress : public IProgress {
public:
    bool SetPosition(int pos) override {
        positions.push_back(pos);
        return true;
    }
    bool SetMaxPosition(int) override { return true; }
    void SetDescription(int id, int n) override { frames.emplace_back(id, n, -1); }
    void SetDescriptionFrames(int id, int a, int b) override { frames.emplace_back(id, a, b); }
    void SetDescriptionPairFrames(int id, int a, int b) override { frames.emplace_back(id, a, b); }

    std::vector<int> positions;
    std::vector<std::tuple<int, int, int>> frames;
};

TestDib ConstantDib(int rows, int columns, int value) {
    return PictureView(rows, columns, 0, 0, false, [=](double, double, int) { return value; });
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Canvas geometry

TEST(Composition, SingleImageGetsOneRowAndColumnOfBackground) {
    HandMosaic mosaic;
    mosaic.AddView(30, 40, 0, 0, true);
    mosaic.Prepare();
    mosaic.Context().background = 10 * 65536 + 20 * 256 + 30;
    ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
    const N_ImageRec* out = mosaic.Context().output;
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->nrows, 31);
    EXPECT_EQ(out->ncolumns, 41);
    EXPECT_EQ(out->nbands, 3);
    EXPECT_TRUE(out->interleaved);
    for (int r = 0; r < 31; ++r)
        for (int c = 0; c < 41; ++c)
            for (int b = 0; b < 3; ++b) {
                const int background = b == 0 ? 10 : (b == 1 ? 20 : 30);
                const int expected = r < 30 && c < 40 ? Texture(r, c, b) : background;
                ASSERT_EQ(Out(out, r, c, b), expected) << r << "," << c;
            }
}

TEST(Composition, TranslationMosaicReproducesThePicture) {
    // Three views 60 x 80 at (0, 0), (-7, 50), (5, 100): integer shifts, so every sample is a
    // source pixel and blending equal values keeps them.
    HandMosaic mosaic;
    mosaic.AddView(60, 80, 0, 0);
    mosaic.AddView(60, 80, -7, 50);
    mosaic.AddView(60, 80, 5, 100);
    mosaic.Prepare();
    ASSERT_EQ(mosaic.base, 1);
    mosaic.Context().background = 3 * 65536 + 3 * 256 + 3; // grey takes the green byte
    ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
    const N_ImageRec* out = mosaic.Context().output;
    ASSERT_NE(out, nullptr);
    // In the base view's frame the others start at (7, -50) and (12, 50): rows 0 .. 12 + 59,
    // columns -50 .. 50 + 79.
    EXPECT_EQ(mosaic.Context().offset_r, 0);
    EXPECT_EQ(mosaic.Context().offset_c, 50);
    EXPECT_EQ(out->nrows, 72);
    EXPECT_EQ(out->ncolumns, 180);
    EXPECT_FALSE(out->interleaved);
    ExpectPicture(mosaic, Texture, 3);
}

TEST(Composition, FractionalShiftOfALinearPictureIsReproducedExactly) {
    // Bilinear sampling reproduces a linear picture exactly; with shifts (0.5, 20.25) the
    // picture is integer at every canvas pixel and at every pixel of both views.
    const PictureFn ramp = [](double r, double c, int b) {
        return static_cast<int>(r + 2 * c + 5 + 40 * b);
    };
    HandMosaic mosaic(ramp);
    mosaic.AddView(20, 30, 0, 0, true);
    mosaic.AddView(20, 30, 0.5, 20.25, true);
    mosaic.Prepare();
    ASSERT_EQ(mosaic.base, 0);
    ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
    const N_ImageRec* out = mosaic.Context().output;
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->nrows, 21);    // rows 0 .. 20 (the base rectangle reaches 20)
    EXPECT_EQ(out->ncolumns, 51); // columns 0 .. ceil(49.25)
    ExpectPicture(mosaic, ramp, 0);
}

TEST(Composition, CanvasOffsetRoundsTheNegativeExtentUp) {
    // View 1 starts at (-2.5, 5.5) of the base frame. The offset is ceil(2.5) = 3, the height
    // ceil(10) - floor(-2.5) + 1 = 14 and the width ceil(14.5) + 1 = 16. The linear picture
    // 2r + 2c + 50 is integer on every canvas pixel and every pixel of both views.
    const PictureFn ramp = [](double r, double c, int) {
        return static_cast<int>(2 * r + 2 * c + 50);
    };
    HandMosaic mosaic(ramp);
    mosaic.AddView(10, 10, 0, 0);
    mosaic.AddView(10, 10, -2.5, 5.5);
    mosaic.Prepare();
    ASSERT_EQ(mosaic.base, 0);
    ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
    EXPECT_EQ(mosaic.Context().offset_r, 3);
    EXPECT_EQ(mosaic.Context().offset_c, 0);
    ASSERT_NE(mosaic.Context().output, nullptr);
    EXPECT_EQ(mosaic.Context().output->nrows, 14);
    EXPECT_EQ(mosaic.Context().output->ncolumns, 16);
    ExpectPicture(mosaic, ramp, 0);
}

TEST(Composition, RotatedViewOfALinearPictureLandsInPlace) {
    // View 1 is rotated by 0.1 rad about its origin, which lies at (8, 35) of the picture; its
    // pixels are the picture truncated, so a composite pixel may lie up to 2 below the picture.
    const double theta = 0.1, a = std::cos(theta), b = std::sin(theta), ty = 8, tx = 35;
    const auto ramp = [](double r, double c) { return 0.5 * r + 1.5 * c + 20; };
    HandMosaic mosaic([&](double r, double c, int) { return static_cast<int>(ramp(r, c)); });
    mosaic.AddView(40, 50, 0, 0);
    TestDib rotated(50, 40, 8);
    rotated.SetGreyRamp();
    for (int r = 0; r < 40; ++r)
        for (int c = 0; c < 50; ++c)
            rotated.At(r, c) =
                static_cast<unsigned char>(ramp(b * c + a * r + ty, a * c - b * r + tx));
    mosaic.AddDib(std::move(rotated), ty, tx);
    mosaic.Prepare();
    ASSERT_EQ(mosaic.base, 0);
    MosaicImageRecord& rec = mosaic.Context().records[1];
    rec.to_canvas.h[0] = a, rec.to_canvas.h[1] = -b, rec.to_canvas.h[2] = tx;
    rec.to_canvas.h[3] = b, rec.to_canvas.h[4] = a, rec.to_canvas.h[5] = ty;
    rec.to_image.h[0] = a, rec.to_image.h[1] = b, rec.to_image.h[2] = -(a * tx + b * ty);
    rec.to_image.h[3] = -b, rec.to_image.h[4] = a, rec.to_image.h[5] = b * tx - a * ty;
    mosaic.Context().records[0].pairwise = rec.to_image;
    mosaic.Context().records[1].prev_inverse = rec.to_canvas;
    ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
    const N_ImageRec* out = mosaic.Context().output;
    ASSERT_NE(out, nullptr);
    const int offR = mosaic.Context().offset_r, offC = mosaic.Context().offset_c;
    EXPECT_EQ(offR, 0);
    EXPECT_EQ(offC, 0);
    int checked = 0;
    for (int r = 0; r < out->nrows; ++r)
        for (int c = 0; c < out->ncolumns; ++c) {
            double ri = 0, ci = 0;
            rec.to_image.Apply(r, c, &ri, &ci);
            const bool inRotated = ri >= 0 && ri <= 39 && ci >= 0 && ci <= 49;
            const bool inFirst = r <= 39 && c <= 49;
            if (!inRotated && !inFirst) {
                ASSERT_EQ(Out(out, r, c), 0) << r << "," << c;
                continue;
            }
            const double expected = ramp(r, c);
            ASSERT_LE(Out(out, r, c), expected + 1e-6) << r << "," << c;
            ASSERT_GE(Out(out, r, c), expected - 2.0) << r << "," << c;
            ++checked;
        }
    EXPECT_GT(checked, 3000);
}

TEST(Composition, PaletteViewsArePlacedInColourOrder) {
    // 8-bit palette views are copied as red, green, blue planes; the composite keeps a
    // bitmap's blue, green, red bytes. Palette entry i is (red i, green 255 - i, blue i / 2).
    HandMosaic mosaic;
    const PictureFn palette = [](double r, double c, int b) {
        const int i = static_cast<int>(TextureValue(r, c, 1u));
        return b == 0 ? i : (b == 1 ? 255 - i : i / 2);
    };
    for (const auto& [top, left] : {std::pair{0, 0}, std::pair{4, 30}}) {
        mosaic.AddDib(TextureView(40, 50, top, left, ViewKind::Palette8), top, left);
    }
    mosaic.Prepare();
    ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
    ASSERT_NE(mosaic.Context().output, nullptr);
    EXPECT_TRUE(mosaic.Context().output->interleaved);
    ExpectPicture(mosaic, palette, 0);
}

TEST(Composition, RecordsReceiveTheirCanvasGeometry) {
    HandMosaic mosaic;
    mosaic.AddView(20, 30, 0, 0);
    mosaic.AddView(20, 30, -6, 25);
    mosaic.Prepare();
    ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
    const MosaicContext& context = mosaic.Context();
    EXPECT_EQ(context.offset_r, 6);
    EXPECT_EQ(context.offset_c, 0);
    // Image 1: corners (0, 25), (0, 54), (19, 54), (19, 25) on the canvas; centre (9.5, 39.5).
    const MosaicImageRecord& rec = context.records[1];
    EXPECT_DOUBLE_EQ(rec.corners[0].r, 0);
    EXPECT_DOUBLE_EQ(rec.corners[0].c, 25);
    EXPECT_DOUBLE_EQ(rec.corners[2].r, 19);
    EXPECT_DOUBLE_EQ(rec.corners[2].c, 54);
    EXPECT_DOUBLE_EQ(rec.box.r0, 0);
    EXPECT_DOUBLE_EQ(rec.box.c1, 54);
    EXPECT_EQ(rec.centre_r, 9);
    EXPECT_EQ(rec.centre_c, 39);
    EXPECT_EQ(context.records[0].centre_r, 15);
    EXPECT_EQ(context.records[0].centre_c, 14);
    // The transforms now take canvas pixels: canvas (0, 25) is pixel (0, 0) of image 1.
    double r = 0, c = 0;
    ASSERT_TRUE(rec.to_image.Apply(0, 25, &r, &c));
    EXPECT_DOUBLE_EQ(r, 0);
    EXPECT_DOUBLE_EQ(c, 0);
    ASSERT_TRUE(rec.to_canvas.Apply(19, 29, &r, &c));
    EXPECT_DOUBLE_EQ(r, 19);
    EXPECT_DOUBLE_EQ(c, 54);
    // Edge k runs through corners k and k + 1, positive inside the outline.
    for (int k = 0; k < 4; ++k) {
        const EdgeLine& e = rec.edges[k];
        EXPECT_GT(e.a * 9.5 + e.b * 39.5 + e.d, 0);
        for (const CanvasPoint& p : {rec.corners[k], rec.corners[(k + 1) % 4]})
            EXPECT_NEAR(e.a * p.r + e.b * p.c + e.d, 0.0, 1e-9) << k;
    }
    int negative = 0;
    for (const EdgeLine& e : rec.edges) negative += e.a * 9.5 + e.b * 60 + e.d < 0 ? 1 : 0;
    EXPECT_EQ(negative, 1);
}

TEST(Composition, CanvasTenTimesTheBaseIsRefusedBeforeDrawing) {
    // Views 10 x 10: the canvas is 10 + 1 rows and left + 10 columns wide.
    for (const auto& [left, code] : {std::pair{90, 7}, std::pair{91, 11}}) {
        HandMosaic mosaic;
        mosaic.AddView(10, 10, 0, 0);
        mosaic.AddView(10, 10, 0, left);
        mosaic.Prepare();
        Output out;
        EXPECT_EQ(RenderMosaic(mosaic.session, &out.adapter, nullptr), code) << left;
        EXPECT_EQ(mosaic.Context().output, nullptr);
        EXPECT_TRUE(out.Empty());
    }
}

TEST(Composition, ImagesWithoutAnyOverlapGiveTooMuchDistortion) {
    HandMosaic mosaic;
    mosaic.AddView(10, 10, 0, 0);
    mosaic.AddView(10, 10, 0, 12);
    mosaic.Prepare();
    EXPECT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 7);
    EXPECT_EQ(mosaic.Context().output, nullptr);
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
    ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
    const N_ImageRec* out = mosaic.Context().output;
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->nrows, 195);
    EXPECT_EQ(out->ncolumns, 206);
    ExpectPicture(mosaic, Texture, 0);
}

TEST(Composition, OrderFollowsDistanceFromTheBaseWithTiesByIndex) {
    // Views 10 x 100 with constants 50 at (0, 10), 100 at (0, 0) and 150 at (0, 0); blend level
    // none. The base is view 1; order 1, 2 (tie, lower index first), 0. View 2 replaces view 1
    // (equal centres), then view 0 (centre column 59 against 49) takes columns 54 and beyond:
    // column 54 is equidistant and goes to the later image. Laid in list order, column 54
    // would stay 150.
    HandMosaic mosaic;
    mosaic.AddDib(ConstantDib(10, 100, 50), 0, 10);
    mosaic.AddDib(ConstantDib(10, 100, 100), 0, 0);
    mosaic.AddDib(ConstantDib(10, 100, 150), 0, 0);
    mosaic.Prepare();
    ASSERT_EQ(mosaic.base, 1);
    mosaic.Context().blend_level = kBlendNone;
    ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
    const N_ImageRec* out = mosaic.Context().output;
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->ncolumns, 110);
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 110; ++c) ASSERT_EQ(Out(out, r, c), c < 54 ? 150 : 50) << r << "," << c;
}

// ---------------------------------------------------------------------------------------------
// Blending through the whole pipeline

TEST(Composition, LevelNoneWithEqualCentresLetsTheLaterImageWin) {
    for (const auto& [level, expected] : {std::pair{kBlendNone, 200}, std::pair{kBlendHalf, 105}}) {
        HandMosaic mosaic;
        mosaic.AddDib(ConstantDib(12, 16, 10), 0, 0);
        mosaic.AddDib(ConstantDib(12, 16, 200), 0, 0);
        mosaic.Prepare();
        mosaic.Context().blend_level = level;
        ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
        const N_ImageRec* out = mosaic.Context().output;
        for (int r = 0; r < 12; ++r)
            for (int c = 0; c < 16; ++c) ASSERT_EQ(Out(out, r, c), expected) << level;
    }
}

TEST(Composition, HalfLevelOverThreeImagesWeighsQuarterQuarterHalf) {
    HandMosaic mosaic;
    mosaic.AddDib(ConstantDib(8, 8, 40), 0, 0);
    mosaic.AddDib(ConstantDib(8, 8, 80), 0, 0);
    mosaic.AddDib(ConstantDib(8, 8, 160), 0, 0);
    mosaic.Prepare();
    mosaic.Context().blend_level = kBlendHalf;
    ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
    EXPECT_EQ(Out(mosaic.Context().output, 3, 3), 40 / 4 + 80 / 4 + 160 / 2);
}

TEST(Composition, NearestNeighbourCreatesNoNewValues) {
    // Views of a two-valued checkerboard; the second is shifted by a fraction and slightly
    // rotated. With nearest-neighbour sampling and level none only 0 and 200 appear; bilinear
    // sampling (the control) creates values in between.
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
        rec.to_image.h[1] = 0.02;
        rec.to_image.h[3] = -0.02;
        rec.to_canvas.h[1] = -0.02;
        rec.to_canvas.h[3] = 0.02;
        mosaic.Context().blend_level = kBlendNone;
        mosaic.Context().nearest_neighbour = nearest ? 1 : 0;
        ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
        const N_ImageRec* out = mosaic.Context().output;
        std::set<int> values;
        for (int r = 0; r < out->nrows; ++r)
            for (int c = 0; c < out->ncolumns; ++c) values.insert(Out(out, r, c));
        if (nearest)
            EXPECT_EQ(values, (std::set<int>{0, 200}));
        else
            EXPECT_GT(values.size(), 2u);
    }
}

TEST(Composition, MaskOfAll255EqualsNoMaskAndZerosLeaveBackground) {
    auto compose = [](int mask_value_left, int mask_value_right) {
        HandMosaic mosaic;
        mosaic.AddView(30, 40, 0, 0, true);
        mosaic.AddView(30, 40, 2, 25, true);
        mosaic.Prepare();
        if (mask_value_left >= 0) {
            N_ImageRec* mask = NCreateImage(1, 30, 40, NUByteRepn);
            for (int r = 0; r < 30; ++r)
                for (int c = 0; c < 40; ++c)
                    NPixel<unsigned char>(mask, 0, r, c) =
                        static_cast<unsigned char>(c < 20 ? mask_value_left : mask_value_right);
            mosaic.Context().mask = mask;
        }
        EXPECT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
        const N_ImageRec* out = mosaic.Context().output;
        std::vector<int> pixels;
        for (int r = 0; r < out->nrows; ++r)
            for (int c = 0; c < out->ncolumns; ++c)
                for (int b = 0; b < 3; ++b) pixels.push_back(Out(out, r, c, b));
        return std::pair{pixels, out->ncolumns};
    };
    const auto [plain, columns] = compose(-1, -1);
    const auto [full, fullColumns] = compose(255, 255);
    EXPECT_EQ(full, plain);
    // Mask 0 on the right half of each view (its columns 20 and beyond). On canvas row 10
    // view 0 is laid on columns 0..19 and view 1 (from column 25) on 25..44; columns 20..24 and
    // 45..64 stay background.
    const auto [half, halfColumns] = compose(255, 0);
    ASSERT_EQ(halfColumns, columns);
    ASSERT_EQ(columns, 65);
    for (int c = 0; c < 65; ++c)
        for (int b = 0; b < 3; ++b) {
            const bool laid = c < 20 || (c >= 25 && c < 45);
            const auto i = (static_cast<std::size_t>(10) * columns + c) * 3 + b;
            EXPECT_EQ(half[i], laid ? Texture(10, c, b) : 0) << c;
        }
}

TEST(Composition, ColourCorrectionEvensOutABrighterViewWithoutTouchingTheBitmap) {
    // A dimmed texture (20 .. 198) so the step of +20 in the second view never clamps.
    const PictureFn dim = [](double r, double c, int b) { return 20 + Texture(r, c, b) * 7 / 10; };
    const PictureFn brighter = [&](double r, double c, int b) { return dim(r, c, b) + 20; };
    HandMosaic mosaic(dim);
    mosaic.AddView(30, 40, 0, 0, true);
    mosaic.AddDib(PictureView(30, 40, 4, 24, true, brighter), 4, 24);
    mosaic.Prepare();
    const std::vector<unsigned char> before = mosaic.Dib(1).pixels;
    mosaic.Context().colour_correction = 1;
    testing::internal::CaptureStdout();
    ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.rfind("MGetColCorrection: ", 0), 0u) << printed;
    for (int b = 0; b < 3; ++b) EXPECT_DOUBLE_EQ(mosaic.Context().records[1].offset[b], -20.0);
    ExpectPicture(mosaic, dim, 0);
    EXPECT_EQ(mosaic.Dib(1).pixels, before);
}

// ---------------------------------------------------------------------------------------------
// The 48-bit composite

TEST(Composition, LowBytesAreComposedWithTheSameGeometry) {
    const PictureFn lower = [](double r, double c, int b) {
        return (static_cast<int>(r) * 3 + static_cast<int>(c) * 5 + b * 7) % 256;
    };
    HandMosaic mosaic;
    mosaic.AddView(30, 40, 0, 0, true);
    mosaic.AddView(30, 40, -3, 28, true);
    mosaic.Prepare();
    mosaic.AddLowerBytes(lower);
    ASSERT_EQ(ComposeMosaic(mosaic.session, nullptr, 5, 90), 0);
    const N_ImageRec* out = mosaic.Context().output;
    const N_ImageRec* out48 = mosaic.Context().output48;
    ASSERT_NE(out, nullptr);
    ASSERT_NE(out48, nullptr);
    EXPECT_EQ(out48->nrows, out->nrows);
    EXPECT_EQ(out48->ncolumns, out->ncolumns);
    for (int r = 0; r < out->nrows; ++r)
        for (int c = 0; c < out->ncolumns; ++c) {
            const CanvasPoint p = mosaic.World(r, c);
            const bool inside = mosaic.Covered(p);
            for (int b = 0; b < 3; ++b) {
                ASSERT_EQ(Out(out48, r, c, b), inside ? lower(p.r, p.c, b) : 0) << r << "," << c;
                ASSERT_EQ(Out(out, r, c, b), inside ? Texture(p.r, p.c, b) : 0) << r << "," << c;
            }
        }
    // Delivered, the low bytes follow the main picture.
    Output delivered;
    ASSERT_EQ(DeliverOutput(mosaic.Context(), &delivered.adapter), 0);
    EXPECT_EQ(mosaic.Context().output, nullptr);
    EXPECT_EQ(mosaic.Context().output48, nullptr);
    ASSERT_NE(delivered.adapter.GetData48Lower(), nullptr);
    const CanvasPoint p = mosaic.World(10, 50);
    EXPECT_EQ(delivered.At(10, 50, 0, true), lower(p.r, p.c, 2)); // blue byte
    EXPECT_EQ(delivered.At(10, 50, 2, false), Texture(p.r, p.c, 0));
}

// ---------------------------------------------------------------------------------------------
// Delivery, progress and cancel

TEST(Composition, RenderDeliversColourWithThePalette) {
    HandMosaic mosaic;
    mosaic.AddView(20, 24, 0, 0, true);
    mosaic.AddView(20, 24, 0, 12, true);
    mosaic.Prepare();
    RGBQUAD palette[256] = {};
    mosaic.Context().palette = palette;
    Output out;
    ASSERT_EQ(RenderMosaic(mosaic.session, &out.adapter, nullptr), 0);
    ASSERT_FALSE(out.Empty());
    EXPECT_EQ(out.adapter.GetHeader()->biWidth, 36); // columns 0 .. 12 + 23
    EXPECT_EQ(out.adapter.GetHeader()->biHeight, 21);
    EXPECT_EQ(out.adapter.GetHeader()->biBitCount, 24);
    EXPECT_EQ(out.adapter.GetRgb(), palette);
    EXPECT_EQ(out.At(5, 30, 2), Texture(5, 30, 0));
    EXPECT_EQ(out.At(5, 30, 0), Texture(5, 30, 2));
    EXPECT_EQ(mosaic.Context().output, nullptr);
}

TEST(Composition, RenderDeliversGreyThroughAPlanarCopy) {
    HandMosaic mosaic;
    mosaic.AddView(20, 24, 0, 0);
    mosaic.AddView(20, 24, 3, 12);
    mosaic.Prepare();
    Output out;
    ASSERT_EQ(RenderMosaic(mosaic.session, &out.adapter, nullptr), 0);
    ASSERT_FALSE(out.Empty());
    EXPECT_EQ(out.adapter.GetHeader()->biBitCount, 8);
    EXPECT_EQ(out.adapter.GetHeader()->biWidth, 36);
    EXPECT_EQ(out.adapter.GetHeader()->biHeight, 23); // rows 0 .. 3 + 19
    EXPECT_EQ(out.At(10, 30, 0), Texture(10, 30, 0));
}

// An output adapter that refuses every picture, as one out of memory does.
class RefusingAdapter : public IImageAdapter {
public:
    void FromNIL(N_ImageRec*, unsigned short*) override { Refuse(); }
    N_ImageRec* ToNIL(bool) override { return nullptr; }
    int GetHeight() override { return 0; }
    int GetWidth() override { return 0; }
    void FromNILDIB(N_ImageRec*, unsigned short*) override { Refuse(); }
    void FromNILDIB48Lower(N_ImageRec*) override { Refuse(); }
    N_ImageRec* ToNILDIB(bool) override { return nullptr; }
    N_ImageRec* ToNILDIB48Lower(bool) override { return nullptr; }
    int calls = 0;

private:
    void Refuse() {
        ++calls;
        throw CBmpAdapterException();
    }
};

TEST(Composition, AdapterRefusingThePictureGivesNoMemory) {
    for (bool colour : {true, false}) {
        HandMosaic mosaic;
        mosaic.AddView(10, 12, 0, 0, colour);
        mosaic.Prepare();
        RefusingAdapter out;
        EXPECT_EQ(RenderMosaic(mosaic.session, &out, nullptr), 3) << colour;
        EXPECT_EQ(out.calls, 1);
        EXPECT_EQ(mosaic.Context().output, nullptr);
    }
}

TEST(Composition, DeliverWithoutACompositeDeliversNothing) {
    MosaicContext context;
    Output out;
    EXPECT_EQ(DeliverOutput(context, &out.adapter), 12);
    EXPECT_TRUE(out.Empty());
}

TEST(Composition, ProgressDescribesEachImageAndAdvancesByEqualSteps) {
    HandMosaic mosaic;
    for (int k = 0; k < 3; ++k) mosaic.AddView(20, 30, 0, 20 * k);
    mosaic.Prepare();
    RecordingProgress progress;
    ProgressSink sink = MakeProgressSink(&progress);
    Output out;
    ASSERT_EQ(RenderMosaic(mosaic.session, &out.adapter, &sink), 0);
    // Step (90 - 5) / 3 = 28 after each image.
    EXPECT_EQ(progress.positions, (std::vector<int>{5, 33, 61, 89, 90, 100}));
    const std::vector<std::tuple<int, int, int>> frames = {
        {30009, 1, 3}, {30009, 0, 3}, {30009, 1, 3}, {30009, 2, 3}};
    EXPECT_EQ(progress.frames, frames);
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
        Output out;
        EXPECT_EQ(RenderMosaic(mosaic.session, &out.adapter, window.GetSink()), 2) << position;
        EXPECT_TRUE(out.Empty()) << position;
        EXPECT_EQ(mosaic.Context().output, nullptr) << position;
    }
}
