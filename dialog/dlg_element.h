// Element objects: one per recognised element of a dialog description. Each
// can say how much room it needs (GetSize/CalcSize) and place itself and its
// children in a rectangle (Resize). Gadgets are reached only through the
// common gadget layer; everything else a gadget or window must do goes
// through the tree's DlgHost.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialog/dlg_host.h"
#include "dialog/dlg_kinds.h"
#include "runtime/data/handle.h"

struct XmlNode;
class DlgContext;

// Sizes are summed in 64 bits and brought back into 32 with this, so that
// absurd values in a description saturate instead of overflowing.
inline int DlgClamp(std::int64_t value) {
  return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<int>(value);
}

// Fixed sizes of the layout tables.
inline constexpr int kDlgMaxChildren = 100;
inline constexpr int kDlgGridMaxColumns = 15;
inline constexpr int kDlgGridMaxRows = 70;

class DlgElement {
 public:
  DlgElement(DlgKind kind, DlgHost* host) : kind(kind), host(host) {}
  virtual ~DlgElement() = default;
  DlgElement(const DlgElement&) = delete;
  DlgElement& operator=(const DlgElement&) = delete;

  // --- the virtual operations, in slot order ---
  // (0, 0) when folded; otherwise CalcSize with WIDTH/HEIGHT -1 reported as 0.
  virtual void GetSize(int* width, int* height);
  // The required size, at least WIDTH x HEIGHT.
  virtual void CalcSize(int* width, int* height) = 0;
  // Places the gadget (if any) and the children in the rectangle, given in
  // the coordinates of the enclosing gadget or window.
  virtual void Resize(int x, int y, int width, int height) = 0;
  // Takes ownership of a child (`node` is its XML element). False when the
  // element cannot hold it (it is then destroyed).
  virtual bool AddChild(std::unique_ptr<DlgElement> child, const XmlNode* node);
  // Hides or shows the gadgets; showing skips folded elements.
  virtual void SetHidden(bool hidden);
  // This element when its name equals `name` ignoring case, else the first
  // match among the children in order; nullptr when none.
  virtual DlgElement* FindByName(std::u16string_view name);
  // Once, after all children are attached.
  virtual void Finish(DlgContext& context);
  // Sets each gadget's text again from TEXT, recursively.
  virtual void ApplyText();
  // Destroys the children, then releases the name and the text. The memory
  // goes with the owning pointer.
  virtual void Destroy();

  // --- construction ---
  // Reads the kind's own attributes (after the common ones).
  virtual void ReadOwnAttributes(const XmlNode& node, DlgContext& context);

  // The children in document order (containers only).
  const std::vector<std::unique_ptr<DlgElement>>& Children() const { return children_; }

  DlgKind kind;
  DlgHost* host;
  DlgElement* parent = nullptr;
  ObjectHandle gadget = -1;       // -1: no gadget
  ObjectHandle requestedId = -1;  // from ID; -1 for a dynamic number
  std::uint32_t flags = 0;
  bool folded = false;
  bool disabled = false;   // DISABLED "yes"
  bool invisible = false;  // INVISIBLE "yes"
  int minWidth = 0;        // WIDTH; -1 reports zero width
  int minHeight = 0;       // HEIGHT; -1 reports zero height
  std::optional<std::u16string> name;
  std::optional<std::u16string> text;

  // Options with a GROUP among the children, made when this element is
  // finished so that each group becomes one radio group.
  struct DeferredOption {
    DlgElement* element;
    std::int64_t group;
    const XmlNode* node;
  };
  std::vector<DeferredOption> deferredOptions;

 protected:
  // Raises a required size to WIDTH x HEIGHT.
  void RaiseToMinimum(int* width, int* height) const;
  // Appends a child (up to kDlgMaxChildren).
  bool Append(std::unique_ptr<DlgElement>& child);

  std::vector<std::unique_ptr<DlgElement>> children_;
};

// Destroys an element tree through its Destroy operation.
void DlgDestroy(std::unique_ptr<DlgElement> element);

// --- plain gadgets ---

class DlgGadget : public DlgElement {
 public:
  using DlgElement::DlgElement;
  void CalcSize(int* width, int* height) override;
  void Resize(int x, int y, int width, int height) override;
  void ApplyText() override;
  void ReadOwnAttributes(const XmlNode& node, DlgContext& context) override;

