// The native control library: every gadget kind a dialog description can
// name beside the canvas. Each creating call makes the control inside the
// calling thread's current gadget list (runtime/system/gadget.h) at the
// given place, registers it in the gadget table and returns the new
// dynamic number for KX_Any, else the control's native window handle; 0
// when there is no gadget list or the platform refuses. Afterwards the
// common Gad_* operations work on the number. Main thread only.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/data/handle.h"

// Kind ids (Gad_Kind); the canvas is 33.
enum ControlKindId : int {
  kCtlButton = 1,
  kCtlString = 2,
  kCtlText = 3,
  kCtlCheckBox = 4,
  kCtlOption = 5,
  kCtlListView = 6,
  kCtlFrame = 7,
  kCtlComboBox = 8,
  kCtlImage = 9,
  kCtlHyperLink = 10,
  kCtlContainer = 11,
  kCtlListIcon = 12,
  kCtlIpAddress = 13,
  kCtlProgressBar = 14,
  kCtlScrollBar = 15,
  kCtlScrollArea = 16,
  kCtlTrackBar = 17,
  kCtlWeb = 18,
  kCtlButtonImage = 19,
  kCtlCalendar = 20,
  kCtlDate = 21,
  kCtlEditor = 22,
  kCtlExplorerList = 23,
  kCtlExplorerTree = 24,
  kCtlExplorerCombo = 25,
  kCtlSpin = 26,
  kCtlTree = 27,
  kCtlPanel = 28,
  kCtlSplitter = 29,
  kCtlScintilla = 31,
  kCtlShortcut = 32,
};

// Flag values of the description (the controls' own style bits).
inline constexpr std::int64_t KX_Button_Default = 0x1;
inline constexpr std::int64_t KX_Button_Left = 0x100;
inline constexpr std::int64_t KX_Button_Right = 0x200;
inline constexpr std::int64_t KX_Button_MultiLine = 0x2000;
inline constexpr std::int64_t KX_Button_Toggle = 0x1003;
inline constexpr std::int64_t KX_Text_Center = 0x1;
inline constexpr std::int64_t KX_Text_Right = 0x2;
inline constexpr std::int64_t KX_Text_Border = 0x20000;
inline constexpr std::int64_t KX_ProgressBar_Smooth = 0x1;
inline constexpr std::int64_t KX_ProgressBar_Vertical = 0x4;

// Progress bar attributes (Gad_GetAttribute / Gad_SetAttribute).
inline constexpr int KX_ProgressBar_Minimum = 1;
inline constexpr int KX_ProgressBar_Maximum = 2;
// Colour kinds for Ctl_SetColor (0xBBGGRR values, -1 the default).
inline constexpr int KX_Color_Front = 2;  // bar or text colour
inline constexpr int KX_Color_Back = 1;   // background

// Part of the main window.
ObjectHandle Ctl_Button(ObjectHandle number, int x, int y, int width, int height,
                        const std::u16string& text, std::int64_t flags = 0);
ObjectHandle Ctl_Text(ObjectHandle number, int x, int y, int width, int height,
                      const std::u16string& text, std::int64_t flags = 0);
ObjectHandle Ctl_ProgressBar(ObjectHandle number, int x, int y, int width, int height,
                             std::int64_t minimum, std::int64_t maximum, std::int64_t flags = 0);

// Every other kind by its id. `minimum`/`maximum`/`page` serve the value
// kinds (scroll bar, track bar, spin); the others ignore them. Containers
// (container, scroll area) open their gadget list: close it with
// Gad_CloseList once their children are made. A splitter joins the two
// gadgets given in `first` and `second`.
struct ControlRequest {
  int kind = 0;  // ControlKindId
  ObjectHandle number = -1;
  int x = 0, y = 0, width = 0, height = 0;
  std::u16string text;
  std::int64_t flags = 0;
  std::int64_t minimum = 0, maximum = 100, page = 10;
  std::int64_t color = 0xFF0000;         // hyperlink, 0xBBGGRR
  ObjectHandle first = -1, second = -1;  // splitter
};
ObjectHandle Ctl_Create(const ControlRequest& request);

// Panel pages: adds a page and makes it the current gadget list (the one
// below the panel's is kept under it); Ctl_ClosePanel goes back.
bool Ctl_AddPanelPage(ObjectHandle panel, int index, const std::u16string& title);
void Ctl_ClosePanel(ObjectHandle panel);
int Ctl_PanelTabHeight(ObjectHandle panel);
void Ctl_PanelPageSize(ObjectHandle panel, int* width, int* height);
void Ctl_SetScrollAreaSize(ObjectHandle scrollArea, int width, int height);
void Ctl_SetSplitterMinimum(ObjectHandle splitter, int side, int size);

// Items of list, tree and combo box gadgets; index -1 appends. Returns the
// item's index, -1 on failure.
int Ctl_AddItem(ObjectHandle gadget, int index, const std::u16string& text, int parent = -1);
void Ctl_ClearItems(ObjectHandle gadget);
int Ctl_CountItems(ObjectHandle gadget);
std::u16string Ctl_ItemText(ObjectHandle gadget, int index);

void Ctl_SetColor(ObjectHandle gadget, int which, std::int64_t color);

// Makes the dialog engine (dialog/dialog.h) build its gadgets with this
// library. Repeating it is harmless.
void Ctl_UseInDialogs();
