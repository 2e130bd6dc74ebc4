// The native mutex behind an RtMutex, for the condition variables.
#pragma once

#include <mutex>

struct RtMutex;

std::recursive_mutex& Mtx_Native(RtMutex* mutex);

// A wait on a condition releases and retakes the native mutex behind the
// mutex's back: these keep its owner record true across the wait.
void Mtx_NoteReleased(RtMutex* mutex);
void Mtx_NoteTaken(RtMutex* mutex);
