// Test hooks of the platform: scripted stand-ins for the modal dialogs and
// the desktop, and input synthesised through the window system's own event
// path. For tests only; product code never calls these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// Null restores the real dialog / desktop.
using PlatFileChooser = PlatFileDialogResult (*)(const PlatFileDialogSpec& desc);
void Plat_TestSetFileChooser(PlatFileChooser chooser);
using PlatQuestionAnswerer = bool (*)(const std::u16string& title, const std::u16string& text);
void Plat_TestSetQuestionAnswerer(PlatQuestionAnswerer answerer);
using PlatDocumentOpener = bool (*)(const std::u16string& path);
void Plat_TestSetDocumentOpener(PlatDocumentOpener opener);

enum class PlatTestInput : int {
  kMouseDown,  // button: kPlatButton*
  kMouseUp,
  kMouseDouble,
  kMouseMove,
  kMouseLeave,
  kWheel,    // value: delta (120 per notch)
  kKeyDown,  // value: virtual-key code; character: the text it types (0 none)
  kKeyUp,
};
// Sends the input to the window as the window system would (x, y in the
// window's client coordinates).
void Plat_TestInput(PlatWindow window, PlatTestInput what, int x, int y, int button, int modifiers,
                    int value = 0, char32_t character = 0);
// What the window system does when the user closes the window by its frame.
void Plat_TestRequestClose(PlatWindow window);
// Drags the files over the window to the client point x, y and drops them
// there, through the window system's own delivery of drags (enter, move,
// drop; the drop only when the move was accepted). True when it was taken.
bool Plat_TestDropFiles(PlatWindow window, const std::vector<std::u16string>& paths, int x, int y);
