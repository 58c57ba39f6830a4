// The backend a new progress window draws through (the installed factory's, else one that
// draws nothing).
#pragma once

#include <memory>

#include "stitchkit/Host.h"

std::unique_ptr<stitchkit::IProgressWindowBackend> MakeProgressBackend();
