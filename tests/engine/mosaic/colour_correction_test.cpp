#include <gtest/gtest.h>

#include <vector>

#include "core/attr_list.h"
#include "core/image_record.h"
#include "mosaic/blending.h"
#include "mosaic/mosaic_context.h"

namespace {

// A picture with values 20 .. 219, so brightness steps of up to +-20 never clamp.
int Picture(int r, int c, int band) {
    return 20 + (r * 7 + c * 3 + band * 50 + (r * c) % 11) % 200;
}

// A planar image of rows x columns showing the picture from (top, left), plus `add[band]`.
N_ImageRec* PlanarView(int nbands, int rows, int columns, int top, int left,
                       std::vector<int> add = {0, 0, 0}) {
    N_ImageRec* image = NCreateImage(nbands, rows, columns, NUByteRepn);
    for (int b = 0; b < nbands; ++b)
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                NPixel<unsigned char>(image, b, r, c) =
                    static_cast<unsigned char>(Picture(top + r, left + c, b) + add[b]);
    return image;
}

// Pixel memory of a bitmap held by the test, and an interleaved image viewing it (blue, green,
// red bytes), as composition takes the caller's bitmaps.
struct Bitmap {
    std::vector<unsigned char> bytes;
    N_ImageRec* view = nullptr;
    Bitmap(int rows, int columns, int top, int left, std::vector<int> add) {
        const std::int64_t stride = NDIBStride(3, columns, NUByteRepn);
        bytes.assign(static_cast<std::size_t>(stride * rows), 0);
        view = NCreateDIBImage(3, rows, columns, NUByteRepn, bytes.data());
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                for (int b = 0; b < 3; ++b) // colour b (red first) is byte 2 - b
                    NPixel<unsigned char>(view, 2 - b, r, c) =
                        static_cast<unsigned char>(Picture(top + r, left + c, b) + add[b]);
    }
};

// A context holding `images` (they pass into its list) whose image i has its origin at
// origins[i] of the picture; pairwise transforms and their inverses are those translations.
void Fill(MosaicContext& context, const std::vector<N_ImageRec*>& images,
          const std::vector<std::pair<double, double>>& origins) {
    context.images = NCreateAttrList();
    for (N_ImageRec* image : images)
        NAppendAttr(context.images, kImageAttrName, nullptr, NImageRepn,
                    NAttrValue::Pointer(image));
    const int n = static_cast<int>(images.size());
    context.count = n;
    context.records.assign(static_cast<std::size_t>(n), MosaicImageRecord{});
    for (int i = 1; i < n; ++i) {
        const double dr = origins[i].first - origins[i - 1].first;
        const double dc = origins[i].second - origins[i - 1].second;
        context.records[i - 1].pairwise = Homography8::Translation(-dr, -dc);
        context.records[i].prev_inverse = Homography8::Translation(dr, dc);
    }
}

// Colour `band` (red first) of pixel (r, c) of image k of the context.
int At(const MosaicContext& context, int k, int r, int c, int band) {
    const N_ImageRec* image = ContextImages(context)[static_cast<std::size_t>(k)];
    const int stored = image->interleaved && image->nbands == 3 ? 2 - band : band;
    return NPixel<unsigned char>(image, stored, r, c);
}

// Image k of the context shows the picture from (top, left) in every pixel and band.
void ExpectShows(const MosaicContext& context, int k, int top, int left) {
    const N_ImageRec* image = ContextImages(context)[static_cast<std::size_t>(k)];
    for (int r = 0; r < image->nrows; ++r)
        for (int c = 0; c < image->ncolumns; ++c)
            for (int b = 0; b < image->nbands; ++b)
                ASSERT_EQ(At(context, k, r, c, b), Picture(top + r, left + c, b)) << k;
}

} // namespace

TEST(ColourCorrection, BrightenedViewGetsTheStepAsOffsetAndIsCorrectedInACopy) {
    // The second image views the caller's bitmap with red +15, green +4, blue -9.
    Bitmap bitmap(30, 40, 3, 22, {15, 4, -9});
    const std::vector<unsigned char> before = bitmap.bytes;
    MosaicContext context;
    Fill(context, {PlanarView(3, 30, 40, 0, 0), bitmap.view}, {{0, 0}, {3, 22}});
    ASSERT_EQ(CorrectColours(context), 0);
    EXPECT_DOUBLE_EQ(context.records[1].offset[0], -15.0);
    EXPECT_DOUBLE_EQ(context.records[1].offset[1], -4.0);
    EXPECT_DOUBLE_EQ(context.records[1].offset[2], 9.0);
    EXPECT_EQ(bitmap.bytes, before);
    ExpectShows(context, 1, 3, 22);
    // Image 0 is never changed.
    EXPECT_EQ(At(context, 0, 7, 9, 1), Picture(7, 9, 1));
    ResetMosaicContext(context);
}

TEST(ColourCorrection, OffsetsAccumulateAlongTheSequence) {
    // Grey: image 1 is 10 brighter than image 0, image 2 another 12 brighter than image 1.
    MosaicContext context;
    Fill(context,
         {PlanarView(1, 20, 30, 0, 0), PlanarView(1, 20, 30, 0, 15, {10}),
          PlanarView(1, 20, 30, 2, 30, {22})},
         {{0, 0}, {0, 15}, {2, 30}});
    ASSERT_EQ(CorrectColours(context), 0);
    EXPECT_DOUBLE_EQ(context.records[1].offset[0], -10.0);
    EXPECT_DOUBLE_EQ(context.records[2].offset[0], -12.0);
    ExpectShows(context, 1, 0, 15);
    ExpectShows(context, 2, 2, 30);
    ResetMosaicContext(context);
}

TEST(ColourCorrection, PairWithoutCommonPixelsGetsOffsetZero) {
    // Image 1 lies 50 columns to the right of a 40-column image 0, 10 brighter.
    MosaicContext context;
    Fill(context, {PlanarView(1, 20, 40, 0, 0), PlanarView(1, 20, 40, 0, 50, {10})},
         {{0, 0}, {0, 50}});
    ASSERT_EQ(EstimateColourOffsets(context), 0);
    EXPECT_EQ(context.records[1].offset[0], 0.0);
    ASSERT_EQ(ApplyColourOffsets(context), 0);
    EXPECT_EQ(At(context, 1, 4, 4, 0), Picture(4, 54, 0) + 10);
    ResetMosaicContext(context);
}

TEST(ColourCorrection, CorrectedValuesAreClampedAndTruncated) {
    const int values[] = {0, 1, 2, 100, 254, 255};
    for (const auto& [offset, expected] :
         {std::pair{-1.5, std::vector<int>{0, 0, 0, 98, 252, 253}},
          std::pair{1.5, std::vector<int>{1, 2, 3, 101, 255, 255}}}) {
        MosaicContext context;
        N_ImageRec* second = NCreateImage(1, 1, 6, NUByteRepn);
        for (int c = 0; c < 6; ++c)
            NPixel<unsigned char>(second, 0, 0, c) = static_cast<unsigned char>(values[c]);
        Fill(context, {NCreateImage(1, 1, 6, NUByteRepn), second}, {{0, 0}, {0, 0}});
        context.records[1].offset[0] = offset;
        ASSERT_EQ(ApplyColourOffsets(context), 0);
        for (int c = 0; c < 6; ++c) EXPECT_EQ(At(context, 1, 0, c, 0), expected[c]) << offset;
        ResetMosaicContext(context);
    }
}
