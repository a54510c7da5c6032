#include "sheet/files/AvailableMemory.h"

#include <windows.h>

namespace sheet {

std::optional<std::uint64_t> availableMemory()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return std::nullopt;
    return static_cast<std::uint64_t>(status.ullAvailPhys);
}

} // namespace sheet
