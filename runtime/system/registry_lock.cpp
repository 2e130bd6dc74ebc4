#include "runtime/system/registry_lock.h"

std::mutex& ThreadRegistryLock() {
  // Never destroyed: threads still running at exit may reach for it.
  static std::mutex* lock = new std::mutex;
  return *lock;
}
