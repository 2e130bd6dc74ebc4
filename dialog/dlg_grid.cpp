// The grid box: children fill a cell table row by row, with column and row
// spans; columns and rows share out room by their expand modes.
#include <algorithm>
#include <cstdint>

#include "dialog/dlg_build.h"
#include "dialog/dlg_element.h"
#include "dialog/dlg_text.h"
#include "dialog/xml.h"

namespace {

int Span(const XmlNode* node, std::u16string_view attribute, int limit) {
  std::int64_t span = 1;
  if (node)
    if (const std::u16string* value = Xml_Attribute(*node, attribute)) span = ParseInteger(*value);
  return static_cast<int>(std::clamp<std::int64_t>(span, 1, limit));
}

// Adds a spanning child's shortfall to the lengths it spans.
void ShareShortfall(int* lengths, int first, int span, int spacing, int needed, DlgExpand mode,
                    int item) {
  std::int64_t sum = std::int64_t{span - 1} * spacing;
  for (int i = first; i < first + span; ++i) sum += lengths[i];
  if (sum >= needed) return;
  const std::int64_t shortfall = needed - sum;
  const int last = first + span - 1;
  auto grow = [&](int i, std::int64_t by) { lengths[i] = DlgClamp(lengths[i] + by); };
  switch (mode) {
    case DlgExpand::Equal: {
      const int each = DlgClamp((needed - std::int64_t{span - 1} * spacing) / span);
      for (int i = first; i <= last; ++i) lengths[i] = std::max(lengths[i], each);
      break;
    }
    case DlgExpand::Yes:
      for (int i = first; i <= last; ++i) grow(i, shortfall / span);
      break;
    case DlgExpand::Item:
      grow(item >= first && item <= last ? item : last, shortfall);
      break;
    case DlgExpand::No:
      grow(last, shortfall);
      break;
  }
}

// The lengths of `count` columns (or rows) given `available` room.
void Distribute(const int* required, int count, std::int64_t total, int spacing,
                std::int64_t available, DlgExpand mode, int item, int* out) {
  if (count < 1) return;
  if (mode == DlgExpand::Equal) {
    for (int i = 0; i < count; ++i)
      out[i] = DlgClamp((available - std::int64_t{count - 1} * spacing) / count);
    return;
  }
  if (available > 0 && available < total) {
    for (int i = 0; i < count; ++i) out[i] = DlgClamp(available * required[i] / total);
    return;
  }
  const std::int64_t extra = available - total;
  for (int i = 0; i < count; ++i) out[i] = required[i];
  if (mode == DlgExpand::Yes)
    for (int i = 0; i < count; ++i) out[i] = DlgClamp(out[i] + extra / count);
  else if (mode == DlgExpand::Item && item >= 0 && item < count)
    out[item] = DlgClamp(out[item] + extra);
}

}  // namespace

bool DlgGrid::AddChild(std::unique_ptr<DlgElement> child, const XmlNode* node) {
  const int cellCount = columns * kDlgGridMaxRows;
  int index = nextCell;
  while (index < cellCount && cells[index / columns][index % columns].state != Cell::kEmpty)
    ++index;
  if (index >= cellCount) {
    DlgDestroy(std::move(child));
    return false;
  }
  const int row = index / columns, column = index % columns;
  const int colSpan = std::min(Span(node, u"COLSPAN", kDlgGridMaxColumns), columns - column);
  const int rowSpan = std::min(Span(node, u"ROWSPAN", kDlgGridMaxRows), kDlgGridMaxRows - row);
  for (int r = row; r < row + rowSpan; ++r)
    for (int c = column; c < column + colSpan; ++c)
      if (cells[r][c].state == Cell::kEmpty) cells[r][c].state = Cell::kCovered;
  Cell& cell = cells[row][column];
  cell.state = Cell::kChild;
  cell.colSpan = static_cast<std::uint8_t>(colSpan);
  cell.rowSpan = static_cast<std::uint8_t>(rowSpan);
  cell.child = child.get();
  nextCell = index + colSpan;
  child->parent = this;
  children_.push_back(std::move(child));
  CountRows();
  return true;
}

void DlgGrid::CountRows() {
  rows = 0;
  while (rows < kDlgGridMaxRows) {
    bool empty = true;
    for (int c = 0; c < columns; ++c) empty = empty && cells[rows][c].state == Cell::kEmpty;
    if (empty) break;
    ++rows;
  }
}

void DlgGrid::Finish(DlgContext&) { CountRows(); }

void DlgGrid::CalcSize(int* width, int* height) {
  colWidths.fill(0);
  rowHeights.fill(0);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      Cell& cell = cells[r][c];
      if (cell.state != Cell::kChild) continue;
      cell.child->GetSize(&cell.width, &cell.height);
      if (cell.colSpan == 1) colWidths[c] = std::max(colWidths[c], cell.width);
      if (cell.rowSpan == 1) rowHeights[r] = std::max(rowHeights[r], cell.height);
    }
  }
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const Cell& cell = cells[r][c];
      if (cell.state != Cell::kChild) continue;
      if (cell.colSpan > 1)
        ShareShortfall(colWidths.data(), c, cell.colSpan, colSpacing, cell.width, colExpand,
                       colItem);
      if (cell.rowSpan > 1)
        ShareShortfall(rowHeights.data(), r, std::min<int>(cell.rowSpan, rows - r), rowSpacing,
                       cell.height, rowExpand, rowItem);
    }
  }
  std::int64_t w = std::int64_t{columns - 1} * colSpacing;
  for (int c = 0; c < columns; ++c) w += colWidths[c];
  // An empty grid is 0 high, not minus one spacing.
  std::int64_t h = rows > 0 ? std::int64_t{rows - 1} * rowSpacing : 0;
  for (int r = 0; r < rows; ++r) h += rowHeights[r];
  totalWidth = DlgClamp(w);
  totalHeight = DlgClamp(h);
  *width = totalWidth;
  *height = totalHeight;
  RaiseToMinimum(width, height);
}

void DlgGrid::Resize(int x, int y, int width, int height) {
  int widths[kDlgGridMaxColumns] = {}, heights[kDlgGridMaxRows] = {};
  Distribute(colWidths.data(), columns, totalWidth, colSpacing, width, colExpand, colItem, widths);
  Distribute(rowHeights.data(), rows, totalHeight, rowSpacing, height, rowExpand, rowItem, heights);
  std::int64_t top = y;
  for (int r = 0; r < rows; ++r) {
    std::int64_t leftEdge = x;
    for (int c = 0; c < columns; ++c) {
      const Cell& cell = cells[r][c];
      if (cell.state == Cell::kChild && !cell.child->folded) {
        std::int64_t w = std::int64_t{cell.colSpan - 1} * colSpacing;
        for (int i = c; i < c + cell.colSpan; ++i) w += widths[i];
        const int rowSpan = std::min<int>(cell.rowSpan, rows - r);
        std::int64_t h = std::int64_t{rowSpan - 1} * rowSpacing;
        for (int i = r; i < r + rowSpan; ++i) h += heights[i];
        cell.child->Resize(DlgClamp(leftEdge), DlgClamp(top), DlgClamp(w), DlgClamp(h));
      }
      leftEdge += std::int64_t{widths[c]} + colSpacing;
    }
    top += std::int64_t{heights[r]} + rowSpacing;
  }
}
