// A minimal BMP writer for the demonstration program (24-bit and 8-bit grey pictures).
#pragma once

#include <string>

#include "stitchkit/Dib.h"

// Writes the bitmap to `path` through a temporary file in the same folder, so a failed write
// leaves no half-written file. Returns an empty string, or what went wrong.
std::string WriteBmpFile(const std::string& path, const BITMAPINFOHEADER& header,
                         const unsigned char* pixels);
