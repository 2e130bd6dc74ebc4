// How much more memory this process can have: asked before a large
// allocation that would otherwise succeed on paper (the kernel overcommits)
// and end the process when its pages are touched.
#pragma once

#include <cstdint>

// The smaller of the system's MemAvailable and what the address-space
// limit (RLIMIT_AS) leaves beside the address space in use; -1 when
// neither is known (then only the allocation itself can tell).
std::int64_t AvailableMemoryBytes();
