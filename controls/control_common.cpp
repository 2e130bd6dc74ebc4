#include "controls/control_common.h"

#include "runtime/system/event.h"

namespace {

// User actions the control's own window procedure sees become notifications
// for the kinds that report them.
std::intptr_t ControlProc(const PlatMessage& m, void*) {
  const PlatControlKind kind = PlatCtl_Kind(m.window);
  const bool focusKind = kind == PlatControlKind::kString || kind == PlatControlKind::kComboBox ||
                         kind == PlatControlKind::kEditor;
  const bool clickKind = kind == PlatControlKind::kImage || kind == PlatControlKind::kHyperLink;
  switch (m.id) {
    case kPlatSetFocus:
    case kPlatKillFocus:
      if (focusKind)
        PlatCtl_Notify(m.window, m.id == kPlatSetFocus ? kPlatNotifyFocus : kPlatNotifyLostFocus);
      break;
    case kPlatLButtonUp:
      if (clickKind) PlatCtl_Notify(m.window, kPlatNotifyClick);
      break;
    case kPlatRButtonUp:
      if (kind == PlatControlKind::kImage) PlatCtl_Notify(m.window, kPlatNotifyRightClick);
      break;
    case kPlatLButtonDblClk:
      if (kind == PlatControlKind::kImage) PlatCtl_Notify(m.window, kPlatNotifyDoubleClick);
      break;
    case kPlatRButtonDblClk:
      if (kind == PlatControlKind::kImage) PlatCtl_Notify(m.window, kPlatNotifyRightDoubleClick);
      break;
    case kPlatSize:
      // Containers report their new size (a splitter's panes rely on it).
      if (kind == PlatControlKind::kContainer) PlatCtl_Notify(m.window, kPlatNotifyChange);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace

ObjectHandle CtlMake(const CtlSpec& desc, GadgetRecord** record) {
  if (record) *record = nullptr;
  auto parent = static_cast<PlatWindow>(Gad_CurrentList());
  if (!parent || !Plat_IsWindow(parent)) return 0;
  PlatWindowSpec window;
  window.parent = parent;
  window.kind = desc.platKind;
  window.style = kPlatStyleChild;
  window.x = desc.x;
  window.y = desc.y;
  window.width = desc.width;
  window.height = desc.height;
  window.text = desc.text;
  window.proc = ControlProc;
  window.options = desc.options;
  PlatWindow handle = nullptr;
  {
    // The control's answers to its own set-up are not the user's actions.
    Evt_Suspend();
    handle = Plat_CreateWindow(window);
    Evt_Resume();
  }
  if (!handle) return 0;
  ObjectHandle assigned = 0;
  GadgetRecord* g = Gad_Register(desc.number, desc.kind, handle, desc.flags, &assigned);
  if (!g) {
    Plat_DestroyWindow(handle);
    return 0;
  }
  Plat_Show(handle, PlatShow::kNormal);
  if (record) *record = g;
  return desc.number == KX_Any ? assigned : reinterpret_cast<ObjectHandle>(handle);
}

ObjectHandle CtlNumberOf(ObjectHandle requested, ObjectHandle result) {
  if (result == 0) return 0;
  return requested == KX_Any ? result : requested;
}

void CtlFree(GadgetRecord& g) {
  Gad_ForgetList(g.handle);
  Plat_DestroyWindow(CtlWindow(g));
}

void CtlSetText(GadgetRecord& g, const std::u16string& text) { Plat_SetText(CtlWindow(g), text); }

std::u16string CtlGetText(GadgetRecord& g) { return Plat_GetText(CtlWindow(g)); }

void CtlSetValue(GadgetRecord& g, std::int64_t value) { PlatCtl_SetValue(CtlWindow(g), value); }

std::int64_t CtlGetValue(GadgetRecord& g) { return PlatCtl_Value(CtlWindow(g)); }

void CtlSizeHint(GadgetRecord& g, int* width, int* height) {
  PlatCtl_SizeHint(CtlWindow(g), width, height);
}

void CtlTextSize(GadgetRecord& g, bool multiLine, int* width, int* height) {
  Plat_TextExtent(CtlWindow(g), Plat_GetText(CtlWindow(g)), multiLine, width, height);
}
