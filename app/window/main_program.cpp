#include "app/window/main_program.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "app/app_state.h"
#include "app/indicators.h"
#include "app/job_folders.h"
#include "app/job_queue.h"
#include "app/window/window_face.h"
#include "controls/controls.h"
#include "platform/platform.h"
#include "runtime/data/utf.h"
#include "runtime/system/event.h"
#include "runtime/system/window.h"

namespace {

int Fail(const std::string& reason) {
  std::fprintf(stderr, "relivox: %s\n", reason.c_str());
  return 1;
}

}  // namespace

int StartMainProgram(ExitHandler onExit) {
  // Beyond the file-size limit (ulimit -f) a write then fails like a full
  // disk, with a status text and no partial file, instead of ending us.
  std::signal(SIGXFSZ, SIG_IGN);
  if (!Win_Startup()) {
    const std::string why = Plat_StartupError();
    return Fail(why.empty() ? "Es konnte keine Anzeige geöffnet werden." : why);
  }
  // The control kinds must be known before the dialog is built.
  Ctl_UseInDialogs();
  if (!StartConverter()) {
    Win_Shutdown();
    return Fail("Zu wenig Speicher.");
  }
  SetConverterFace(WindowFace());
  CreateMainWindow(&CanCloseMainWindow, onExit, &OnOpenClicked, &OnSaveClicked);
  if (App().mainWindow == 0) {
    const std::string why = Utf16ToUtf8(MainWindowError());
    SetConverterFace(nullptr);
    Win_Shutdown();
    return Fail("Das Hauptfenster konnte nicht gebaut werden: " + why);
  }
  // After the window exists, so that the worker's first status call finds it.
  if (!StartWorker()) {
    SetConverterFace(nullptr);
    Win_Shutdown();
    return Fail("Konnte keinen Arbeits-Thread starten.");
  }
  return 0;
}

int MainProgram() {
  if (const int status = StartMainProgram(&ExitProgram)) return status;
  for (;;) Evt_Wait();
}

void ExitProgram() {
  RemoveJobFoldersAtExit();
  Win_Shutdown();
  std::fflush(nullptr);
  // Not exit(): static destructors would free the file, archive and image
  // tables under a worker that is still reading. The worker ends with the
  // process, as nothing it writes is kept unfinished (files are replaced
  // atomically, the zip job's folder is gone).
  _exit(0);
}
