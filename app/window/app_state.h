// The window program's process-wide variables: its converter and its main
// window. Bound event handlers take no arguments, so they find the program
// here; nothing below app/window reads it. Main thread only, but for
// `core`, which is set once before the worker starts.
#pragma once

#include "app/converter.h"
#include "runtime/data/handle.h"

using CanCloseHandler = int (*)();
using ExitHandler = void (*)();

struct AppState {
  Converter* core = nullptr;
  ObjectHandle xmlDocument = 0;
  ObjectHandle mainDialog = 0;
  ObjectHandle mainWindow = 0;
  CanCloseHandler canCloseHandler = nullptr;
  ExitHandler exitHandler = nullptr;
};

// The one instance.
AppState& App();
