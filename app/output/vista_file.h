// The panorama scene of a stitched picture: the picture as a JPEG file and, beside it, a
// VRML 2.0 scene (.ivr) that shows it through the panorama viewer prototype with the
// panorama's angular extent.
#pragma once

#include <string>

#include "image_impl.h"

struct VistaGeometry {
    double yawMin = 0, yawMax = 0;
    double hFovMin = 0, hFovMax = 0;
    double vFovMin = 0, vFovMax = 0; // also the pitch range
};

// Width of one input picture at the stitch size: the larger side of the first input, reduced
// as the processing size of `sizeIndex` (0 small, 1 medium, 2 large) reduces it.
int VistaInputWidth(int firstWidth, int firstHeight, int sizeIndex);

// The extent of a panorama of width x height pixels made of inputs `inputWidth` pixels wide
// at that size, taken at `focal` millimetres (35 mm film width).
VistaGeometry ComputeVistaGeometry(int width, int height, int inputWidth, double focal);

// The scene text; `jpegName` is the texture's file name (no folder).
std::string VistaSceneText(const VistaGeometry& geometry, const std::string& jpegName,
                           bool full360);

// The JPEG and scene paths for a chosen path: its last four characters (".ivr") dropped, then
// ".jpg" and ".ivr".
std::string VistaJpegPath(const std::string& chosenPath);
std::string VistaScenePath(const std::string& chosenPath);
