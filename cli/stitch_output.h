// Writing the panorama: the picture file, or the panorama scene (its JPEG and the .ivr text),
// each written under a temporary name in the output's folder and renamed when complete, so no
// half-written file is ever left under the chosen name.
#pragma once

#include <string>

#include "image_impl.h"

// The picture type an output name asks for, or kImageTypeNone; `scene` is set for ".ivr".
int OutputTypeForPath(const std::string& path, bool* scene);

// Writes the picture to `path`; false with `error` set.
bool WritePicture(CImageImpl& picture, const std::string& path, std::string* error);

// Writes the JPEG and the scene file for `path` (which ends in ".ivr"); `jpegPath` receives
// the picture's path.
bool WriteScene(CImageImpl& picture, const std::string& path, int inputWidth, double focal,
                bool full360, std::string* jpegPath, std::string* error);
