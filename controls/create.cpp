// Ctl_Create dispatches to the families; items of lists, trees and combo boxes.
#include "controls/control_common.h"
#include "controls/controls.h"
#include "runtime/system/event.h"

ObjectHandle CtlMakeRequest(const ControlRequest& r, PlatControlKind platKind,
                            const GadgetKind* kind, std::uint32_t options, GadgetRecord** record) {
  return CtlMake({platKind, kind, r.number, r.x, r.y, r.width, r.height, r.text, r.flags, options},
                 record);
}

ObjectHandle Ctl_Create(const ControlRequest& r) {
  ObjectHandle result = 0;
  switch (r.kind) {
    case kCtlButton:
      return Ctl_Button(r.number, r.x, r.y, r.width, r.height, r.text, r.flags);
    case kCtlText:
      return Ctl_Text(r.number, r.x, r.y, r.width, r.height, r.text, r.flags);
    case kCtlProgressBar:
      return Ctl_ProgressBar(r.number, r.x, r.y, r.width, r.height, r.minimum, r.maximum, r.flags);
    default:
      break;
  }
  if (CtlCreateChoice(r, &result) || CtlCreateEdit(r, &result) || CtlCreateList(r, &result) ||
      CtlCreateValue(r, &result) || CtlCreatePicture(r, &result) || CtlCreateContainer(r, &result))
    return result;
  return 0;
}

namespace {

PlatWindow WindowOf(ObjectHandle gadget) {
  GadgetRecord* g = Gad_Record(gadget);
  return g ? CtlWindow(*g) : nullptr;
}

}  // namespace

int Ctl_AddItem(ObjectHandle gadget, int index, const std::u16string& text, int parent) {
  Evt_Suspend();
  const int at = PlatCtl_AddItem(WindowOf(gadget), index, text, parent);
  Evt_Resume();
  return at;
}

void Ctl_ClearItems(ObjectHandle gadget) {
  Evt_Suspend();
  PlatCtl_ClearItems(WindowOf(gadget));
  Evt_Resume();
}

int Ctl_CountItems(ObjectHandle gadget) { return PlatCtl_ItemCount(WindowOf(gadget)); }

std::u16string Ctl_ItemText(ObjectHandle gadget, int index) {
  return PlatCtl_ItemText(WindowOf(gadget), index);
}
