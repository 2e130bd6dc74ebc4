// Containers of many children: hbox/vbox, multibox, panel.
#include <algorithm>
#include <cstdint>

#include "dialog/dlg_build.h"
#include "dialog/dlg_element.h"
#include "runtime/system/gadget.h"

bool DlgBox::AddChild(std::unique_ptr<DlgElement> child, const XmlNode*) { return Append(child); }

void DlgBox::CalcSize(int* width, int* height) {
  std::int64_t total = 0;
  int cross = 0, largest = 0;
  foldedCount = 0;
  for (std::size_t i = 0; i < children_.size(); ++i) {
    int w = 0, h = 0;
    children_[i]->GetSize(&w, &h);
    const int length = Horizontal() ? w : h;
    lengths[i] = length;
    total += length;
    cross = std::max(cross, Horizontal() ? h : w);
    largest = std::max(largest, length);
    if (children_[i]->folded) ++foldedCount;
  }
  const int visible = static_cast<int>(children_.size()) - foldedCount;
  if (expand == DlgExpand::Equal) total = static_cast<std::int64_t>(largest) * visible;
  total += std::max<std::int64_t>(0, static_cast<std::int64_t>(spacing) * (visible - 1));
  mainLength = DlgClamp(total);
  *width = Horizontal() ? mainLength : cross;
  *height = Horizontal() ? cross : mainLength;
  RaiseToMinimum(width, height);
}

void DlgBox::Resize(int x, int y, int width, int height) {
  const int visible = static_cast<int>(children_.size()) - foldedCount;
  if (visible < 1) return;
  const std::int64_t available = Horizontal() ? width : height;
  const std::int64_t total = mainLength;
  std::int64_t position = Horizontal() ? x : y;
  const bool squeezed = expand != DlgExpand::Equal && available > 0 && available < total;
  const std::int64_t extra = available - total;
  if (!squeezed && expand == DlgExpand::No) {
    if (align == kAlignCenter) position += extra / 2;
    if (align == kAlignEnd) position += extra;
  }
  for (std::size_t i = 0; i < children_.size(); ++i) {
    DlgElement& child = *children_[i];
    if (child.folded) continue;
    std::int64_t length = lengths[i];
    if (expand == DlgExpand::Equal) {
      length = (available - static_cast<std::int64_t>(visible - 1) * spacing) / visible;
    } else if (squeezed) {
      length = available * lengths[i] / total;
    } else if (expand == DlgExpand::Yes) {
      length = lengths[i] + extra / visible;
    } else if (expand == DlgExpand::Item) {
      if (static_cast<int>(i) == expandItem) length = lengths[i] + extra;
    }
    if (Horizontal())
      child.Resize(DlgClamp(position), y, DlgClamp(length), height);
    else
      child.Resize(x, DlgClamp(position), width, DlgClamp(length));
    position += length + spacing;
  }
}

bool DlgMultiBox::AddChild(std::unique_ptr<DlgElement> child, const XmlNode*) {
  return Append(child);
}

void DlgMultiBox::CalcSize(int* width, int* height) {
  *width = 0;
  *height = 0;
  for (auto& child : children_) {
    int w = 0, h = 0;
    child->GetSize(&w, &h);
    *width = std::max(*width, w);
    *height = std::max(*height, h);
  }
  RaiseToMinimum(width, height);
}

void DlgMultiBox::Resize(int x, int y, int width, int height) {
  for (auto& child : children_)
    if (!child->folded) child->Resize(x, y, width, height);
}

bool DlgPanel::AddChild(std::unique_ptr<DlgElement> child, const XmlNode*) { return Append(child); }

void DlgPanel::CalcSize(int* width, int* height) {
  *width = 0;
  *height = 0;
  for (auto& page : children_) {
    int w = 0, h = 0;
    page->GetSize(&w, &h);
    *width = std::max(*width, w);
    *height = std::max(*height, h);
  }
  *width = DlgClamp(std::int64_t{*width} + 4);
  *height = DlgClamp(std::int64_t{*height} + host->PanelTabHeight(gadget) + 2);
  RaiseToMinimum(width, height);
}

void DlgPanel::Resize(int x, int y, int width, int height) {
  Gad_Resize(gadget, x, y, width, height);
  int pageWidth = 0, pageHeight = 0;
  host->PanelPageSize(gadget, &pageWidth, &pageHeight);
  for (auto& page : children_) page->Resize(0, 0, pageWidth, pageHeight);
}

void DlgPanel::Finish(DlgContext& context) {
  if (!context.panels.empty() && context.panels.back() == this) context.panels.pop_back();
  host->CloseGadgetList(*this);
}
