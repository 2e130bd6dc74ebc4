// The native mutex behind an RtMutex, for the condition variables.
#pragma once

#include <mutex>

struct RtMutex;

std::recursive_mutex& Mtx_Native(RtMutex* mutex);
