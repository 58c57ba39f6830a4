// Telling the picture type of a file before reading it: by its first bytes, else by its name.
#pragma once

#include <cstddef>
#include <string>

#include "image_impl.h"

// The picture type of a file by its first bytes (BMP "BM", JPEG FF D8 FF, TIFF "II*\0" or
// "MM\0*", the PNG signature, GIF "GIF87a" or "GIF89a"), else by its extension compared
// without regard to case (jpg jpeg -> JPEG, bmp rle -> BMP, tif tiff -> TIFF, png, gif);
// kImageTypeNone when neither tells or the file cannot be opened.
int PictureTypeOfFile(const std::string& path);

// The same for bytes already read from the start of a file and the file's name.
int PictureTypeOfBytes(const unsigned char* bytes, std::size_t count, const std::string& path);
