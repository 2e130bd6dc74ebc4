// The main window of `relivox`: built from its description, its close and
// size events and its two buttons bound to the converter's handlers. Main
// thread only.
#pragma once

#include <string>

#include "app/window/app_state.h"

using ButtonHandler = void (*)();

// Builds the window from kMainWindowDescription into App() and binds its
// handlers, then attaches the window face and lets the window take dropped
// files (QueueFiles). False when it cannot be built; `error` then says why.
[[nodiscard]] bool CreateMainWindow(CanCloseHandler canClose, ExitHandler onExit,
                                    ButtonHandler onOpen, ButtonHandler onSave,
                                    std::u16string* error);
// The same from another description.
[[nodiscard]] bool CreateMainWindowFrom(const std::u16string& description, CanCloseHandler canClose,
                                        ExitHandler onExit, ButtonHandler onOpen,
                                        ButtonHandler onSave, std::u16string* error);

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
