// The vocabulary of the dialog description: element kinds, their flag
// constants and the event attributes they accept.
#pragma once

#include <cstdint>
#include <string_view>

enum class DlgKind : std::uint8_t {
  Window,
  VBox,
  HBox,
  GridBox,
  MultiBox,
  SingleBox,
  Empty,
  Container,
  Frame,
  Panel,
  Tab,
  ScrollArea,
  Splitter,
  Canvas,
  // Plain gadgets from here on.
  Button,
  CheckBox,
  Option,
  Text,
  String,
  Shortcut,
  Image,
  ButtonImage,
  ListView,
  ListIcon,
  Tree,
  ComboBox,
  Calendar,
  Date,
  ExplorerCombo,
  ExplorerList,
  ExplorerTree,
  Editor,
  HyperLink,
  IpAddress,
  Scintilla,
  ScrollBar,
  ProgressBar,
  TrackBar,
  Spin,
  Web,
};

inline constexpr int kDlgKindCount = static_cast<int>(DlgKind::Web) + 1;

inline bool DlgIsPlainGadget(DlgKind kind) { return kind >= DlgKind::Button; }

// Event attribute bits, one per attribute of the event table.
enum DlgEventBits : std::uint16_t {
  kEventAny = 1 << 0,
  kEventLeftClick = 1 << 1,
  kEventRightClick = 1 << 2,
  kEventLeftDoubleClick = 1 << 3,
  kEventRightDoubleClick = 1 << 4,
  kEventChange = 1 << 5,
  kEventFocus = 1 << 6,
  kEventLostFocus = 1 << 7,
  kEventDragStart = 1 << 8,
};

struct DlgKindInfo {
  DlgKind kind;
  std::u16string_view name;  // element name, lower case
  // The kind's run in the flag table (count 0: no family).
  std::uint16_t flagFirst;
  std::uint16_t flagCount;
  std::uint16_t events;  // accepted event attributes
  bool naturalSize;      // asks the gadget for its required size
  bool appliesText;      // TEXT is (re)applied by ApplyText
};

const DlgKindInfo& DlgKindInfoOf(DlgKind kind);
// The kind an element name stands for (ignoring case); false when unknown.
bool DlgKindFromName(std::u16string_view name, DlgKind* kind);

struct DlgFlagConstant {
  std::u16string_view name;
  std::int64_t value;
};

// The whole static table; each family is a contiguous run of it.
const DlgFlagConstant* DlgFlagTable(std::size_t* count);
// Searches only the kind's own run; false when the name is not in it.
bool DlgFamilyFlag(DlgKind kind, std::u16string_view name, std::int64_t* value);

struct DlgEventAttribute {
  std::u16string_view name;  // upper case
  std::uint16_t bit;
  int subtype;
};

// The event attribute a name stands for (ignoring case), or nullptr.
const DlgEventAttribute* DlgEventFromName(std::u16string_view name);

inline constexpr std::uint32_t kWindowScreenCentered = 0x1;
inline constexpr std::uint32_t kWindowWindowCentered = 0x2;
inline constexpr std::uint32_t kWindowInvisible = 0x10000000;
inline constexpr std::uint32_t kCanvasContainer = 0x20;
inline constexpr std::uint32_t kContainerFlat = 0x1;
inline constexpr std::uint32_t kSplitterVertical = 0x1;
inline constexpr std::uint32_t kSplitterSeparator = 0x2;
inline constexpr std::uint32_t kTextBorder = 0x20000;
