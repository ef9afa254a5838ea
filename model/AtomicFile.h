// The one way files are written: the finished bytes go to a temporary file beside the target, every write,
// the flush to disk and the close are checked, and only then is the temporary renamed over the target. A
// failure removes the temporary file and leaves the target as it was.
//  - A symbolic link is written through: the file it finally points at is replaced, the link stays.
//  - An existing target that is not a regular file (a FIFO, /dev/stdout, /dev/full) cannot be replaced by
//    a rename; it is opened for writing as it is and written directly.
//  - A replaced file keeps its permission bits; a new one gets 0666 less the umask.
#pragma once

#include "model/Outcome.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace tsm {

// The reason names `path` as given, e.g. "cannot write /tmp/a.dxf: File too large".
Outcome WriteWholeFile(const std::string& path, std::string_view bytes);
// The pieces one after the other, for content that already lies in separate buffers.
Outcome WriteWholeFile(const std::string& path, std::initializer_list<std::string_view> pieces);

// The bytes to the process's standard output, whatever it is connected to.
Outcome WriteToStandardOutput(std::string_view bytes);

} // namespace tsm
