#include "dialog/dlg_live_host.h"

#include <unordered_map>

#include "dialog/dlg_build.h"
#include "platform/platform.h"
#include "runtime/system/event.h"
#include "runtime/system/gadget.h"
#include "runtime/system/window.h"

namespace {

// Both maps are used by the main thread only (it owns every window).
std::unordered_map<ObjectHandle, DlgWindow*>& WindowMap() {
  static std::unordered_map<ObjectHandle, DlgWindow*> map;
  return map;
}

struct Pane {
  DlgSplitter* splitter;
  int side;
  DlgLiveHost* owner;
};
std::unordered_map<ObjectHandle, Pane>& PaneMap() {
  static std::unordered_map<ObjectHandle, Pane> map;
  return map;
}

constexpr char kMarkProperty[] = "KX_DialogHost";

void Mark(void* native, std::intptr_t mark) {
  Plat_SetProperty(static_cast<PlatWindow>(native), kMarkProperty, mark);
}

bool IsMarked(void* native, std::intptr_t mark) {
  return native && Plat_GetProperty(static_cast<PlatWindow>(native), kMarkProperty) == mark;
}

// Set once by the program's start-up; read on the main thread.
const DlgGadgetLibrary* gLibrary = nullptr;

void Relayout() {
  if (DlgWindow* window = DlgMappedWindow(Evt_Window())) DlgLayoutRelayout(*window);
}

// Any event of a splitter's pane gives the child inside it the pane's size.
void PaneChanged() {
  const ObjectHandle pane = Evt_Gadget();
  auto it = PaneMap().find(pane);
  if (it == PaneMap().end()) return;
  it->second.splitter->OnContainerResized(it->second.side, Gad_Width(pane), Gad_Height(pane));
}

bool HasValue(DlgKind kind) {
  return kind == DlgKind::ScrollBar || kind == DlgKind::ProgressBar || kind == DlgKind::TrackBar ||
         kind == DlgKind::Spin;
}

}  // namespace

void Dlg_UseGadgetLibrary(const DlgGadgetLibrary* library) { gLibrary = library; }

int Dlg_MappedWindowCount() { return static_cast<int>(WindowMap().size()); }

DlgWindow* DlgMappedWindow(ObjectHandle window) {
  auto it = WindowMap().find(window);
  return it == WindowMap().end() ? nullptr : it->second;
}

DlgLiveHost::DlgLiveHost(int x, int y, ObjectHandle parent) : x_(x), y_(y), parent_(parent) {
  static std::intptr_t lastMark = 0;  // main thread only, like every dialog call
  mark_ = ++lastMark;
}

ObjectHandle DlgLiveHost::OpenWindow(DlgWindow& window) {
  // Hidden while it is filled.
  const ObjectHandle requested = window.requestedId;
  const ObjectHandle result =
      Win_Open(requested, x_, y_, 0, 0, window.text.value_or(u""),
               static_cast<std::int64_t>(window.windowFlags) | KX_Window_Invisible, parent_);
  if (!result) return 0;
  window_ = requested == KX_Any ? result : requested;
  windowOpen_ = true;
  Mark(Win_Native(window_), mark_);
  WindowMap()[window_] = &window;
  Evt_Bind(KX_Event_SizeWindow, Relayout, window_);
  return window_;
}

ObjectHandle DlgLiveHost::CreateGadget(DlgElement& element) {
  if (!gLibrary || !gLibrary->create || !windowOpen_) return -1;
  const ObjectHandle gadget = gLibrary->create(element);
  if (gadget == -1) return -1;
  if (GadgetRecord* g = Gad_Record(gadget)) {
    Mark(g->handle, mark_);
    gadgets_.emplace_back(gadget, g->handle);
  }
  if (element.kind == DlgKind::Splitter) {
    auto& splitter = static_cast<DlgSplitter&>(element);
    for (int side = 0; side < 2; ++side) {
      const ObjectHandle pane = splitter.containers[static_cast<std::size_t>(side)];
      if (GadgetRecord* g = Gad_Record(pane)) {
        Mark(g->handle, mark_);
        gadgets_.emplace_back(pane, g->handle);
        PaneMap()[pane] = Pane{&splitter, side, this};
        Evt_BindGadget(pane, PaneChanged);
      }
    }
  }
  if (auto* plain = dynamic_cast<DlgGadget*>(&element)) {
    if (HasValue(element.kind)) Gad_SetState(gadget, plain->value);
    if (element.kind == DlgKind::Editor || element.kind == DlgKind::Spin)
      Gad_SetText(gadget, element.text.value_or(u""));
  }
  return gadget;
}