  bool appliesText = true;  // TEXT is (re)applied by ApplyText
  int requiredHeight = 0;   // the gadget's own height at the last CalcSize
  // Value gadgets (scrollbar, progressbar, trackbar, spin).
  std::int64_t minimum = 0, maximum = 100, page = 10, value = 0;
  std::int64_t color = 0xFF0000;      // hyperlink, 0xBBGGRR
  std::optional<std::int64_t> group;  // option
};

class DlgEmpty : public DlgElement {
 public:
  using DlgElement::DlgElement;
  void CalcSize(int* width, int* height) override;
  void Resize(int, int, int, int) override {}
};

// --- many-children containers ---

enum class DlgExpand : std::uint8_t { Yes = 1, No = 2, Equal = 3, Item = 4 };
enum DlgAlign : std::uint8_t { kAlignUnset = 0, kAlignStart = 1, kAlignCenter = 2, kAlignEnd = 3 };

class DlgBox : public DlgElement {
 public:
  using DlgElement::DlgElement;
  void CalcSize(int* width, int* height) override;
  void Resize(int x, int y, int width, int height) override;
  bool AddChild(std::unique_ptr<DlgElement> child, const XmlNode* node) override;
  void ReadOwnAttributes(const XmlNode& node, DlgContext& context) override;

  bool Horizontal() const { return kind == DlgKind::HBox; }

  int spacing = 5;
  DlgExpand expand = DlgExpand::Yes;
  int expandItem = 0;  // 0-based
  std::uint8_t align = kAlignStart;
  int mainLength = 0;  // T: the required main length
  int foldedCount = 0;
  std::array<int, kDlgMaxChildren> lengths{};  // per-child main lengths
};

class DlgMultiBox : public DlgElement {
 public:
  using DlgElement::DlgElement;
  void CalcSize(int* width, int* height) override;
  void Resize(int x, int y, int width, int height) override;
  bool AddChild(std::unique_ptr<DlgElement> child, const XmlNode* node) override;
};

class DlgPanel : public DlgElement {
 public:
  using DlgElement::DlgElement;
  void CalcSize(int* width, int* height) override;
  void Resize(int x, int y, int width, int height) override;
  bool AddChild(std::unique_ptr<DlgElement> child, const XmlNode* node) override;
  void Finish(DlgContext& context) override;

  int pagesAdded = 0;
};

// --- one-child containers ---

struct DlgRect {
  int x = 0, y = 0, width = 0, height = 0;
};

class DlgOneChild : public DlgElement {
 public:
  DlgOneChild(DlgKind kind, DlgHost* host, int defaultMargin)
      : DlgElement(kind, host),
        top(defaultMargin),
        bottom(defaultMargin),
        left(defaultMargin),
        right(defaultMargin) {}
  void CalcSize(int* width, int* height) override;
  bool AddChild(std::unique_ptr<DlgElement> child, const XmlNode* node) override;
  void ReadOwnAttributes(const XmlNode& node, DlgContext& context) override;

  DlgElement* Child() const { return children_.empty() ? nullptr : children_[0].get(); }
  // Places the child inside (x, y, width, height) less the margins, by the
  // expand marks, limits and alignment; returns where it went.
  DlgRect PlaceChild(int x, int y, int width, int height);
  // What the kind adds around its child beside the margins.
  virtual void Extras(int* width, int* height) {
    *width = 0;
    *height = 0;
  }

  int top, bottom, left, right;
  bool expandWidth = true, expandHeight = true;
  int expandWidthLimit = 0, expandHeightLimit = 0;
  std::uint8_t valign = kAlignStart, halign = kAlignStart;
  int childWidth = 0, childHeight = 0;  // the child's last required size
};

class DlgSingleBox : public DlgOneChild {
 public:
  DlgSingleBox(DlgHost* host) : DlgOneChild(DlgKind::SingleBox, host, 10) {}
  void Resize(int x, int y, int width, int height) override;
};

class DlgContainer : public DlgOneChild {
 public:
  DlgContainer(DlgHost* host) : DlgOneChild(DlgKind::Container, host, 10) {}
  void Resize(int x, int y, int width, int height) override;
  void Finish(DlgContext& context) override;
  void Extras(int* width, int* height) override;
};

class DlgFrame : public DlgOneChild {
 public:
  DlgFrame(DlgHost* host) : DlgOneChild(DlgKind::Frame, host, 5) {}
  void Resize(int x, int y, int width, int height) override;
  void Extras(int* width, int* height) override;
  int CaptionHeight() const;
};

