// Object numbers shared by every runtime library.
#pragma once

#include <cstdint>

// Names a runtime object: a fixed number chosen by the caller (0 and up) or,
// for objects made with KX_Any, the address of the object's record.
using ObjectHandle = std::int64_t;

// Asks a creating call for a dynamic number; asks a freeing call for "all".
inline constexpr ObjectHandle KX_Any = -1;

// Passed for a position, size or bound: leave that value as it is.
inline constexpr std::int64_t KX_Unchanged = -65535;
