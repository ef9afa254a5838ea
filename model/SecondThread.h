// Work that may run beside the caller's: the import decodes texture images while it builds the mesh.
#pragma once

#include <future>
#include <system_error>
#include <utility>

namespace tsm {

// Starts `task` on a thread of its own, or, where none can be had, leaves it to run when its result is
// taken: the caller gets the same result either way.
template <typename Task> auto StartOnSecondThread(Task task) -> std::future<decltype(task())> {
    try {
        return std::async(std::launch::async, task);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, std::move(task));
    }
}

} // namespace tsm
