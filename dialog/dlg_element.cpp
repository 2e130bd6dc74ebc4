// The operations every element shares, plain gadgets and the spacer.
#include "dialog/dlg_element.h"

#include <algorithm>

#include "dialog/dlg_build.h"
#include "dialog/dlg_text.h"
#include "runtime/system/gadget.h"

void DlgElement::GetSize(int* width, int* height) {
  if (folded) {
    *width = 0;
    *height = 0;
    return;
  }
  CalcSize(width, height);
  if (minWidth == -1) *width = 0;
  if (minHeight == -1) *height = 0;
}

void DlgElement::RaiseToMinimum(int* width, int* height) const {
  *width = std::max(*width, minWidth);
  *height = std::max(*height, minHeight);
}

bool DlgElement::Append(std::unique_ptr<DlgElement>& child) {
  if (children_.size() >= kDlgMaxChildren) return false;
  child->parent = this;
  children_.push_back(std::move(child));
  return true;
}

bool DlgElement::AddChild(std::unique_ptr<DlgElement> child, const XmlNode*) {
  // Elements that hold nothing keep nothing.
  DlgDestroy(std::move(child));
  return true;
}

void DlgElement::SetHidden(bool hidden) {
  if (!hidden && folded) return;
  if (gadget != -1) Gad_Hide(gadget, hidden);
  for (auto& child : children_) child->SetHidden(hidden);
}

DlgElement* DlgElement::FindByName(std::u16string_view wanted) {
  if (name && EqualsNoCase(*name, wanted)) return this;
  for (auto& child : children_)
    if (DlgElement* found = child->FindByName(wanted)) return found;
  return nullptr;
}

void DlgElement::Finish(DlgContext&) {}

void DlgElement::ApplyText() {
  for (auto& child : children_) child->ApplyText();
}

void DlgElement::Destroy() {
  for (auto& child : children_) DlgDestroy(std::move(child));
  children_.clear();
  name.reset();
  text.reset();
}

void DlgDestroy(std::unique_ptr<DlgElement> element) {
  if (element) element->Destroy();
}

// --- plain gadgets ---

void DlgGadget::CalcSize(int* width, int* height) {
  const int fixedWidth = std::max(minWidth, 0), fixedHeight = std::max(minHeight, 0);
  if (DlgKindInfoOf(kind).naturalSize) {
    int w = 0, h = 0;
    Gad_RequiredSize(gadget, &w, &h);
    requiredHeight = h;
    *width = w;
    *height = h;
    RaiseToMinimum(width, height);
    return;
  }
  requiredHeight = 0;
  *width = fixedWidth;
  *height = fixedHeight;
  if (kind == DlgKind::ListView) {
    // Whole rows only: round the height up to the next row.
    const auto row = Gad_GetAttribute(gadget, kGadgetRowHeight);
    const int border = 2 * host->EdgeHeight();
    if (row >= 1) {
      const std::int64_t rows = (*height - border) / row;
      if (border + row * rows < *height)
        *height = static_cast<int>(std::min<std::int64_t>(border + row * (rows + 1), INT32_MAX));
    }
  }
}

void DlgGadget::Resize(int x, int y, int width, int height) {
  if ((kind == DlgKind::Text || kind == DlgKind::HyperLink) && !(flags & kTextBorder)) {
    // Text sits 2 pixels lower when the row has room for it.
    const int needed = std::max(minHeight, requiredHeight);
    if (std::int64_t{height} - 2 >= needed) {
      y += 2;
      height -= 2;
    }
  }
  Gad_Resize(gadget, x, y, width, height);
}

void DlgGadget::ApplyText() {
  if (gadget != -1 && appliesText) Gad_SetText(gadget, text.value_or(u""));
}

void DlgEmpty::CalcSize(int* width, int* height) {
  *width = 0;
  *height = 0;
  RaiseToMinimum(width, height);
}

std::unique_ptr<DlgElement> DlgNewElement(DlgKind kind, DlgHost* host) {
  switch (kind) {
    case DlgKind::Window:
      return std::make_unique<DlgWindow>(host);
    case DlgKind::VBox:
    case DlgKind::HBox:
      return std::make_unique<DlgBox>(kind, host);
    case DlgKind::GridBox:
      return std::make_unique<DlgGrid>(kind, host);
    case DlgKind::MultiBox:
      return std::make_unique<DlgMultiBox>(kind, host);
    case DlgKind::SingleBox:
      return std::make_unique<DlgSingleBox>(host);
    case DlgKind::Empty:
      return std::make_unique<DlgEmpty>(kind, host);
    case DlgKind::Container:
      return std::make_unique<DlgContainer>(host);
    case DlgKind::Frame:
      return std::make_unique<DlgFrame>(host);
    case DlgKind::Panel:
      return std::make_unique<DlgPanel>(kind, host);
    case DlgKind::Tab:
      return std::make_unique<DlgTab>(host);
    case DlgKind::ScrollArea:
      return std::make_unique<DlgScrollArea>(host);
    case DlgKind::Splitter:
      return std::make_unique<DlgSplitter>(kind, host);
    case DlgKind::Canvas:
      return std::make_unique<DlgCanvas>(host);
    default:
      return std::make_unique<DlgGadget>(kind, host);
  }
}
