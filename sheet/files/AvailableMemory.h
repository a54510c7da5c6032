#pragma once

#include <cstdint>
#include <optional>

namespace sheet {

/// Bytes of memory the machine can give a process now without swapping, as the system estimates them (Linux:
/// MemAvailable; Windows: available physical memory), or nothing when the system does not say. One implementation
/// per platform. Cost: one small read of a system file or one system call.
std::optional<std::uint64_t> availableMemory();

} // namespace sheet
