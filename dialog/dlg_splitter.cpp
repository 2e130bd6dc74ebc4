// The splitter: two children in two containers that the splitter gadget
// sizes itself; each child follows its container's size.
#include <algorithm>

#include "dialog/dlg_build.h"
#include "dialog/dlg_element.h"
#include "runtime/system/gadget.h"

bool DlgSplitter::AddChild(std::unique_ptr<DlgElement> child, const XmlNode*) {
  if (children_.size() >= 2) {
    DlgDestroy(std::move(child));  // a third child has no container
    return true;
  }
  return Append(child);
}

void DlgSplitter::CalcSize(int* width, int* height) {
  const bool vertical = (flags & kSplitterVertical) != 0;
  int w[2] = {0, 0}, h[2] = {0, 0};
  for (std::size_t i = 0; i < children_.size() && i < 2; ++i) children_[i]->GetSize(&w[i], &h[i]);
  const bool automatic[2] = {firstAuto, secondAuto};
  for (int side = 0; side < 2; ++side)
    if (automatic[side]) host->SetSplitterMinimum(gadget, side, vertical ? w[side] : h[side]);
  const int bar = (flags & kSplitterSeparator) ? 7 : 4;
  if (vertical) {
    *width = DlgClamp(std::int64_t{bar} + w[0] + w[1]);
    *height = std::max(h[0], h[1]);
  } else {
    *width = std::max(w[0], w[1]);
    *height = DlgClamp(std::int64_t{bar} + h[0] + h[1]);
  }
  RaiseToMinimum(width, height);
}

void DlgSplitter::Resize(int x, int y, int width, int height) {
  Gad_Resize(gadget, x, y, width, height);
}

void DlgSplitter::OnContainerResized(int side, int width, int height) {
  if (side >= 0 && side < static_cast<int>(children_.size()))
    children_[static_cast<std::size_t>(side)]->Resize(0, 0, width, height);
}
