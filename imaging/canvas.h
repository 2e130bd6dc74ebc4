// The canvas gadget: a child window that shows a picture kept in a 24-bit
// backing bitmap. Programs draw into the bitmap through Canvas_Output and the
// Draw_* operations; the window only ever copies the bitmap to the screen.
//
// Threads: creation, resizing, painting and the window's events belong to
// the main thread. Any thread may draw (Canvas_Output .. Draw_Stop); drawing
// and a resize or paint of the same canvas never overlap (a lock per canvas
// is held from Canvas_Output to the end of the drawing), and the repaint after
// Draw_Stop on a worker thread is posted to the main thread.
#pragma once

#include <cstdint>

#include "imaging/drawing_context.h"
#include "runtime/data/handle.h"

inline constexpr int kCanvasKindId = 33;

// Creation flags.
inline constexpr std::int64_t KX_Canvas_Border = 1;  // sunken edge; bitmap 4 pixels smaller
inline constexpr std::int64_t KX_Canvas_ClipMouse =
    2;                                                 // capture and confine while a button is held
inline constexpr std::int64_t KX_Canvas_Keyboard = 4;  // tab stop, focus on click, key events
inline constexpr std::int64_t KX_Canvas_DrawFocus = 8;     // focus rectangle while focused
inline constexpr std::int64_t KX_Canvas_Container = 0x20;  // holds child gadgets

// Sub-types of the canvas's gadget events (type 13100).
inline constexpr int KX_Canvas_LeftClick = 0;
inline constexpr int KX_Canvas_RightClick = 1;
inline constexpr int KX_Canvas_LeftDoubleClick = 2;
inline constexpr int KX_Canvas_RightDoubleClick = 3;
inline constexpr int KX_Canvas_Resize = 6;
inline constexpr int KX_Canvas_Focus = 14000;
inline constexpr int KX_Canvas_LostFocus = 14001;
inline constexpr int KX_Canvas_MouseEnter = 65537;
inline constexpr int KX_Canvas_MouseLeave = 65538;
inline constexpr int KX_Canvas_MouseMove = 65539;
inline constexpr int KX_Canvas_LeftButtonDown = 65540;
inline constexpr int KX_Canvas_LeftButtonUp = 65541;
inline constexpr int KX_Canvas_RightButtonDown = 65542;
inline constexpr int KX_Canvas_RightButtonUp = 65543;
inline constexpr int KX_Canvas_MiddleButtonDown = 65544;
inline constexpr int KX_Canvas_MiddleButtonUp = 65545;
inline constexpr int KX_Canvas_MouseWheel = 65546;
inline constexpr int KX_Canvas_KeyDown = 65547;
inline constexpr int KX_Canvas_KeyUp = 65548;
inline constexpr int KX_Canvas_Input = 65549;

// Attributes (Gad_GetAttribute / Gad_SetAttribute).
inline constexpr int KX_Canvas_Image = 1;   // backing bitmap handle / copy a bitmap in
inline constexpr int KX_Canvas_MouseX = 2;  // of the canvas event being handled
inline constexpr int KX_Canvas_MouseY = 3;
inline constexpr int KX_Canvas_Buttons = 4;
inline constexpr int KX_Canvas_Key = 5;
inline constexpr int KX_Canvas_Modifiers = 6;
inline constexpr int KX_Canvas_Cursor = 7;  // standard cursor 0..11, -1 custom
inline constexpr int KX_Canvas_WheelDelta = 8;
inline constexpr int KX_Canvas_InputChar = 9;
inline constexpr int KX_Canvas_Clip = 10;  // mouse confined to this canvas
inline constexpr int KX_Canvas_CustomCursor = 11;

// The data of every canvas event (Evt_Data while it is handled).
struct CanvasEventData {
  std::int32_t x;  // client coordinates at the time of the message
  std::int32_t y;
  std::int32_t buttons;    // 1 left, 2 right, 4 middle
  std::int32_t key;        // virtual-key code (key events)
  std::int32_t modifiers;  // 1 shift, 2 alt, 4 control
  std::int32_t wheel;      // whole notches (wheel events)
  std::int32_t character;  // character code (input events)
};

// Creates a canvas in the calling thread's current gadget list. With KX_Any
// the new number, else the window handle; 0 on failure (nothing left behind).
ObjectHandle Canvas_Create(ObjectHandle number, int x, int y, int width, int height,
                           std::int64_t flags = 0);

// A drawing output on the canvas's backing bitmap for Draw_Start; null when
// the number names no canvas. Draw_Stop repaints the canvas at once (posted
// when drawing on another thread than the main one).
DrawingContext* Canvas_Output(ObjectHandle canvas);
