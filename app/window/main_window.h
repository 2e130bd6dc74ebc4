// The main window of `relivox`: built from its description, its close and
// size events and its two buttons bound to the converter's handlers. Main
// thread only.
#pragma once

#include <string>

using CanCloseHandler = int (*)();
using ExitHandler = void (*)();
using ButtonHandler = void (*)();

// Builds the window from kMainWindowDescription and binds its handlers;
// App().mainWindow stays 0 when it cannot be built (MainWindowError says
// why). Attaches the window face once the window is open and lets it take
// dropped files (QueueFiles). Returns 0.
int CreateMainWindow(CanCloseHandler canClose, ExitHandler onExit, ButtonHandler onOpen,
                     ButtonHandler onSave);
// The same from another description.
int CreateMainWindowFrom(const std::u16string& description, CanCloseHandler canClose,
                         ExitHandler onExit, ButtonHandler onOpen, ButtonHandler onSave);
// Why the last CreateMainWindow built no window; empty when it did.
std::u16string MainWindowError();

// Close requested (event 13116): closes the window, frees the dialog and the
// description, then calls the exit handler. Returns 0.
int OnCloseWindow();
// Window resized (event 13118): previews the last image at the canvas size
// of before the resize (the relayout runs after this handler), and once more
// at the new size after the resize is handled (RedrawAfterResize). Returns 0.
int OnWindowResized();
// Always 1.
int CanCloseMainWindow();

// The buttons "open" and "save": queue one load job per chosen file, or one
// export job. A cancelled requester queues nothing.
void OnOpenClicked();
void OnSaveClicked();
