// The window library: numbered top-level windows over the platform, their
// window procedure (which raises the events of event.h) and size bounds.
// Main thread only, except Win_IsWindow.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/data/handle.h"

inline constexpr std::int64_t KX_Window_ScreenCentered = 0x1;
inline constexpr std::int64_t KX_Window_WindowCentered = 0x2;
inline constexpr std::int64_t KX_Window_Tool = 0x4;
inline constexpr std::int64_t KX_Window_NoGadgets = 0x8;
inline constexpr std::int64_t KX_Window_TitleBar = 0xC00000;
inline constexpr std::int64_t KX_Window_SystemMenu = 0xC80000;
inline constexpr std::int64_t KX_Window_SizeGadget = 0xC40000;
inline constexpr std::int64_t KX_Window_MinimizeGadget = 0xCA0000;
inline constexpr std::int64_t KX_Window_MaximizeGadget = 0xC90000;
inline constexpr std::int64_t KX_Window_Maximize = 0x1000000;
inline constexpr std::int64_t KX_Window_Minimize = 0x20000000;
inline constexpr std::int64_t KX_Window_Invisible = 0x10000000;
inline constexpr std::int64_t KX_Window_BorderLess = 0x80000000;
inline constexpr std::int64_t KX_Window_NoActivate = 0x2000000;

// Starts the platform on the calling thread (which becomes the main thread)
// and installs the window library's default gadget handlers. False when no
// display can be had.
bool Win_Startup();

// With KX_Any: the new window's number; with a number: the platform window
// handle; 0 when the platform refuses. x or y KX_Unchanged lets the platform
// place the window. The size is the inner (client) size.
ObjectHandle Win_Open(ObjectHandle window, int x, int y, int innerWidth, int innerHeight,
                      const std::u16string& title, std::int64_t flags = 0,
                      ObjectHandle parent = -1);
// Removes the window's bindings and queued events and destroys it;
// KX_Any closes every window.
void Win_Close(ObjectHandle window);
// Any thread.
bool Win_IsWindow(ObjectHandle window);

// Inner sizes; KX_Unchanged keeps a bound, -1 removes it. Maximums are
// capped at 32000.
void Win_SetBounds(ObjectHandle window, int minWidth, int minHeight, int maxWidth, int maxHeight);
// The bounds as kept (outer sizes, 0 none): index 0..3 = min w, min h, max w, max h.
int Win_Bound(ObjectHandle window, int index);

int Win_InnerWidth(ObjectHandle window);
int Win_InnerHeight(ObjectHandle window);
int Win_Width(ObjectHandle window);   // outer
int Win_Height(ObjectHandle window);  // outer
int Win_X(ObjectHandle window);
int Win_Y(ObjectHandle window);
// Outer position, inner size; KX_Unchanged keeps a value.
void Win_Resize(ObjectHandle window, int x, int y, int innerWidth, int innerHeight);
// On the screen (parent -1) or on a window.
void Win_Center(ObjectHandle window, ObjectHandle on = -1);
void Win_Show(ObjectHandle window, bool shown);
void Win_SetTitle(ObjectHandle window, const std::u16string& title);
std::u16string Win_Title(ObjectHandle window);

// The platform window of a window number, or null.
void* Win_Native(ObjectHandle window);
// The number of the window a native window belongs to: the nearest one up
// the parent chain carrying "KX_WindowID"; -1 when none.
ObjectHandle Win_FromNative(void* native);

// Closes every window, frees every gadget and stops the platform (program end).
void Win_Shutdown();
