// The StitchKit engine's public interface.
#pragma once

#include "stitchkit/AdapterResult.h"
#include "stitchkit/BmpAdapter.h"
#include "stitchkit/CInterImages.h"
#include "stitchkit/CProgressWnd.h"
#include "stitchkit/Dib.h"
#include "stitchkit/Export.h"
#include "stitchkit/Host.h"
#include "stitchkit/IProgress.h"
#include "stitchkit/ImageRec.h"
#include "stitchkit/MFCBmpTool.h"
#include "stitchkit/MFCLensCalib.h"
#include "stitchkit/MFCPanorama.h"
#include "stitchkit/MFCPersCorrect.h"
#include "stitchkit/Types.h"
