// Gadgets that hold gadgets: container, frame, panel (tabbed pages),
// scroll area and splitter.
#include "controls/control_common.h"
#include "controls/controls.h"

namespace {

constexpr std::int64_t kContainerFlat = 0x1, kContainerRaised = 0x2;
constexpr std::int64_t kFrameFlat = 0x3;
constexpr std::int64_t kScrollAreaBorderLess = 0x8, kScrollAreaCenter = 0x10;
constexpr std::int64_t kSplitterVertical = 0x1, kSplitterSeparator = 0x2;

// A container's list (and a scroll area's page) leave the lists with it.
void FreeContainer(GadgetRecord& g) {
  if (PlatCtl_Kind(CtlWindow(g)) == PlatControlKind::kScrollArea)
    Gad_ForgetList(PlatCtl_ScrollPage(CtlWindow(g)));
  CtlFree(g);
}

constexpr GadgetKind ContainerKind(int id) {
  return GadgetKind{
      .id = id,
      .free = FreeContainer,
      .setText = CtlSetText,
      .getText = CtlGetText,
  };
}

const GadgetKind kContainer = ContainerKind(kCtlContainer);
const GadgetKind kScrollArea = ContainerKind(kCtlScrollArea);
const GadgetKind kSplitter = ContainerKind(kCtlSplitter);

const GadgetKind kFrame = {
    .id = kCtlFrame,
    .free = CtlFree,
    .setText = CtlSetText,
    .getAttribute = [](GadgetRecord& g, int attribute) -> std::int64_t {
      if (attribute != kGadgetCaptionHeight) return 0;
      int w = 0, h = 0;
      CtlTextSize(g, false, &w, &h);
      return h;
    },
    .getText = CtlGetText,
};

const GadgetKind kPanel = {
    .id = kCtlPanel,
    .free = CtlFree,
    .setState = CtlSetValue,
    .setText = [](GadgetRecord&, const std::u16string&) {},
    .getState = CtlGetValue,
    .getText = CtlGetText,
};

PlatWindow WindowOf(ObjectHandle gadget) {
  GadgetRecord* g = Gad_Record(gadget);
  return g ? CtlWindow(*g) : nullptr;
}

}  // namespace

bool CtlCreateContainer(const ControlRequest& r, ObjectHandle* result) {
  std::uint32_t o = 0;
  GadgetRecord* g = nullptr;
  switch (r.kind) {
    case kCtlContainer:
      if (r.flags & kContainerFlat)
        o |= kPlatOptFlat;
      else if (r.flags & kContainerRaised)
        o |= kPlatOptRaised;
      else if (r.flags)
        o |= kPlatOptBorder;
      *result = CtlMakeRequest(r, PlatControlKind::kContainer, &kContainer, o, &g);
      if (g) Gad_OpenList(g->handle);
      return true;
    case kCtlFrame:
      if ((r.flags & kFrameFlat) == kFrameFlat) o |= kPlatOptFlat;
      *result = CtlMakeRequest(r, PlatControlKind::kFrame, &kFrame, o);
      return true;
    case kCtlPanel:
      *result = CtlMakeRequest(r, PlatControlKind::kPanel, &kPanel, 0, &g);
      // Pages replace the panel's list as they are added.
      if (g) Gad_OpenList(g->handle);
      return true;
    case kCtlScrollArea:
      if (r.flags & kScrollAreaBorderLess) o |= kPlatOptBorderless;
      if (r.flags & kScrollAreaCenter) o |= kPlatOptAlignCenter;
      *result = CtlMakeRequest(r, PlatControlKind::kScrollArea, &kScrollArea, o, &g);
      if (g) {
        PlatWindow page = PlatCtl_ScrollPage(CtlWindow(*g));
        if (!page) {
          Gad_Free(CtlNumberOf(r.number, *result));
          *result = 0;
          return true;
        }
        Gad_OpenList(page);
      }
      return true;
    case kCtlSplitter:
      if (r.flags & kSplitterVertical) o |= kPlatOptVertical;
      if (r.flags & kSplitterSeparator) o |= kPlatOptBorder;
      *result = CtlMakeRequest(r, PlatControlKind::kSplitter, &kSplitter, o, &g);
      if (g) PlatCtl_SetSplitterPanes(CtlWindow(*g), WindowOf(r.first), WindowOf(r.second));
      return true;
    default:
      return false;
  }
}

bool Ctl_AddPanelPage(ObjectHandle panel, int index, const std::u16string& title) {
  GadgetRecord* g = Gad_Record(panel);
  if (!g || g->kind != &kPanel) return false;
  PlatWindow page = PlatCtl_AddPage(CtlWindow(*g), index, title);
  if (!page) return false;
  // The previous page (or the panel itself) leaves the top of the lists.
  auto current = static_cast<PlatWindow>(Gad_CurrentList());
  if (current == CtlWindow(*g) || (current && Plat_Parent(current) == CtlWindow(*g)))
    Gad_CloseList();
  Gad_OpenList(page);
  return true;
}

void Ctl_ClosePanel(ObjectHandle panel) {
  GadgetRecord* g = Gad_Record(panel);
  if (!g || g->kind != &kPanel) return;
  auto current = static_cast<PlatWindow>(Gad_CurrentList());
  if (current == CtlWindow(*g) || (current && Plat_Parent(current) == CtlWindow(*g)))
    Gad_CloseList();
}

int Ctl_PanelTabHeight(ObjectHandle panel) { return PlatCtl_TabHeight(WindowOf(panel)); }

void Ctl_PanelPageSize(ObjectHandle panel, int* width, int* height) {
  PlatCtl_PageArea(WindowOf(panel), width, height);
}

void Ctl_SetScrollAreaSize(ObjectHandle scrollArea, int width, int height) {
  PlatCtl_SetScrollSize(WindowOf(scrollArea), width, height);
}

void Ctl_SetSplitterMinimum(ObjectHandle splitter, int side, int size) {
  PlatCtl_SetSplitterMinimum(WindowOf(splitter), side, size);
}
