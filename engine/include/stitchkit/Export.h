// Symbol visibility of the StitchKit shared library. The library is built with hidden
// visibility; only what carries STITCHKIT_API is exported.
#pragma once

#if defined(STITCHKIT_BUILDING)
#define STITCHKIT_API __attribute__((visibility("default")))
#else
#define STITCHKIT_API
#endif
