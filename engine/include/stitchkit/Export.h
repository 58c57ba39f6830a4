// Symbol visibility of the StitchKit shared library. The library is built with hidden
// visibility; only what carries STITCHKIT_API is exported.
#pragma once

#if defined(STITCHKIT_BUILDING)
#define STITCHKIT_API __attribute__((visibility("default")))
#else
#define STITCHKIT_API
#endif

// A member of an exported class that stays inside the library.
#define STITCHKIT_LOCAL __attribute__((visibility("hidden")))
