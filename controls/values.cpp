// Scroll bars and track bars: a value inside a range.
#include "controls/control_common.h"
#include "controls/controls.h"

namespace {

std::int64_t GetAttribute(GadgetRecord& g, int attribute) {
  std::int64_t low = 0, high = 0;
  PlatCtl_Range(CtlWindow(g), &low, &high);
  return attribute == 1 ? low : attribute == 2 ? high : 0;
}

void SetAttribute(GadgetRecord& g, int attribute, std::int64_t value) {
  std::int64_t low = 0, high = 0;
  PlatCtl_Range(CtlWindow(g), &low, &high);
  if (attribute == 1) PlatCtl_SetRange(CtlWindow(g), value, high);
  if (attribute == 2) PlatCtl_SetRange(CtlWindow(g), low, value);
  if (attribute == 3) PlatCtl_SetPage(CtlWindow(g), static_cast<int>(value));
}

constexpr GadgetKind ValueKind(int id) {
  return GadgetKind{
      .id = id,
      .free = CtlFree,
      .setState = CtlSetValue,
      .setText = [](GadgetRecord&, const std::u16string&) {},
      .getAttribute = GetAttribute,
      .setAttribute = SetAttribute,
      .getState = CtlGetValue,
      .getText = [](GadgetRecord&) { return std::u16string(); },
  };
}

const GadgetKind kScrollBar = ValueKind(kCtlScrollBar);
const GadgetKind kTrackBar = ValueKind(kCtlTrackBar);

}  // namespace

bool CtlCreateValue(const ControlRequest& r, ObjectHandle* result) {
  std::uint32_t o = 0;
  const GadgetKind* kind = nullptr;
  PlatControlKind platKind = PlatControlKind::kPlain;
  if (r.kind == kCtlScrollBar) {
    if (r.flags & 0x1) o |= kPlatOptVertical;
    kind = &kScrollBar;
    platKind = PlatControlKind::kScrollBar;
  } else if (r.kind == kCtlTrackBar) {
    if (r.flags & 0x1) o |= kPlatOptTicks;
    if (r.flags & 0x2) o |= kPlatOptVertical;
    kind = &kTrackBar;
    platKind = PlatControlKind::kTrackBar;
  } else {
    return false;
  }
  GadgetRecord* g = nullptr;
  *result = CtlMakeRequest(r, platKind, kind, o, &g);
  if (g) {
    PlatCtl_SetRange(CtlWindow(*g), r.minimum, r.maximum);
    if (r.kind == kCtlScrollBar) PlatCtl_SetPage(CtlWindow(*g), static_cast<int>(r.page));
  }
  return true;
}
