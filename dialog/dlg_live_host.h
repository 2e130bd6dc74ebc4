// The host of a live dialog: real windows, gadgets made by the control
// library, event bindings, and the two process-wide maps the handlers use.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "dialog/dialog.h"
#include "dialog/dlg_element.h"

class DlgLiveHost : public DlgHost {
 public:
  DlgLiveHost(int x, int y, ObjectHandle parent);

  ObjectHandle OpenWindow(DlgWindow& window) override;
  ObjectHandle CreateGadget(DlgElement& element) override;
  void CloseGadgetList(DlgElement& element) override;
  void AddPanelPage(DlgElement& panel, int index, const std::u16string& title) override;
  void OpenSplitterSide(DlgElement& splitter, int side) override;
  void CloseSplitterSide(DlgElement& splitter, int side) override;
  void ForgetWindow(DlgWindow& window) override;
  void StartRadioGroup() override;
  void BindGadgetEvent(ObjectHandle gadget, int subtype, std::int64_t procedure) override;

  void WindowInnerSize(DlgWindow& window, int* width, int* height) override;
  void SetWindowInnerSize(DlgWindow& window, int width, int height) override;
  void SetWindowBounds(DlgWindow& window, int minWidth, int minHeight, int maxWidth,
                       int maxHeight) override;
  int EdgeHeight() override;
  int PanelTabHeight(ObjectHandle panel) override;
  void PanelPageSize(ObjectHandle panel, int* width, int* height) override;
  void SetScrollAreaInnerSize(ObjectHandle scrollArea, int width, int height) override;
  void SetSplitterMinimum(ObjectHandle splitter, int side, int size) override;

  // The window this host opened (0 none), and what is left of the dialog
  // once its tree is gone: its gadgets, its splitter panes, its window.
  // FreeGadgets must run before the host goes (the pane map points here).
  ObjectHandle Window() const { return window_; }
  void FreeGadgets();
  void CloseWindow();

 private:
  int x_, y_;
  ObjectHandle parent_;
  ObjectHandle window_ = 0;
  bool windowOpen_ = false;
  // Set as a property on every native window this host makes. Numbers and
  // native handles are both re-used once the program closes a window or
  // frees a gadget itself; the mark tells whether what holds them now is ours.
  std::intptr_t mark_;
  // Every gadget made, with its native window, so that a number re-used by
  // someone else since is left alone.
  std::vector<std::pair<ObjectHandle, void*>> gadgets_;
};

// The relayout handler's lookup: the window element of a window number.
DlgWindow* DlgMappedWindow(ObjectHandle window);
