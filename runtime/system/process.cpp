#include "runtime/system/process.h"

#include <new>

#include "platform/platform.h"

namespace {

void OpenPosted(void* data) {
  auto* path = static_cast<std::u16string*>(data);
  Plat_OpenDocument(*path);
  delete path;
}

}  // namespace

int Proc_Run(const std::u16string& program, const std::u16string&, const std::u16string&,
             std::int64_t) {
  if (program.empty() || !Plat_IsStarted()) return 0;
  if (Plat_IsMainThread()) return Plat_OpenDocument(program) ? 1 : 0;
  auto* path = new (std::nothrow) std::u16string(program);
  if (!path) return 0;
  // Dropped at shut-down, the path is only freed.
  if (Plat_PostTask(&OpenPosted, path, [](void* p) { delete static_cast<std::u16string*>(p); }))
    return 1;
  delete path;
  return 0;
}
