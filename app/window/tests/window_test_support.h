// Shared by the window program's tests: the program started in this test
// process with a scripted file chooser, a recording face in front of the
// window face, and tile files.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/window/app_state.h"
#include "app/indicators.h"
#include "app/job_queue.h"
#include "app/window/main_program.h"
#include "app/window/window_face.h"
#include "controls/tests/test_window.h"
#include "dialog/dialog.h"
#include "platform/platform_test_hooks.h"
#include "runtime/data/utf.h"
#include "runtime/system/gadget.h"

namespace window_test {

// What the core told the face, in order (any thread).
struct Record {
  std::mutex lock;
  std::vector<std::u16string> status;
  std::vector<std::u16string> queue;
  std::vector<std::int64_t> progress;
  std::vector<std::u16string> opened;  // documents handed to the desktop
  int previews = 0;
  std::deque<PlatFileDialogResult> answers;
  std::vector<PlatFileDialogSpec> asked;
  int exits = 0;
};
inline Record& Recorded() {
  static Record record;
  return record;
}

// The window face the program installed; the recording face forwards to it.
inline ConverterFace& WindowFaceTable() {
  static ConverterFace face;
  return face;
}

inline void RecordStatus(void*, const std::u16string& text) {
  {
    std::lock_guard guard(Recorded().lock);
    Recorded().status.push_back(text);
  }
  WindowFaceTable().status(WindowFaceTable().context, text);
}
inline void RecordQueue(void*, const std::u16string& text) {
  {
    std::lock_guard guard(Recorded().lock);
    Recorded().queue.push_back(text);
  }
  WindowFaceTable().queue(WindowFaceTable().context, text);
}
inline void RecordProgress(void*, std::int64_t value) {
  {
    std::lock_guard guard(Recorded().lock);
    Recorded().progress.push_back(value);
  }
  WindowFaceTable().progress(WindowFaceTable().context, value);
}
inline void ForwardPreview(void*, ObjectHandle image) {
  {
    std::lock_guard guard(Recorded().lock);
    ++Recorded().previews;
  }
  WindowFaceTable().preview(WindowFaceTable().context, image);
}
inline void ForwardExported(void*, const ExportReport& report) {
  WindowFaceTable().exported(WindowFaceTable().context, report);
}
inline const ConverterFace kRecordingFace = {.preview = &ForwardPreview,
                                             .status = &RecordStatus,
                                             .progress = &RecordProgress,
                                             .queue = &RecordQueue,
                                             .exported = &ForwardExported};

inline PlatFileDialogResult Choose(const PlatFileDialogSpec& request) {
  Record& r = Recorded();
  r.asked.push_back(request);
  if (r.answers.empty()) return {};
  PlatFileDialogResult answer = r.answers.front();
  r.answers.pop_front();
  return answer;
}
inline bool OpenDocument(const std::u16string& path) {
  std::lock_guard guard(Recorded().lock);
  Recorded().opened.push_back(path);
  return true;
}
inline bool AnswerYes(const std::u16string&, const std::u16string&) { return true; }
inline void TestExit() { ++Recorded().exits; }

inline void PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done() && std::chrono::steady_clock::now() < end) Evt_Wait(5);
}

// Lets every job end, then delivers what the worker posted.
inline void FinishJobs() {
  WaitForIdleWorker(*App().core);
  for (int i = 0; i < 4; ++i) DrainEvents();
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A dense block of points: x in [x0, x0 + w), northing in [y0, y0 + h), one grey.
inline std::string Block(int x0, int y0, int w, int h, int grey) {
  std::string text;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x)
      text += std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(grey) + "\n";
  return text;
}

class WindowProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Record& r = Recorded();
    r.status.clear();
    r.queue.clear();
    r.progress.clear();
    r.opened.clear();
    r.previews = 0;
    r.answers.clear();
    r.asked.clear();
    r.exits = 0;
    Plat_TestSetFileChooser(&Choose);
    Plat_TestSetDocumentOpener(&OpenDocument);
    Plat_TestSetQuestionAnswerer(&AnswerYes);
    dir_ = std::filesystem::temp_directory_path() /
           ("window-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    ASSERT_EQ(StartMainProgram(&TestExit), 0);
    WindowFaceTable() = App().core->face;
    SetConverterFace(*App().core, kRecordingFace);
    DrainEvents();
  }
  void TearDown() override {
    AppState& app = App();
    if (app.mainWindow && Win_IsWindow(app.mainWindow)) OnCloseWindow();
    StopWorker(*app.core);
    StopConverter(app.core);
    app.core = nullptr;
    app.mainWindow = app.mainDialog = app.xmlDocument = 0;
    DrainEvents();
    Plat_TestSetFileChooser(nullptr);
    Plat_TestSetDocumentOpener(nullptr);
    Plat_TestSetQuestionAnswerer(nullptr);
    std::filesystem::remove_all(dir_);
  }

  ObjectHandle Gadget(const char16_t* name) { return Dlg_Gadget(App().mainDialog, name); }
  PlatWindow Native(ObjectHandle gadget) {
    GadgetRecord* g = Gad_Record(gadget);
    return g ? static_cast<PlatWindow>(g->handle) : nullptr;
  }
  PlatWindow MainNative() { return static_cast<PlatWindow>(Win_Native(App().mainWindow)); }
  // A click on a button, as the window system delivers it.
  void Click(const char16_t* button) {
    Plat_TestInput(Native(Gadget(button)), PlatTestInput::kMouseDown, 5, 5, kPlatButtonLeft, 0);
    Plat_TestInput(Native(Gadget(button)), PlatTestInput::kMouseUp, 5, 5, kPlatButtonLeft, 0);
    DrainEvents();
  }
  void Answer(std::vector<std::u16string> parts) {
    Recorded().answers.push_back({true, std::move(parts), 1});
  }
  std::u16string Path(const std::string& name) { return Utf8ToUtf16((dir_ / name).string()); }
  std::u16string Dir() { return Utf8ToUtf16(dir_.string()); }

  std::filesystem::path dir_;
};

}  // namespace window_test
