#include "app/window/dropped_files.h"

#include "app/job_queue.h"
#include "app/window/app_state.h"
#include "platform/platform.h"
#include "runtime/system/window.h"

namespace {

void OnFilesDropped(PlatWindow, const std::vector<std::u16string>& paths, void*) {
  QueueFiles(paths);
}

}  // namespace

void QueueFiles(const std::vector<std::u16string>& paths) {
  for (const std::u16string& path : paths) EnqueueJob(*App().core, JobKind::LoadFile, path);
}

void AcceptDroppedFiles(ObjectHandle window) {
  // Closing the window destroys its platform window, and the handler with it.
  Plat_AcceptFileDrops(static_cast<PlatWindow>(Win_Native(window)), &OnFilesDropped, nullptr);
}
