// Containers of one child inside margins: singlebox, container, frame, tab,
// canvas, scroll area and the window itself.
#include <algorithm>

#include "dialog/dlg_build.h"
#include "dialog/dlg_element.h"
#include "runtime/system/gadget.h"

bool DlgOneChild::AddChild(std::unique_ptr<DlgElement> child, const XmlNode*) {
  // The first child stays; later ones have no place to go.
  if (!children_.empty()) {
    DlgDestroy(std::move(child));
    return true;
  }
  return Append(child);
}

void DlgOneChild::CalcSize(int* width, int* height) {
  childWidth = childHeight = 0;
  if (DlgElement* child = Child()) child->GetSize(&childWidth, &childHeight);
  int extraWidth = 0, extraHeight = 0;
  Extras(&extraWidth, &extraHeight);
  *width = DlgClamp(std::int64_t{left} + right + extraWidth + childWidth);
  *height = DlgClamp(std::int64_t{top} + bottom + extraHeight + childHeight);
  RaiseToMinimum(width, height);
}

namespace {

// One direction of the placement rule: the child's length and its offset
// inside the available length.
void PlaceAxis(std::int64_t required, std::int64_t available, bool stretch, std::int64_t limit,
               std::uint8_t align, std::int64_t* length, std::int64_t* offset) {
  *offset = 0;
  if (required >= available) {
    *length = available;
    return;
  }
  if (stretch)
    *length = limit > 0 && limit < available ? std::max(limit, required) : available;
  else
    *length = required;
  if (align == kAlignCenter) *offset = (available - *length) / 2;
  if (align == kAlignEnd) *offset = available - *length;
}

}  // namespace

DlgRect DlgOneChild::PlaceChild(int x, int y, int width, int height) {
  const std::int64_t w = std::int64_t{width} - left - right;
  const std::int64_t h = std::int64_t{height} - top - bottom;
  std::int64_t dx = 0, dy = 0, placedWidth = 0, placedHeight = 0;
  PlaceAxis(childWidth, w, expandWidth, expandWidthLimit, halign, &placedWidth, &dx);
  PlaceAxis(childHeight, h, expandHeight, expandHeightLimit, valign, &placedHeight, &dy);
  DlgRect placed;
  placed.x = DlgClamp(std::int64_t{x} + left + dx);
  placed.y = DlgClamp(std::int64_t{y} + top + dy);
  placed.width = DlgClamp(placedWidth);
  placed.height = DlgClamp(placedHeight);
  if (DlgElement* child = Child()) child->Resize(placed.x, placed.y, placed.width, placed.height);
  return placed;
}

void DlgSingleBox::Resize(int x, int y, int width, int height) { PlaceChild(x, y, width, height); }

void DlgContainer::Extras(int* width, int* height) {
  int extra = 0;
  if (flags & kContainerFlat)
    extra = 2;
  else if (flags != 0)
    extra = 2 * host->BorderWidth();
  *width = extra;
  *height = extra;
}

void DlgContainer::Resize(int x, int y, int width, int height) {
  Gad_Resize(gadget, x, y, width, height);
  int extraWidth = 0, extraHeight = 0;
  Extras(&extraWidth, &extraHeight);
  PlaceChild(extraWidth / 2, extraHeight / 2, DlgClamp(std::int64_t{width} - extraWidth),
             DlgClamp(std::int64_t{height} - extraHeight));
}

void DlgContainer::Finish(DlgContext&) { host->CloseGadgetList(*this); }

int DlgFrame::CaptionHeight() const {
  return std::max<int>(10, static_cast<int>(Gad_GetAttribute(gadget, kGadgetCaptionHeight)));
}

void DlgFrame::Extras(int* width, int* height) {
  *width = 8;
  *height = CaptionHeight() + 4;
}

void DlgFrame::Resize(int x, int y, int width, int height) {
  Gad_Resize(gadget, x, y, width, height);
  // The child lives beside the frame, not inside it: same coordinates.
  const int caption = CaptionHeight();
  PlaceChild(DlgClamp(std::int64_t{x} + 4), DlgClamp(std::int64_t{y} + caption),
             DlgClamp(std::int64_t{width} - 8), DlgClamp(std::int64_t{height} - caption - 4));
}

