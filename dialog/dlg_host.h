// What the element tree needs from outside itself: making gadgets and the
// window, binding events, and the few window and gadget queries that the
// common gadget layer does not answer. The construction step supplies the
// real host; the defaults make a windowless tree (no gadgets at all).
#pragma once

#include <cstdint>
#include <string>

#include "runtime/data/handle.h"

class DlgElement;
class DlgWindow;

class DlgHost {
 public:
  virtual ~DlgHost() = default;

  // --- construction ---
  // Opens the window for `window` (title, flags, ID already read); returns
  // its number, 0 when it cannot be opened.
  virtual ObjectHandle OpenWindow(DlgWindow& window) {
    (void)window;
    return 0;
  }
  // Makes the element's gadget at (0, 0, 0, 0) with its ID, text and flags;
  // returns the gadget number, -1 when the element gets no gadget. A
  // splitter's host also fills the splitter's two container numbers.
  virtual ObjectHandle CreateGadget(DlgElement& element) {
    (void)element;
    return -1;
  }
  // Closes the gadget list a container gadget opened for its children.
  virtual void CloseGadgetList(DlgElement& element) { (void)element; }
  // Adds page `index` titled `title` to a panel's gadget.
  virtual void AddPanelPage(DlgElement& panel, int index, const std::u16string& title) {
    (void)panel, (void)index, (void)title;
  }
  // A splitter's child `side` (0 or 1) is about to be made: its container's
  // gadget list becomes current. Closed again once the child is attached.
  virtual void OpenSplitterSide(DlgElement& splitter, int side) { (void)splitter, (void)side; }
  virtual void CloseSplitterSide(DlgElement& splitter, int side) { (void)splitter, (void)side; }
  // The window element is being destroyed (drop it from any lookup).
  virtual void ForgetWindow(DlgWindow& window) { (void)window; }
  // Makes the next option gadgets start a new radio group.
  virtual void StartRadioGroup() {}
  // Binds the registered procedure at `procedure` to an event sub-type of a gadget.
  virtual void BindGadgetEvent(ObjectHandle gadget, int subtype, std::int64_t procedure) {
    (void)gadget, (void)subtype, (void)procedure;
  }

  // --- layout ---
  // The window's inner (client) size, and setting it with the position kept.
  virtual void WindowInnerSize(DlgWindow& window, int* width, int* height) {
    (void)window;
    *width = 0;
    *height = 0;
  }
  virtual void SetWindowInnerSize(DlgWindow& window, int width, int height) {
    (void)window, (void)width, (void)height;
  }
  // Size bounds of the window's inner area; -1 leaves a bound free.
  virtual void SetWindowBounds(DlgWindow& window, int minWidth, int minHeight, int maxWidth,
                               int maxHeight) {
    (void)window, (void)minWidth, (void)minHeight, (void)maxWidth, (void)maxHeight;
  }
  // System metrics: the edge height (SM_CYEDGE) and border width (SM_CXBORDER).
  virtual int EdgeHeight() { return 2; }
  virtual int BorderWidth() { return 1; }
  // A panel's tab strip height and the size of its page area.
  virtual int PanelTabHeight(ObjectHandle panel) {
    (void)panel;
    return 0;
  }
  virtual void PanelPageSize(ObjectHandle panel, int* width, int* height) {
    (void)panel;
    *width = 0;
    *height = 0;
  }
  // A scroll area's scrollable size; KX_Unchanged keeps a value.
  virtual void SetScrollAreaInnerSize(ObjectHandle scrollArea, int width, int height) {
    (void)scrollArea, (void)width, (void)height;
  }
  // A splitter's minimum size of one side (0 first, 1 second).
  virtual void SetSplitterMinimum(ObjectHandle splitter, int side, int size) {
    (void)splitter, (void)side, (void)size;
  }
};
