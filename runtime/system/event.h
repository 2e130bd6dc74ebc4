// The event library: window messages become events, kept in a queue per
// thread and handed to handlers bound to (type, window, object, sub-type).
// Events, windows and handlers belong to the thread that made the windows
// (the main thread); Evt_Post may be called from any thread.
#pragma once

#include <cstdint>

#include "runtime/data/handle.h"

// Event types raised by the window procedure.
inline constexpr int KX_Event_Gadget = 13100;
inline constexpr int KX_Event_Menu = 13101;
inline constexpr int KX_Event_SysTray = 13102;
inline constexpr int KX_Event_ActivateWindow = 13104;
inline constexpr int KX_Event_MinimizeWindow = 13107;
inline constexpr int KX_Event_MaximizeWindow = 13108;
inline constexpr int KX_Event_RestoreWindow = 13109;
inline constexpr int KX_Event_Timer = 13110;
inline constexpr int KX_Event_RightClick = 13111;
inline constexpr int KX_Event_LeftClick = 13112;
inline constexpr int KX_Event_LeftDoubleClick = 13113;
inline constexpr int KX_Event_DeactivateWindow = 13114;
inline constexpr int KX_Event_Repaint = 13115;
inline constexpr int KX_Event_CloseWindow = 13116;
inline constexpr int KX_Event_MoveWindow = 13117;
inline constexpr int KX_Event_SizeWindow = 13118;

// Flags of a raised event.
inline constexpr int kEventDeferred = 1;  // queued only; handlers run when Evt_Wait takes it
inline constexpr int kEventPosted = 2;    // from another thread: raised even while suspended

using EventHandler = void (*)();
using EventDataFree = void (*)(void* data);

// Returns the type of the next queued event; with an empty queue takes one
// platform message, dispatches it and returns that message's number; 0 when
// the time-out (ms; -1 none, 0 no wait) passes without a message.
int Evt_Wait(int timeoutMs = -1);

// -1 stands for "any" in window, object and sub-type. 1 on success.
int Evt_Bind(int type, EventHandler handler, ObjectHandle window = -1, ObjectHandle object = -1,
             std::int64_t subType = -1);
// Type 13100 for the gadget, in the window that holds it.
int Evt_BindGadget(ObjectHandle gadget, EventHandler handler, std::int64_t subType = -1);
// Marks the newest node with this handler under exactly this key inactive;
// 1 if one was found.
int Evt_Unbind(int type, EventHandler handler, ObjectHandle window = -1, ObjectHandle object = -1,
               std::int64_t subType = -1);

// The calling thread's current event.
int Evt_Type();
ObjectHandle Evt_Window();
ObjectHandle Evt_Gadget();  // the event's object
std::int64_t Evt_SubType();
void* Evt_Data();
// The two parameters of the last message (0 after a queued event).
std::intptr_t Evt_WParam();
std::intptr_t Evt_LParam();
// True while some thread is inside Evt_Wait.
bool Evt_IsWaiting();

// Raises an event on the calling thread. `data` is owned by the event from
// here on and released through `freeData` (also when the event is dropped).
void Evt_Raise(int type, ObjectHandle object, ObjectHandle window, std::int64_t subType,
               void* data = nullptr, EventDataFree freeData = nullptr, int flags = 0);
// From any thread: the event is raised on the main thread (queued and
// handled even while that thread is suspended).
void Evt_Post(int type, ObjectHandle object, ObjectHandle window, std::int64_t subType,
              void* data = nullptr, EventDataFree freeData = nullptr);

// While suspended (counted), the calling thread raises no events except
// posted ones: used around changes the program makes to its own gadgets.
void Evt_Suspend();
void Evt_Resume();

// Number of events waiting in the calling thread's queue.
int Evt_QueueLength();

// Called by the window library: drops the queued events of a window and
// every binding whose key names it.
void Evt_ForgetWindow(ObjectHandle window);
// Drops the queued size events (13118) of a window.
void Evt_DropSizeEvents(ObjectHandle window);
