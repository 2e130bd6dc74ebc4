// Check boxes and options (radio buttons). Options made one after another
// in the same gadget list form one radio group; any other gadget made in
// between starts a new group.
#include "controls/control_common.h"
#include "controls/controls.h"

namespace {

constexpr std::int64_t kCheckBoxRight = 0x200, kCheckBoxCenter = 0x300, kCheckBoxThreeState = 0x5;

const GadgetKind kCheckBoxKind = {
    .id = kCtlCheckBox,
    .free = CtlFree,
    .setState = CtlSetValue,
    .setText = CtlSetText,
    .requiredSize = CtlSizeHint,
    .getState = CtlGetValue,
    .getText = CtlGetText,
};

const GadgetKind kOptionKind = {
    .id = kCtlOption,
    .free = CtlFree,
    .setState = CtlSetValue,
    .setText = CtlSetText,
    .requiredSize = CtlSizeHint,
    .getState = CtlGetValue,
    .getText = CtlGetText,
};

}  // namespace

bool CtlCreateChoice(const ControlRequest& r, ObjectHandle* result) {
  if (r.kind == kCtlCheckBox) {
    std::uint32_t options = 0;
    if ((r.flags & kCheckBoxCenter) == kCheckBoxCenter)
      options |= kPlatOptAlignCenter;
    else if (r.flags & kCheckBoxRight)
      options |= kPlatOptAlignRight;
    if ((r.flags & 0xF) == kCheckBoxThreeState) options |= kPlatOptThreeState;
    *result = CtlMakeRequest(r, PlatControlKind::kCheckBox, &kCheckBoxKind, options);
    return true;
  }
  if (r.kind == kCtlOption) {
    *result = CtlMakeRequest(r, PlatControlKind::kOption, &kOptionKind, 0);
    return true;
  }
  return false;
}
