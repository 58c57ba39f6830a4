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

// The scene text as it stands in the file, lines ended with CR LF; `jpegName` is the
// texture's file name (no folder). The closing brace of the node ends the text.
std::string VistaSceneText(const VistaGeometry& geometry, const std::string& jpegName,
                           bool full360);

// The JPEG and scene paths for a chosen path: its last four characters (".ivr") dropped, then
// ".jpg" and ".ivr".
std::string VistaJpegPath(const std::string& chosenPath);
std::string VistaScenePath(const std::string& chosenPath);

struct VistaScene {
    int inputWidth = 0; // w1, from VistaInputWidth
    double focal = 0.0; // millimetres
    bool full360 = false;
};

// Writes the panorama scene for `chosenPath`: first the picture as a JPEG of quality 100
// (VistaJpegPath), then the scene text (VistaScenePath), each under a temporary name that takes
// the file's name only when complete. When the scene cannot be written the JPEG stays. False
// with `error` ("Cannot write <path>: <reason>"); `jpegPath` receives the picture's path.
bool WriteVistaFiles(CImageImpl& picture, const std::string& chosenPath, const VistaScene& scene,
                     std::string* error, std::string* jpegPath = nullptr);
