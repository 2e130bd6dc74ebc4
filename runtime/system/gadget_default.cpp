// What every gadget kind gets for an empty handler slot: operations on the
// gadget's native window.
#include "platform/platform.h"
#include "runtime/system/gadget.h"

namespace {

PlatWindow Native(const GadgetRecord& g) { return static_cast<PlatWindow>(g.handle); }

const GadgetKind kDefaultKind = {
    .id = 0,
    .setText = [](GadgetRecord& g, const std::u16string& text) { Plat_SetText(Native(g), text); },
    .resize =
        [](GadgetRecord& g, int x, int y, int width, int height) {
          PlatRect r = Plat_OuterRect(Native(g));
          Plat_SetOuterRect(Native(g), x == KX_Unchanged ? r.x : x, y == KX_Unchanged ? r.y : y,
                            width == KX_Unchanged ? r.width : width,
                            height == KX_Unchanged ? r.height : height);
        },
    .width = [](GadgetRecord& g) { return Plat_OuterRect(Native(g)).width; },
    .height = [](GadgetRecord& g) { return Plat_OuterRect(Native(g)).height; },
    .focus = [](GadgetRecord& g) { Plat_SetFocus(Native(g)); },
    .getText = [](GadgetRecord& g) { return Plat_GetText(Native(g)); },
    .disable = [](GadgetRecord& g, bool disabled) { Plat_Enable(Native(g), !disabled); },
    .hide = [](GadgetRecord& g,
               bool hidden) { Plat_Show(Native(g), hidden ? PlatShow::kHide : PlatShow::kNormal); },
};

}  // namespace

void Gad_InstallDefaultKind() { Gad_SetDefaultKind(&kDefaultKind); }
