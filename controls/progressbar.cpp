// The progress bar: range, smooth and vertical bars, the marquee on -1, and
// values that show at once.
#include "controls/progressbar.h"

#include "controls/control_common.h"
#include "controls/controls.h"

namespace {

constexpr int kMarqueeStepMs = 100;

ProgressBarData& Data(GadgetRecord& g) { return *static_cast<ProgressBarData*>(g.kindData); }

void SetState(GadgetRecord& g, std::int64_t value) {
  PlatWindow bar = CtlWindow(g);
  ProgressBarData& data = Data(g);
  if (value == -1) {
    if (!data.marquee) {
      PlatCtl_SetMarquee(bar, true, kMarqueeStepMs);
      data.marquee = true;
    }
    return;
  }
  if (data.marquee) {
    PlatCtl_SetMarquee(bar, false, kMarqueeStepMs);
    data.marquee = false;
  }
  // Going one past the value and back makes the bar jump there instead of
  // sliding; the control clamps the value to its range.
  std::int64_t low = 0, high = 0;
  PlatCtl_Range(bar, &low, &high);
  PlatCtl_SetRange(bar, low, high + 1);
  PlatCtl_SetValue(bar, value + 1);
  PlatCtl_SetRange(bar, low, high);
  PlatCtl_SetValue(bar, value);
}

std::int64_t GetState(GadgetRecord& g) {
  return Data(g).marquee ? -1 : PlatCtl_Value(CtlWindow(g));
}

std::int64_t GetAttribute(GadgetRecord& g, int attribute) {
  std::int64_t low = 0, high = 0;
  PlatCtl_Range(CtlWindow(g), &low, &high);
  if (attribute == KX_ProgressBar_Minimum) return low;
  if (attribute == KX_ProgressBar_Maximum) return high;
  return 0;
}

void SetAttribute(GadgetRecord& g, int attribute, std::int64_t value) {
  std::int64_t low = 0, high = 0;
  PlatCtl_Range(CtlWindow(g), &low, &high);
  if (attribute == KX_ProgressBar_Minimum)
    PlatCtl_SetRange(CtlWindow(g), value, high);
  else if (attribute == KX_ProgressBar_Maximum)
    PlatCtl_SetRange(CtlWindow(g), low, value);
}

void Free(GadgetRecord& g) {
  delete static_cast<ProgressBarData*>(g.kindData);
  g.kindData = nullptr;
  CtlFree(g);
}

const GadgetKind kProgressKind = {
    .id = kCtlProgressBar,
    .free = Free,
    .setState = SetState,
    // No window text.
    .setText = [](GadgetRecord&, const std::u16string&) {},
    .getAttribute = GetAttribute,
    .setAttribute = SetAttribute,
    .getState = GetState,
    .getText = [](GadgetRecord&) { return std::u16string(); },
};

}  // namespace

ObjectHandle Ctl_ProgressBar(ObjectHandle number, int x, int y, int width, int height,
                             std::int64_t minimum, std::int64_t maximum, std::int64_t flags) {
  std::uint32_t options = 0;
  if (flags & KX_ProgressBar_Smooth) options |= kPlatOptSmooth;
  if (flags & KX_ProgressBar_Vertical) options |= kPlatOptVertical;
  GadgetRecord* g = nullptr;
  const ObjectHandle result = CtlMake({PlatControlKind::kProgressBar,
                                       &kProgressKind,
                                       number,
                                       x,
                                       y,
                                       width,
                                       height,
                                       {},
                                       flags,
                                       options},
                                      &g);
  if (!result) return 0;
  g->kindData = new ProgressBarData;
  PlatCtl_SetRange(CtlWindow(*g), minimum, maximum);
  return result;
}

void Ctl_SetColor(ObjectHandle gadget, int which, std::int64_t color) {
  GadgetRecord* g = Gad_Record(gadget);
  if (!g || !Plat_IsWindow(CtlWindow(*g))) return;
  if (g->kind == &kProgressKind) {
    ProgressBarData& data = Data(*g);
    (which == KX_Color_Front ? data.barColor : data.backColor) = color;
    PlatCtl_SetColors(CtlWindow(*g), data.barColor, data.backColor);
  } else if (which == KX_Color_Front) {
    PlatCtl_SetTextColor(CtlWindow(*g), color);
  } else {
    PlatCtl_SetColors(CtlWindow(*g), -1, color);
  }
}
