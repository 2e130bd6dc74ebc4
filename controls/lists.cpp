// Lists, trees and the explorer views over the file system.
#include "controls/control_common.h"
#include "controls/controls.h"

namespace {

std::int64_t RowHeightAttribute(GadgetRecord& g, int attribute) {
  return attribute == kGadgetRowHeight ? PlatCtl_RowHeight(CtlWindow(g)) : 0;
}

constexpr GadgetKind ListKind(int id, bool naturalSize) {
  return GadgetKind{
      .id = id,
      .free = CtlFree,
      .setState = CtlSetValue,
      .setText = CtlSetText,
      .getAttribute = RowHeightAttribute,
      .requiredSize = naturalSize ? CtlSizeHint : nullptr,
      .getState = CtlGetValue,
      .getText = CtlGetText,
  };
}

const GadgetKind kListView = ListKind(kCtlListView, false);
const GadgetKind kListIcon = ListKind(kCtlListIcon, false);
const GadgetKind kTree = ListKind(kCtlTree, false);
const GadgetKind kExplorerCombo = ListKind(kCtlExplorerCombo, true);
const GadgetKind kExplorerList = ListKind(kCtlExplorerList, false);
const GadgetKind kExplorerTree = ListKind(kCtlExplorerTree, false);

}  // namespace

bool CtlCreateList(const ControlRequest& r, ObjectHandle* result) {
  const std::int64_t f = r.flags;
  std::uint32_t o = 0;
  switch (r.kind) {
    case kCtlListView:
      if (f & (0x800 | 0x8)) o |= kPlatOptMultiSelect;
      *result = CtlMakeRequest(r, PlatControlKind::kListView, &kListView, o);
      return true;
    case kCtlListIcon:
      if (f & 0x1) o |= kPlatOptCheckBoxes;
      if (f & 0x4) o |= kPlatOptMultiSelect;
      if (f & 0x10000) o |= kPlatOptGridLines;
      *result = CtlMakeRequest(r, PlatControlKind::kListIcon, &kListIcon, o);
      return true;
    case kCtlTree:
      if (f & 0x1) o |= kPlatOptNoButtons;
      if (f & 0x2) o |= kPlatOptNoLines;
      if (f & 0x100) o |= kPlatOptCheckBoxes;
      *result = CtlMakeRequest(r, PlatControlKind::kTree, &kTree, o);
      return true;
    case kCtlExplorerCombo:
      if (f & 0x100) o |= kPlatOptEditable;
      *result = CtlMakeRequest(r, PlatControlKind::kExplorerCombo, &kExplorerCombo, o);
      return true;
    case kCtlExplorerList:
      if (f & 0x1) o |= kPlatOptNoFiles;
      if (f & 0x200000) o |= kPlatOptMultiSelect;
      *result = CtlMakeRequest(r, PlatControlKind::kExplorerList, &kExplorerList, o);
      return true;
    case kCtlExplorerTree:
      if (f & 0x1) o |= kPlatOptNoFiles;
      if (f & 0x8000000) o |= kPlatOptNoButtons;
      *result = CtlMakeRequest(r, PlatControlKind::kExplorerTree, &kExplorerTree, o);
      return true;
    default:
      return false;
  }
}
