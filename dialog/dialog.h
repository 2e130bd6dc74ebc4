// Dialogs: a parsed description (dialog/xml.h) turned into a live window
// whose gadgets follow its size, found again by name, and freed. Main
// thread only (the thread that owns the windows).
#pragma once

#include <cstdint>
#include <string>

#include "runtime/data/handle.h"

class DlgElement;

// A new, empty dialog. Non-zero on success: the new number for KX_Any.
ObjectHandle Dlg_Create(ObjectHandle number);

// Builds the window named `name` (the first window when empty) of the XML
// document, lays it out at least `width` x `height`, centres it when its
// flags ask for it and shows it unless it is invisible. An earlier tree of
// the same dialog is freed first. Non-zero on success; on failure Dlg_Error
// tells why and nothing of the window is left.
int Dlg_Open(ObjectHandle dialog, ObjectHandle xml, const std::u16string& name, int x = 0,
             int y = 0, int width = 0, int height = 0, ObjectHandle parent = -1);

// The window number; -1 when the dialog is unknown or nothing is open.
ObjectHandle Dlg_Window(ObjectHandle dialog);
// The gadget of the first element (depth first, document order) whose
// NAME equals `name` ignoring case; -1 when none or it has no gadget.
ObjectHandle Dlg_Gadget(ObjectHandle dialog, const std::u16string& name);
int Dlg_IsDialog(ObjectHandle dialog);
// The first error of the last Dlg_Open, empty when none.
std::u16string Dlg_Error(ObjectHandle dialog);
// Destroys the tree, frees its gadgets, closes the window if it is still
// open and releases the dialog; KX_Any frees every dialog.
void Dlg_Free(ObjectHandle dialog);

// The control library that makes gadgets for the elements (the engine
// itself knows only the common gadget layer). Without one, elements get no
// gadgets. The table must outlive its use; null removes it.
struct DlgGadgetLibrary {
  // Makes the element's gadget at (0, 0, 0, 0) inside the current gadget
  // list with its ID, text and flags; container kinds leave their own list
  // open. Returns the gadget number, -1 when none was made. A splitter's
  // two containers are made first and stored in the element.
  ObjectHandle (*create)(DlgElement& element) = nullptr;
  // Makes and frees a gadget, so that the next options start a new group.
  void (*startRadioGroup)() = nullptr;
  // Panel pages: a new page becomes the current gadget list; closing the
  // panel goes back to the list below it.
  void (*addPanelPage)(ObjectHandle panel, int index, const std::u16string& title) = nullptr;
  void (*closePanel)(ObjectHandle panel) = nullptr;
  int (*panelTabHeight)(ObjectHandle panel) = nullptr;
  void (*panelPageSize)(ObjectHandle panel, int* width, int* height) = nullptr;
  void (*setScrollAreaSize)(ObjectHandle scrollArea, int width, int height) = nullptr;
  void (*setSplitterMinimum)(ObjectHandle splitter, int side, int size) = nullptr;
};
void Dlg_UseGadgetLibrary(const DlgGadgetLibrary* library);

// How many windows the relayout handler knows (for tests).
int Dlg_MappedWindowCount();
