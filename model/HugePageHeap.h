// The C library's heap in transparent huge pages, for a process that holds large models.
#pragma once

namespace tsm {

// Starts this program again with the C library told to keep its heap in transparent huge pages (it reads
// that setting only at start). A large model's records are
// new memory: in 4 KiB pages opening a model of 200,000 faces spends a fifth of its time taking page faults,
// and KeepInChild's fork copies the page tables while the window waits (10 to 35 ms; in 2 MiB pages under a
// millisecond).
// Call it first in main(), before any thread starts. It returns at once when the setting is already there
// or the system gives huge pages without being asked or not at all, and returns (the program running on as
// before) when the restart fails.
void RestartWithHugePageHeap(char** argv);

} // namespace tsm