class DlgTab : public DlgOneChild {
 public:
  DlgTab(DlgHost* host) : DlgOneChild(DlgKind::Tab, host, 10) {}
  void Resize(int x, int y, int width, int height) override;
};

class DlgCanvas : public DlgOneChild {
 public:
  DlgCanvas(DlgHost* host) : DlgOneChild(DlgKind::Canvas, host, 10) {}
  void CalcSize(int* width, int* height) override;
  void Resize(int x, int y, int width, int height) override;
  void Finish(DlgContext& context) override;
  void ApplyText() override;
  bool IsContainer() const { return (flags & kCanvasContainer) != 0; }
};

class DlgScrollArea : public DlgOneChild {
 public:
  DlgScrollArea(DlgHost* host) : DlgOneChild(DlgKind::ScrollArea, host, 10) {}
  void CalcSize(int* width, int* height) override;
  void Resize(int x, int y, int width, int height) override;
  void Finish(DlgContext& context) override;
  void ReadOwnAttributes(const XmlNode& node, DlgContext& context) override;

  enum Scrolling : std::uint8_t { kBoth, kVertical, kHorizontal };
  Scrolling scrolling = kBoth;
  int innerWidth = -1, innerHeight = -1;  // -1: "AUTO"
  int step = 10;
};

// Window bounds: kBoundUnset when absent, kBoundAuto for "AUTO".
inline constexpr std::int16_t kBoundUnset = -2;
inline constexpr std::int16_t kBoundAuto = -1;

class DlgWindow : public DlgOneChild {
 public:
  DlgWindow(DlgHost* host) : DlgOneChild(DlgKind::Window, host, 8) {}
  void CalcSize(int* width, int* height) override;
  void Resize(int x, int y, int width, int height) override;
  void ReadOwnAttributes(const XmlNode& node, DlgContext& context) override;
  void Destroy() override;

  ObjectHandle window = 0;  // the window number
  std::uint32_t windowFlags = 0;
  std::int16_t minWidthBound = kBoundUnset, minHeightBound = kBoundUnset;
  std::int16_t maxWidthBound = kBoundUnset, maxHeightBound = kBoundUnset;
};

// --- splitter and grid ---

class DlgSplitter : public DlgElement {
 public:
  using DlgElement::DlgElement;
  void CalcSize(int* width, int* height) override;
  void Resize(int x, int y, int width, int height) override;
  bool AddChild(std::unique_ptr<DlgElement> child, const XmlNode* node) override;
  void ReadOwnAttributes(const XmlNode& node, DlgContext& context) override;
  // A container's size changed: its child fills it.
  void OnContainerResized(int side, int width, int height);

  int firstMin = 0, secondMin = 0;                 // fixed minimums
  bool firstAuto = false, secondAuto = false;      // "AUTO" / "REQUEST"
  std::array<ObjectHandle, 2> containers{-1, -1};  // filled by the host
};

class DlgGrid : public DlgElement {
 public:
  using DlgElement::DlgElement;
  void CalcSize(int* width, int* height) override;
  void Resize(int x, int y, int width, int height) override;
  bool AddChild(std::unique_ptr<DlgElement> child, const XmlNode* node) override;
  void Finish(DlgContext& context) override;
  void ReadOwnAttributes(const XmlNode& node, DlgContext& context) override;

  struct Cell {
    enum State : std::uint8_t { kEmpty, kCovered, kChild };
    State state = kEmpty;
    std::uint8_t colSpan = 1, rowSpan = 1;
    DlgElement* child = nullptr;
    int width = 0, height = 0;  // the child's size at the last CalcSize
  };

  int columns = 2;
  int rows = 0;  // used rows
  int nextCell = 0;
  std::array<std::array<Cell, kDlgGridMaxColumns>, kDlgGridMaxRows> cells{};
  int colSpacing = 5, rowSpacing = 5;
  DlgExpand colExpand = DlgExpand::Yes, rowExpand = DlgExpand::No;
  int colItem = 0, rowItem = 0;  // 0-based
  int totalWidth = 0, totalHeight = 0;
  std::array<int, kDlgGridMaxColumns> colWidths{};
  std::array<int, kDlgGridMaxRows> rowHeights{};

 private:
  void CountRows();
};

// Makes the element object for a kind (no attributes read yet).
std::unique_ptr<DlgElement> DlgNewElement(DlgKind kind, DlgHost* host);
