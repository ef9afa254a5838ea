#include "view3d/RenderHeap.h"

#include <cstdlib> // defines __GLIBC__ on the C library that has the settings below

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tsm {

void KeepRenderBuffersOnTheHeap() {
#if defined(__GLIBC__)
    // Setting it also stops the C library from moving its mapping threshold, so large blocks keep coming
    // as fresh zero pages, while the many smaller ones stay on a heap that is no longer shrunk and grown
    // again on every frame.
    constexpr int kTrimThresholdBytes = 256 << 20;
    mallopt(M_TRIM_THRESHOLD, kTrimThresholdBytes);
#endif
}

} // namespace tsm
