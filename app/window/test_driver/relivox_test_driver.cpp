// The program `relivox` as the user runs it (MainProgram, ExitProgram and
// all), with the file chooser scripted and a helper thread that clicks the
// buttons and closes the window at a chosen moment. For the process tests
// only; it is not installed.
//
//   relivox-test-driver load <file> <moment>   open <file>, close when the
//       load's progress reaches the moment: "taken" (its first progress), or
//       a value; the worker waits there until the close
//   relivox-test-driver export <xyz> <png>     load, then export, close as
//       soon as the saving has begun
//
//   relivox-test-driver open <argument>...    the program started with these
//       arguments (files to load); prints "status <text>" for every status
//       text, and "loaded <tiles>" once every job is done, then closes
//
// Before the close it prints "closing <monotonic ns> <progress>" on standard
// output. Exit status: the program's (0 after the close), 3 when the moment
// never came.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/window/app_state.h"
#include "app/indicators.h"
#include "app/job_queue.h"
#include "app/window/dropped_files.h"
#include "app/window/main_program.h"
#include "app/window/program_arguments.h"
#include "app/window/window_face.h"
#include "dialog/dialog.h"
#include "platform/platform.h"
#include "platform/platform_test_hooks.h"
#include "runtime/data/utf.h"
#include "runtime/system/event.h"
#include "runtime/system/gadget.h"
#include "runtime/system/window.h"

namespace {

std::u16string gChoice;  // main thread: the chooser's answer
std::atomic<bool> gClicked{false};

PlatFileDialogResult Choose(const PlatFileDialogSpec&) { return {true, {gChoice}, 1}; }
bool Yes(const std::u16string&, const std::u16string&) { return true; }
bool Ignore(const std::u16string&) { return true; }

// Runs on the main thread, posted by the helper.
void Click(void* button) {
  const AppState& app = App();
  if (app.mainWindow && Win_IsWindow(app.mainWindow)) {
    const ObjectHandle gadget = Dlg_Gadget(app.mainDialog, static_cast<const char16_t*>(button));
    if (GadgetRecord* g = Gad_Record(gadget)) {
      auto native = static_cast<PlatWindow>(g->handle);
      Plat_TestInput(native, PlatTestInput::kMouseDown, 5, 5, kPlatButtonLeft, 0);
      Plat_TestInput(native, PlatTestInput::kMouseUp, 5, 5, kPlatButtonLeft, 0);
      gClicked = true;
    }
  }
}

void Close(void*) {
  if (App().mainWindow) Plat_TestRequestClose(static_cast<PlatWindow>(Win_Native(App().mainWindow)));
}

std::atomic<bool> gSaving{false};
void ReadStatus(void*) {
  if (!App().mainDialog) return;
  if (Gad_GetText(Dlg_Gadget(App().mainDialog, u"text")) == u"Speichern als PNG...") gSaving = true;
}

void SetChoice(void* path) { gChoice = *static_cast<std::u16string*>(path); }

// The window's face with one change: when the load's progress first reaches
// the chosen moment, the worker pauses there, so the close always comes in
// the middle of the load however fast loading is.
ConverterFace gWindowFace;
std::atomic<std::int64_t> gMoment{INT64_MAX};
std::atomic<bool> gMomentReached{false};

void PausingProgress(void* context, std::int64_t value) {
  gWindowFace.progress(context, value);
  if (value >= gMoment && !gMomentReached.exchange(true))
    std::this_thread::sleep_for(std::chrono::seconds(20));
}

void Post(void (*task)(void*), void* data) {
  while (!Plat_PostTask(task, data)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void ClickAndWait(const char16_t* button) {
  gClicked = false;
  while (!gClicked) {
    Post(&Click, const_cast<char16_t*>(button));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::int64_t Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

[[noreturn]] void CloseNow() {
  std::printf("closing %lld %lld\n", static_cast<long long>(Now()),
              static_cast<long long>(App().core->lastProgress.load()));
  std::fflush(stdout);
  Post(&Close, nullptr);
  // The program ends the process; if it does not, say so.
  std::this_thread::sleep_for(std::chrono::seconds(20));
  std::fputs("the program did not end\n", stderr);
  _exit(3);
}

void Script(std::string mode, std::u16string file, std::string last) {
  static std::u16string path;
  path = file;
  Post(&SetChoice, &path);
  ClickAndWait(u"open");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  if (mode == "load") {
    while (std::chrono::steady_clock::now() < deadline) {
      if (gMomentReached) CloseNow();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  } else {
    WaitForIdleWorker(*App().core);
    static std::u16string png;
    png = Utf8ToUtf16(last);
    Post(&SetChoice, &png);
    ClickAndWait(u"save");
    while (std::chrono::steady_clock::now() < deadline) {
      Post(&ReadStatus, nullptr);
      if (gSaving) CloseNow();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  std::fputs("the moment never came\n", stderr);
  _exit(3);
}

// Mode "open": status texts as they come (worker thread).
void PrintStatus(void* context, const std::u16string& text) {
  std::printf("status %s\n", Utf16ToUtf8(text).c_str());
  std::fflush(stdout);
  gWindowFace.status(context, text);
}

void CloseWhenIdle() {
  WaitForIdleWorker(*App().core);
  std::printf("loaded %zu\n", static_cast<std::size_t>(App().core->tiles->Size()));
  CloseNow();
}

// What MainProgram does with its command line, with the status texts shown.
int Open(int argc, char** argv) {
  const ProgramArguments arguments = ParseProgramArguments(argc, argv);
  if (!arguments.error.empty()) return 2;
  if (const int status = StartMainProgram(&ExitProgram)) return status;
  gWindowFace = App().core->face;
  ConverterFace printing = gWindowFace;
  printing.status = &PrintStatus;
  SetConverterFace(*App().core, printing);
  QueueFiles(arguments.files);
  // Started after the jobs are queued, so that idle means they are done.
  std::thread(&CloseWhenIdle).detach();
  for (;;) Evt_Wait();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "open") {
    Plat_TestSetDocumentOpener(&Ignore);
    return Open(argc - 2, argv + 2);
  }
  if (argc != 4) {
    std::fputs(
        "usage: relivox-test-driver load <file> <moment> | export <xyz> <png>\n"
        "       relivox-test-driver open <argument>...\n",
        stderr);
    return 2;
  }
  Plat_TestSetFileChooser(&Choose);
  Plat_TestSetQuestionAnswerer(&Yes);
  Plat_TestSetDocumentOpener(&Ignore);
  const std::string mode = argv[1], last = argv[3];
  // "taken": the first progress the job shows.
  if (mode == "load") gMoment = last == "taken" ? 1 : std::max(1LL, std::atoll(last.c_str()));
  std::thread(&Script, mode, Utf8ToUtf16(argv[2]), last).detach();
  if (const int status = StartMainProgram(&ExitProgram)) return status;
  gWindowFace = App().core->face;
  ConverterFace pausing = gWindowFace;
  pausing.progress = &PausingProgress;
  SetConverterFace(*App().core, pausing);
  for (;;) Evt_Wait();
}
