// The heap setting the software renderer needs to keep its frame time.
#pragma once

namespace tsm {

// The software GL implementation allocates and frees many blocks per frame. With the C library's
// defaults the heap is given back to the system and taken again on every frame, so a frame of the
// development view with 2,000 parts spent most of its time in page faults; not trimming the heap below
// 256 MB and keeping blocks up to 32 MB on it makes that frame about five times faster. The pictures do
// not change. Call once at start-up, before any rendering; it does nothing where the C library has no
// such setting.
void KeepRenderBuffersOnTheHeap();

} // namespace tsm
