// What the alignment windows need from the program above them, as callbacks: the engine's
// pictures, the mask, the thumbnail list, opening a picture, and the step flow (stitch, back,
// exit, base, help).
#pragma once

#include <functional>
#include <vector>

#include "picture_strip.h"

class CImageImpl;
class QWidget;

struct AlignmentHooks {
    // Hands the input pictures to the engine when it holds none; false when that failed.
    std::function<bool()> ensureEngineImages;
    // The mask of the input correction (8-bit grey), or null.
    std::function<CImageImpl*()> mask;
    // The thumbnails and labels of the input list.
    std::function<std::vector<StripEntry>()> entries;
    // Shows input picture `index` in the image viewer.
    std::function<void(int index)> openPicture;
    // Runs the stitch of the aligned pictures while `caller` waits.
    std::function<void(QWidget* caller)> stitch;
    // Back to the Image File View (the window asked its question already).
    std::function<void()> back;
    // The exit question and, on OK, the end of the program; true when the program ends.
    std::function<bool()> exit;
    // The selected picture becomes the base after the question; true when it did.
    std::function<bool(int selected)> setBase;
    // Manual matching: the stitch's transfer, parameter dialog and size question; true to go
    // on, telling whether the panorama closes over 360 degrees.
    std::function<bool(bool* closes360)> prepareMatching;
    // The mosaic of what was handed to the engine, then the Result window while `caller` waits.
    std::function<void(QWidget* caller)> runMosaic;
    // Opens the window's help page; the Help button is shown when there is one.
    std::function<void()> help;
};
