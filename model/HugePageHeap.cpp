#include "model/HugePageHeap.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace tsm {

void RestartWithHugePageHeap(char** argv) {
    static const char kName[] = "GLIBC_TUNABLES";
    static const char kSetting[] = "glibc.malloc.hugetlb";
    const char* tunables = std::getenv(kName);
    // Already asked for (or decided otherwise by whoever started us): never restart twice.
    if (tunables && std::strstr(tunables, kSetting)) return;
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    // Only where huge pages are given on request: "always" gives them anyway, "never" not at all.
    if (!std::getline(mode, modes) || modes.find("[madvise]") == std::string::npos) return;
    const std::string value =
        (tunables && *tunables ? std::string(tunables) + ":" : std::string()) + kSetting + "=1";
    if (setenv(kName, value.c_str(), 1) != 0) return;
    execv("/proc/self/exe", argv);
    // Still here: the restart failed; the program goes on with the heap it has.
}

} // namespace tsm
