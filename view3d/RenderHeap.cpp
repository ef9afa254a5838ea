#include "view3d/RenderHeap.h"

#include <cstdlib> // defines __GLIBC__ on the C library that has the settings below

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tsm {

void KeepRenderBuffersOnTheHeap() {
#if defined(__GLIBC__)
    // The heap is no longer shrunk and grown again on every frame. Setting the trim threshold also stops
    // the C library from raising its mapping threshold as it would by itself, which left every block
    // above 128 KB (the renderer's per-frame buffers, vertex arrays) as a fresh mapping of zero pages
    // each time: those now come from the heap too, up to the largest size the library allows.
    constexpr int kTrimThresholdBytes = 256 << 20;
    constexpr int kMappingThresholdBytes = 32 << 20;
    mallopt(M_TRIM_THRESHOLD, kTrimThresholdBytes);
    mallopt(M_MMAP_THRESHOLD, kMappingThresholdBytes);
#endif
}

} // namespace tsm
