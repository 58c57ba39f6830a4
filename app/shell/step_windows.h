// The alignment step windows wired into the application: the Automatic Alignment and Manual
// Alignment steps, the 360-degree seam window of the stitch driver, and what they share (the
// thumbnail list entries, opening an input picture in the image viewer).
#pragma once

#include <vector>

#include "alignment_hooks.h"

class CMainApp;
class InputImageList;
class QWidget;

// Registers the step windows with the application and the seam window with its driver.
void InstallAlignmentSteps(CMainApp& app);

// "At least two images are needed to stitch." when the list holds fewer; false then.
bool HasTwoPictures(const InputImageList& inputs);
// The thumbnails and labels of the input list as the alignment windows show them.
std::vector<StripEntry> StripEntries(const InputImageList& inputs);
// Shows input picture `index` (prepared as the list prepares it) in the image viewer on a grey
// background.
void OpenInputPicture(CMainApp& app, int index, QWidget* parent);
// The callbacks of an alignment window owned by the application.
AlignmentHooks MakeAlignmentHooks(CMainApp& app);
