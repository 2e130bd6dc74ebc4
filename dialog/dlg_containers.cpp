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
  *width = left + right + extraWidth + childWidth;
  *height = top + bottom + extraHeight + childHeight;
  RaiseToMinimum(width, height);
}

namespace {

// One direction of the placement rule: the child's length and its offset
// inside the available length.
void PlaceAxis(int required, int available, bool stretch, int limit, std::uint8_t align,
               int* length, int* offset) {
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
  x += left;
  y += top;
  width -= left + right;
  height -= top + bottom;
  DlgRect placed;
  int dx = 0, dy = 0;
  PlaceAxis(childWidth, width, expandWidth, expandWidthLimit, halign, &placed.width, &dx);
  PlaceAxis(childHeight, height, expandHeight, expandHeightLimit, valign, &placed.height, &dy);
  placed.x = x + dx;
  placed.y = y + dy;
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
  PlaceChild(extraWidth / 2, extraHeight / 2, width - extraWidth, height - extraHeight);
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
  PlaceChild(x + 4, y + caption, width - 8, height - caption - 4);
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
    *width = std::max(minWidth, childWidth + left + right + kScrollBarRoom);
  else if (scrolling == kHorizontal)
    *height = std::max(minHeight, childHeight + top + bottom + kScrollBarRoom);
}

void DlgScrollArea::Resize(int x, int y, int width, int height) {
  Gad_Resize(gadget, x, y, width, height);
  const int inner_w = scrolling == kVertical ? width - kScrollBarRoom
                                             : std::max(innerWidth, childWidth + left + right);
  const int inner_h = scrolling == kHorizontal ? height - kScrollBarRoom
                                               : std::max(innerHeight, childHeight + top + bottom);
  const DlgRect placed = PlaceChild(0, 0, inner_w, inner_h);
  if (innerWidth == -1 || innerHeight == -1) {
    host->SetScrollAreaInnerSize(
        gadget, innerWidth == -1 ? left + placed.width + right : static_cast<int>(KX_Unchanged),
        innerHeight == -1 ? top + placed.height + bottom : static_cast<int>(KX_Unchanged));
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

void DlgWindow::Resize(int x, int y, int width, int height) {
  if (DlgElement* child = Child())
    child->Resize(x + left, y + top, width - left - right, height - top - bottom);
}
