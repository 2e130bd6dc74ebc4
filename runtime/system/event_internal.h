// Shared by the event library's files.
#pragma once

#include <cstdint>

#include "runtime/data/handle.h"

// Runs the handlers bound for an event, in the five lookups' order.
void EventBindings_Run(int type, ObjectHandle window, ObjectHandle object, std::int64_t subType);
// Removes every binding whose key names the window.
void EventBindings_ForgetWindow(ObjectHandle window);
// Releases the binding table (program end).
void EventBindings_Free();
