#include "sheet/files/AvailableMemory.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace sheet {

std::optional<std::uint64_t> availableMemory()
{
    // MemAvailable counts the caches the kernel would give up; free pages alone would say far too little.
    if (std::FILE* meminfo = std::fopen("/proc/meminfo", "r")) {
        char line[128];
        unsigned long long kib = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, meminfo))
            found = std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1;
        std::fclose(meminfo);
        if (found)
            return std::uint64_t{kib} * 1024;
    }
#ifdef _SC_AVPHYS_PAGES
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
#endif
    return std::nullopt;
}

} // namespace sheet
