// libjpeg's error handling as the picture layer's JPEG reader and writer and the thumbnail
// maker use it, and the check that a file is large enough for the picture its header announces.
#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

// libjpeg reports errors through a function that must not return: it jumps back to
// `recovery`, the recovery point set by the call that started the work.
struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf recovery;
};

// Makes `errors` the error manager of `cinfo`. Errors jump back to its recovery point, and so
// do warnings that mean the data are cut short or corrupt: going on would decode the rest of a
// (possibly huge) picture from nothing. Nothing is printed.
void UseJpegErrors(j_common_ptr cinfo, JpegErrors& errors);

// Whether a file of `fileSize` bytes can hold the blocks its frame announces. With Huffman
// coding every 8 x 8 block of a component costs at least one bit (its DC code), and a
// component that is coded at all is coded whole; the smallest component gives the bound.
// Arithmetic coding can spend less than a bit on a block and is not bounded here.
bool JpegFileCanHoldBlocks(const jpeg_decompress_struct& cinfo, std::int64_t fileSize);
