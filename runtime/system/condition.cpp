#include "runtime/system/condition.h"

#include <chrono>
#include <condition_variable>
#include <new>

#include "runtime/system/mutex_internal.h"

struct RtCondition {
  // _any: the runtime's mutexes are recursive.
  std::condition_variable_any variable;
};

RtCondition* Cnd_Create() { return new (std::nothrow) RtCondition; }

int Cnd_Wait(RtCondition* condition, RtMutex* mutex, int timeoutMs) {
  if (!condition || !mutex) return 0;
  std::recursive_mutex& native = Mtx_Native(mutex);
  Mtx_NoteReleased(mutex);
  int signalled = 1;
  if (timeoutMs < 0)
    condition->variable.wait(native);
  else
    signalled = condition->variable.wait_for(native, std::chrono::milliseconds(timeoutMs)) ==
                        std::cv_status::no_timeout
                    ? 1
                    : 0;
  Mtx_NoteTaken(mutex);
  return signalled;
}

void Cnd_Signal(RtCondition* condition) {
  if (condition) condition->variable.notify_one();
}

void Cnd_Broadcast(RtCondition* condition) {
  if (condition) condition->variable.notify_all();
}

void Cnd_Free(RtCondition* condition) { delete condition; }
