#include "app/memory_budget.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

// MemAvailable in bytes, -1 when /proc does not say.
std::int64_t SystemAvailable() {
  std::FILE* file = std::fopen("/proc/meminfo", "re");
  if (!file) return -1;
  char line[256];
  std::int64_t bytes = -1;
  while (std::fgets(line, sizeof line, file)) {
    long long kib = 0;
    if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1) {
      bytes = static_cast<std::int64_t>(kib) * 1024;
      break;
    }
  }
  std::fclose(file);
  return bytes;
}

// What RLIMIT_AS leaves, -1 without a limit (or when it cannot be told).
std::int64_t AddressSpaceLeft() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return -1;
  std::FILE* file = std::fopen("/proc/self/statm", "re");
  if (!file) return -1;
  long long pages = 0;
  const bool read = std::fscanf(file, "%lld", &pages) == 1;
  std::fclose(file);
  if (!read) return -1;
  const std::int64_t used = static_cast<std::int64_t>(pages) * ::sysconf(_SC_PAGESIZE);
  const auto cap = static_cast<std::int64_t>(std::min<rlim_t>(limit.rlim_cur, INT64_MAX));
  return std::max<std::int64_t>(cap - used, 0);
}

}  // namespace

std::int64_t AvailableMemoryBytes() {
  const std::int64_t system = SystemAvailable();
  const std::int64_t space = AddressSpaceLeft();
  if (system < 0) return space;
  if (space < 0) return system;
  return std::min(system, space);
}