void DlgTab::Resize(int, int, int width, int height) { PlaceChild(0, 0, width, height); }

void DlgCanvas::CalcSize(int* width, int* height) {
  if (IsContainer() && Child()) {
    DlgOneChild::CalcSize(width, height);
    return;
  }
  // A plain canvas (or one with nothing inside) asks for its natural size.
  Gad_RequiredSize(gadget, width, height);
  RaiseToMinimum(width, height);
}

void DlgCanvas::Resize(int x, int y, int width, int height) {
  Gad_Resize(gadget, x, y, width, height);
  if (IsContainer()) PlaceChild(0, 0, width, height);
}

void DlgCanvas::Finish(DlgContext&) {
  if (IsContainer()) host->CloseGadgetList(*this);
}

void DlgCanvas::ApplyText() {
  if (gadget != -1) Gad_SetText(gadget, text.value_or(u""));
  DlgElement::ApplyText();
}

// --- scroll area ---

namespace {
constexpr int kScrollBarRoom = 22;
}

void DlgScrollArea::CalcSize(int* width, int* height) {
  childWidth = childHeight = 0;
  if (DlgElement* child = Child()) child->GetSize(&childWidth, &childHeight);
  *width = std::max(minWidth, 0);
  *height = std::max(minHeight, 0);
  if (scrolling == kVertical)
    *width = std::max(minWidth, DlgClamp(std::int64_t{childWidth} + left + right + kScrollBarRoom));
  else if (scrolling == kHorizontal)
    *height =
        std::max(minHeight, DlgClamp(std::int64_t{childHeight} + top + bottom + kScrollBarRoom));
}

void DlgScrollArea::Resize(int x, int y, int width, int height) {
  Gad_Resize(gadget, x, y, width, height);
  using Wide = std::int64_t;
  const Wide innerW = scrolling == kVertical
                          ? Wide{width} - kScrollBarRoom
                          : std::max<Wide>(innerWidth, Wide{childWidth} + left + right);
  const Wide innerH = scrolling == kHorizontal
                          ? Wide{height} - kScrollBarRoom
                          : std::max<Wide>(innerHeight, Wide{childHeight} + top + bottom);
  const DlgRect placed = PlaceChild(0, 0, DlgClamp(innerW), DlgClamp(innerH));
  if (innerWidth == -1 || innerHeight == -1) {
    host->SetScrollAreaInnerSize(
        gadget,
        innerWidth == -1 ? DlgClamp(std::int64_t{left} + placed.width + right)
                         : static_cast<int>(KX_Unchanged),
        innerHeight == -1 ? DlgClamp(std::int64_t{top} + placed.height + bottom)
                          : static_cast<int>(KX_Unchanged));
  }
}

void DlgScrollArea::Finish(DlgContext&) { host->CloseGadgetList(*this); }

// --- window ---

void DlgWindow::CalcSize(int* width, int* height) {
  DlgOneChild::CalcSize(width, height);
  const bool anyBound = minWidthBound != kBoundUnset || minHeightBound != kBoundUnset ||
                        maxWidthBound != kBoundUnset || maxHeightBound != kBoundUnset;
  if (!anyBound) return;
  // Explicit minimums raise the required size first; "AUTO" then means
  // that (raised) size.
  if (minWidthBound >= 0) *width = std::max<int>(*width, minWidthBound);
  if (minHeightBound >= 0) *height = std::max<int>(*height, minHeightBound);
  auto resolve = [](std::int16_t bound, int required) {
    return bound == kBoundUnset ? -1 : bound == kBoundAuto ? required : bound;
  };
  host->SetWindowBounds(*this, resolve(minWidthBound, *width), resolve(minHeightBound, *height),
                        resolve(maxWidthBound, *width), resolve(maxHeightBound, *height));
}

void DlgWindow::Destroy() {
  host->ForgetWindow(*this);
  DlgOneChild::Destroy();
}

void DlgWindow::Resize(int x, int y, int width, int height) {
  if (DlgElement* child = Child())
    child->Resize(DlgClamp(std::int64_t{x} + left), DlgClamp(std::int64_t{y} + top),
                  DlgClamp(std::int64_t{width} - left - right),
                  DlgClamp(std::int64_t{height} - top - bottom));
}
