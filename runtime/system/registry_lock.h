// The lock that serialises thread creation, the running test and the
// creation and release of mutexes.
#pragma once

#include <mutex>

std::mutex& ThreadRegistryLock();
