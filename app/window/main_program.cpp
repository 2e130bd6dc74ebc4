#include "app/window/main_program.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "app/job_folders.h"
#include "app/job_queue.h"
#include "app/window/app_state.h"
#include "app/window/dropped_files.h"
#include "app/window/program_arguments.h"
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
  AppState& app = App();
  app.core = StartConverter();
  if (!app.core) {
    Win_Shutdown();
    return Fail("Zu wenig Speicher.");
  }
  SetConverterFace(*app.core, WindowFace());
  std::u16string error;
  if (!CreateMainWindow(&CanCloseMainWindow, onExit, &OnOpenClicked, &OnSaveClicked, &error)) {
    SetConverterFace(*app.core, ConverterFace{});
    Win_Shutdown();
    return Fail("Das Hauptfenster konnte nicht gebaut werden: " + Utf16ToUtf8(error));
  }
  // After the window exists, so that the worker's first status call finds it.
  if (!StartWorker(*app.core)) {
    SetConverterFace(*app.core, ConverterFace{});
    Win_Shutdown();
    return Fail("Konnte keinen Arbeits-Thread starten.");
  }
  return 0;
}

int MainProgram(int argc, char** argv) {
  const ProgramArguments arguments =
      ParseProgramArguments(argc > 1 ? argc - 1 : 0, argc > 1 ? argv + 1 : nullptr);
  // Before the display is asked for: help works without one.
  if (arguments.help || arguments.version) {
    if (arguments.help) std::fputs(ProgramUsage().c_str(), stdout);
    if (arguments.version) std::printf("relivox %s\n", RELIVOX_VERSION);
    return 0;
  }
  if (!arguments.error.empty()) {
    std::fprintf(stderr, "relivox: %s\n%s", arguments.error.c_str(), ProgramUsage().c_str());
    return 2;
  }
  if (const int status = StartMainProgram(&ExitProgram)) return status;
  QueueFiles(arguments.files);
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
