// Native controls: buttons, labels, progress bars, lists, trees, editors,
// and the containers that hold other controls. A control is a child window
// made by Plat_CreateWindow with its PlatControlKind and PlatControlOption
// bits; these functions reach what a plain window does not have. Every
// function checks the window and its kind first and does nothing (or
// returns 0 / empty) for anything else. Main thread only.
//
// Notifications: a control tells its top-level window about user actions
// with kPlatCommand (lParam the control, wParam one of PlatNotify), as a
// Win32 control tells its parent. Focus, mouse and size messages reach the
// control's own window procedure as for plain windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

enum PlatControlOption : std::uint32_t {
  kPlatOptAlignLeft = 0x1,
  kPlatOptAlignRight = 0x2,
  kPlatOptAlignCenter = 0x4,
  kPlatOptDefault = 0x8,     // button: the default push button
  kPlatOptMultiLine = 0x10,  // button: wraps its caption
  kPlatOptToggle = 0x20,     // button: stays pressed; checkbox/option: has a check state
  kPlatOptBorder = 0x40,     // a sunken 2-pixel edge
  kPlatOptVertical = 0x80,
  kPlatOptSmooth = 0x100,
  kPlatOptReadOnly = 0x200,
  kPlatOptPassword = 0x400,
  kPlatOptNumeric = 0x800,
  kPlatOptThreeState = 0x1000,
  kPlatOptEditable = 0x2000,  // combo box with an edit field
  kPlatOptMultiSelect = 0x4000,
  kPlatOptCheckBoxes = 0x8000,
  kPlatOptGridLines = 0x10000,
  kPlatOptTicks = 0x20000,
  kPlatOptWordWrap = 0x40000,
  kPlatOptLowerCase = 0x80000,
  kPlatOptUpperCase = 0x100000,
  kPlatOptUnderline = 0x200000,
  kPlatOptNoLines = 0x400000,    // tree: no connecting lines
  kPlatOptNoButtons = 0x800000,  // tree: no expand buttons
  kPlatOptNoFiles = 0x1000000,   // explorer: folders only
  kPlatOptRaised = 0x2000000,
  kPlatOptFlat = 0x4000000,
  kPlatOptUpDown = 0x8000000,  // date: arrows instead of a drop-down calendar
  kPlatOptGroup = 0x10000000,  // option: starts a new radio group
  kPlatOptBorderless = 0x20000000,
};

// Notification codes (the gadget event sub-types they become).
enum PlatNotify : int {
  kPlatNotifyClick = 0,
  kPlatNotifyRightClick = 1,
  kPlatNotifyDoubleClick = 2,
  kPlatNotifyRightDoubleClick = 3,
  kPlatNotifyChange = 768,
  kPlatNotifyFocus = 14000,
  kPlatNotifyLostFocus = 14001,
  kPlatNotifyDragStart = 14002,
};

PlatControlKind PlatCtl_Kind(PlatWindow control);  // kPlain for anything else

// Sends the control's notification to its top-level window, as a user
// action would (for actions the control's window procedure sees itself:
// focus, clicks on labels, size changes of containers).
void PlatCtl_Notify(PlatWindow control, int code);

// The size the control would like in its current font and content.
void PlatCtl_SizeHint(PlatWindow control, int* width, int* height);

// State: check state (button toggles, checkbox, option: 0, 1, 2 for the
// third state), value (scroll bar, track bar, spin, progress bar), current
// item (lists, trees, combo boxes, panels; -1 none).
void PlatCtl_SetValue(PlatWindow control, std::int64_t value);
std::int64_t PlatCtl_Value(PlatWindow control);
void PlatCtl_SetRange(PlatWindow control, std::int64_t low, std::int64_t high);
void PlatCtl_Range(PlatWindow control, std::int64_t* low, std::int64_t* high);
void PlatCtl_SetPage(PlatWindow control, int page);  // scroll bar

// Progress bar: the indeterminate animation (interval in ms per step) and
// the colours (0xBBGGRR; -1 the platform's own).
void PlatCtl_SetMarquee(PlatWindow control, bool on, int intervalMs);
bool PlatCtl_IsMarquee(PlatWindow control);
void PlatCtl_SetColors(PlatWindow control, std::int64_t bar, std::int64_t background);
// A text or hyperlink colour (0xBBGGRR).
void PlatCtl_SetTextColor(PlatWindow control, std::int64_t color);

// Items of lists, combo boxes and trees (a tree item's `parent` is the
// index of an earlier item, -1 for the top level). Index -1 appends.
int PlatCtl_AddItem(PlatWindow control, int index, const std::u16string& text, int parent = -1);
void PlatCtl_ClearItems(PlatWindow control);
int PlatCtl_ItemCount(PlatWindow control);
std::u16string PlatCtl_ItemText(PlatWindow control, int index);
int PlatCtl_RowHeight(PlatWindow control);

// Panel pages: adds a page (a kPage window that holds controls) titled
// `title` at `index`; the size of the page area and the tab strip height.
PlatWindow PlatCtl_AddPage(PlatWindow panel, int index, const std::u16string& title);
void PlatCtl_PageArea(PlatWindow panel, int* width, int* height);
int PlatCtl_TabHeight(PlatWindow panel);

// Scroll area: the inner page that holds the controls, and its size.
PlatWindow PlatCtl_ScrollPage(PlatWindow scrollArea);
void PlatCtl_SetScrollSize(PlatWindow scrollArea, int width, int height);

// Splitter: joins two windows (they move into it); minimum size of a side.
void PlatCtl_SetSplitterPanes(PlatWindow splitter, PlatWindow first, PlatWindow second);
void PlatCtl_SetSplitterMinimum(PlatWindow splitter, int side, int size);

// Image and button image: shows a 32-bit bottom-up BGRA bitmap (null clears).
void PlatCtl_SetImage(PlatWindow control, const void* pixels, int width, int height, int stride);
