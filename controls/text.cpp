// The text line: alignment and the sunken border; "&" is shown as it is.
#include "controls/control_common.h"
#include "controls/controls.h"

namespace {

std::uint32_t Options(std::int64_t flags) {
  std::uint32_t options = 0;
  if (flags & KX_Text_Right)
    options |= kPlatOptAlignRight;
  else if (flags & KX_Text_Center)
    options |= kPlatOptAlignCenter;
  // The border is the extended style the flag stands for (flag >> 8).
  if ((flags & KX_Text_Border) >> 8) options |= kPlatOptBorder;
  return options;
}

// The text's rectangle, each line break starting a new line, plus the edge
// on each side (1 pixel without a border).
void RequiredSize(GadgetRecord& g, int* width, int* height) {
  int w = 0, h = 0;
  CtlTextSize(g, true, &w, &h);
  if (g.flags & KX_Text_Border) {
    w += 2 * Plat_Metric(PlatMetric::kEdgeX);
    h += 2 * Plat_Metric(PlatMetric::kEdgeY);
  } else {
    w += 2;
    h += 2;
  }
  *width = w;
  *height = h;
}

const GadgetKind kTextKind = {
    .id = kCtlText,
    .free = CtlFree,
    .setText = CtlSetText,
    .requiredSize = RequiredSize,
    .getText = CtlGetText,
};

}  // namespace

ObjectHandle Ctl_Text(ObjectHandle number, int x, int y, int width, int height,
                      const std::u16string& text, std::int64_t flags) {
  return CtlMake({PlatControlKind::kLabel, &kTextKind, number, x, y, width, height, text, flags,
                  Options(flags)});
}
