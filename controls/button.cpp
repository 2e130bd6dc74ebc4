// The push button: caption alignment, default, wrapping, and the toggle
// that stays pressed.
#include "controls/control_common.h"
#include "controls/controls.h"

namespace {

constexpr int kMinimumHeight = 24;
// The toggle's bits include the default button's, so it is tested whole.
bool IsToggle(std::int64_t flags) { return (flags & KX_Button_Toggle) == KX_Button_Toggle; }

std::uint32_t Options(std::int64_t flags) {
  std::uint32_t options = 0;
  const bool left = flags & KX_Button_Left, right = flags & KX_Button_Right;
  if (left && !right) options |= kPlatOptAlignLeft;
  if (right && !left) options |= kPlatOptAlignRight;
  if (IsToggle(flags))
    options |= kPlatOptToggle;
  else if ((flags & 0xF) == KX_Button_Default)
    options |= kPlatOptDefault;
  if (flags & KX_Button_MultiLine) options |= kPlatOptMultiLine;
  return options;
}

// The caption on one line, an edge on each side and 10 pixels of room; at
// least 24 high.
void RequiredSize(GadgetRecord& g, int* width, int* height) {
  int w = 0, h = 0;
  CtlTextSize(g, false, &w, &h);
  const int edgeX = Plat_Metric(PlatMetric::kEdgeX), edgeY = Plat_Metric(PlatMetric::kEdgeY);
  *width = w + 2 * edgeX + 10;
  *height = std::max(h + 2 * edgeY, kMinimumHeight);
}

const GadgetKind kButtonKind = {
    .id = kCtlButton,
    .free = CtlFree,
    .setState = [](GadgetRecord& g, std::int64_t value) { CtlSetValue(g, value != 0); },
    .setText = CtlSetText,
    .requiredSize = RequiredSize,
    .getState = [](GadgetRecord& g) -> std::int64_t { return CtlGetValue(g) & 1; },
    .getText = CtlGetText,
};

}  // namespace

ObjectHandle Ctl_Button(ObjectHandle number, int x, int y, int width, int height,
                        const std::u16string& text, std::int64_t flags) {
  return CtlMake({PlatControlKind::kButton, &kButtonKind, number, x, y, width, height, text, flags,
                  Options(flags)});
}
