#include <string>
#include <vector>

#include "app/job_queue.h"
#include "app/window/dropped_files.h"
#include "app/window/main_window.h"
#include "runtime/system/requester.h"

void OnOpenClicked() {
  std::vector<std::u16string> chosen;
  for (std::u16string path =
           Req_OpenFile(u"Load XYZ", u"", u"Unterstützte Formate|*.zip;*.xyz|zip|*.zip|xyz|*.xyz",
                        0, KX_Requester_MultiSelection);
       !path.empty(); path = Req_NextSelectedFile())
    chosen.push_back(path);
  // All are collected before the first is queued.
  QueueFiles(chosen);
}

void OnSaveClicked() {
  const std::u16string path = Req_SaveFile(u"Save PNG", u"test.png", u"PNG|*.png", 0);
  if (!path.empty()) EnqueueJob(*App().core, JobKind::ExportPng, path);
}