void DlgLiveHost::CloseGadgetList(DlgElement& element) {
  // Only a gadget that was made opened a list.
  if (element.gadget == -1) return;
  if (element.kind == DlgKind::Panel) {
    if (gLibrary && gLibrary->closePanel) gLibrary->closePanel(element.gadget);
    return;
  }
  Gad_CloseList();
}

void DlgLiveHost::AddPanelPage(DlgElement& panel, int index, const std::u16string& title) {
  if (panel.gadget != -1 && gLibrary && gLibrary->addPanelPage)
    gLibrary->addPanelPage(panel.gadget, index, title);
}

void DlgLiveHost::OpenSplitterSide(DlgElement& splitter, int side) {
  const ObjectHandle pane = static_cast<DlgSplitter&>(splitter).containers[side & 1];
  GadgetRecord* g = Gad_Record(pane);
  // Without its pane the child goes where the splitter is; the list stays.
  Gad_OpenList(g ? g->handle : Gad_CurrentList());
}

void DlgLiveHost::CloseSplitterSide(DlgElement&, int) { Gad_CloseList(); }

void DlgLiveHost::ForgetWindow(DlgWindow& window) {
  auto it = WindowMap().find(window.window);
  if (it != WindowMap().end() && it->second == &window) {
    WindowMap().erase(it);
    Evt_Unbind(KX_Event_SizeWindow, Relayout, window.window);
  }
}

void DlgLiveHost::StartRadioGroup() {
  if (gLibrary && gLibrary->startRadioGroup) gLibrary->startRadioGroup();
}

void DlgLiveHost::BindGadgetEvent(ObjectHandle gadget, int subtype, std::int64_t procedure) {
  if (gadget == -1 || !procedure) return;
  Evt_BindGadget(gadget, reinterpret_cast<EventHandler>(procedure), subtype);
}

void DlgLiveHost::WindowInnerSize(DlgWindow& window, int* width, int* height) {
  *width = Win_InnerWidth(window.window);
  *height = Win_InnerHeight(window.window);
}

void DlgLiveHost::SetWindowInnerSize(DlgWindow& window, int width, int height) {
  Win_Resize(window.window, KX_Unchanged, KX_Unchanged, width, height);
}

void DlgLiveHost::SetWindowBounds(DlgWindow& window, int minWidth, int minHeight, int maxWidth,
                                  int maxHeight) {
  Win_SetBounds(window.window, minWidth, minHeight, maxWidth, maxHeight);
}

int DlgLiveHost::EdgeHeight() { return Plat_Metric(PlatMetric::kEdgeY); }

int DlgLiveHost::PanelTabHeight(ObjectHandle panel) {
  return gLibrary && gLibrary->panelTabHeight ? gLibrary->panelTabHeight(panel) : 0;
}

void DlgLiveHost::PanelPageSize(ObjectHandle panel, int* width, int* height) {
  *width = *height = 0;
  if (gLibrary && gLibrary->panelPageSize) gLibrary->panelPageSize(panel, width, height);
}

void DlgLiveHost::SetScrollAreaInnerSize(ObjectHandle scrollArea, int width, int height) {
  if (gLibrary && gLibrary->setScrollAreaSize)
    gLibrary->setScrollAreaSize(scrollArea, width, height);
}

void DlgLiveHost::SetSplitterMinimum(ObjectHandle splitter, int side, int size) {
  if (gLibrary && gLibrary->setSplitterMinimum) gLibrary->setSplitterMinimum(splitter, side, size);
}

void DlgLiveHost::FreeGadgets() {
  std::erase_if(PaneMap(), [this](const auto& entry) { return entry.second.owner == this; });
  // Newest first: children before their containers.
  for (auto it = gadgets_.rbegin(); it != gadgets_.rend(); ++it) {
    GadgetRecord* g = Gad_Record(it->first);
    if (g && g->handle == it->second && IsMarked(g->handle, mark_)) Gad_Free(it->first);
  }
  gadgets_.clear();
}

void DlgLiveHost::CloseWindow() {
  if (windowOpen_ && IsMarked(Win_Native(window_), mark_)) Win_Close(window_);
  windowOpen_ = false;
}
