// Files that reach the window without the requester: dropped onto it, or
// named on the program's command line. Main thread.
#pragma once

#include <string>
#include <vector>

#include "runtime/data/handle.h"

// One load job per path, in the order given, as for files chosen in
// "Load XYZ" (the worker dispatches on the extension).
void QueueFiles(const std::vector<std::u16string>& paths);

// The main window takes dropped files from now on and queues them.
void AcceptDroppedFiles(ObjectHandle window);
