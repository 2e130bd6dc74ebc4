// The window's face of the converter: the preview on the canvas "image" and
// the lines "text", "queue" and the bar "progress" of the main window.
//
// Threads: the four gadgets are looked up once, on the main thread, when the
// window has opened (the dialog engine's tree is main-thread only). One lock
// makes every face call (the window-alive test with its gadget and canvas
// calls) exclusive with closing the window, so a worker never touches a
// gadget or canvas that Win_Close or Dlg_Free is taking apart. A face call
// never waits for the main thread while it holds the lock: gadget changes
// from the worker are posted.
#pragma once

#include "app/converter.h"

// The table to install with SetConverterFace on App().core, under whose
// mosaic lock it previews. One window face per process.
ConverterFace WindowFace();

// Main thread, once the main window (App().mainDialog) is open.
void AttachWindowFace();

// Draws the image shown last again, at the canvas's size of now (a resize).
// Main thread: gives up at once while the worker rebuilds the mosaic, which
// ends with a preview of its own.
void RedrawWindowPreview();

// Main thread: runs `close` (which takes the window apart) while no face call
// runs; afterwards every face call does nothing.
void CloseWindowFace(void (*close)());
