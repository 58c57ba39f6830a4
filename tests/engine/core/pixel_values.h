// Small images written and read as lists of values, for the image-operation tests.
#pragma once

#include <cstdint>
#include <vector>

#include "core/image_ptr.h"
#include "core/image_record.h"

using Values = std::vector<double>;

// A planar image of bytes or reals filled band by band, row by row.
inline NImagePtr MakeImage(NRepnKind kind, int nbands, int nrows, int ncolumns,
                           const Values& values) {
    NImagePtr image(NCreateImage(nbands, nrows, ncolumns, kind));
    std::size_t i = 0;
    for (int b = 0; b < nbands; ++b)
        for (int r = 0; r < nrows; ++r)
            for (int c = 0; c < ncolumns; ++c, ++i) NSetPixel(image.get(), b, r, c, values.at(i));
    return image;
}

// An interleaved ubyte image owning its pixels; band b of pixel (r, c) holds 100 b + 10 r + c.
inline NImagePtr MakeDib(int nbands, int nrows, int ncolumns) {
    NImagePtr image(NCreateDIBImage(nbands, nrows, ncolumns, NUByteRepn, nullptr));
    image->owns_data = 1;
    for (int b = 0; b < nbands; ++b)
        for (int r = 0; r < nrows; ++r)
            for (int c = 0; c < ncolumns; ++c)
                NSetPixel(image.get(), b, r, c, 100 * b + 10 * r + c);
    return image;
}

// The pixels of one band, row by row.
inline Values Plane(const N_ImageRec* image, int band = 0) {
    Values values;
    for (int r = 0; r < image->nrows; ++r)
        for (int c = 0; c < image->ncolumns; ++c) values.push_back(NGetPixel(image, band, r, c));
    return values;
}
