#include "dialog/dlg_kinds.h"

#include "dialog/dlg_text.h"

namespace {

constexpr std::uint16_t kClicks = kEventLeftClick | kEventRightClick | kEventLeftDoubleClick |
                                  kEventRightDoubleClick | kEventDragStart;
constexpr std::uint16_t kExplorerEvents = kEventAny | kClicks | kEventChange;

// In DlgKind order. Flag runs index the table in dlg_flag_table.cpp.
constexpr DlgKindInfo kKinds[] = {
    {DlgKind::Window, u"window", 0, 12, 0, false, false},
    {DlgKind::VBox, u"vbox", 0, 0, 0, false, false},
    {DlgKind::HBox, u"hbox", 0, 0, 0, false, false},
    {DlgKind::GridBox, u"gridbox", 0, 0, 0, false, false},
    {DlgKind::MultiBox, u"multibox", 0, 0, 0, false, false},
    {DlgKind::SingleBox, u"singlebox", 0, 0, 0, false, false},
    {DlgKind::Empty, u"empty", 0, 0, 0, false, false},
    {DlgKind::Container, u"container", 31, 5, 0, false, false},
    {DlgKind::Frame, u"frame", 65, 3, 0, false, false},
    {DlgKind::Panel, u"panel", 0, 0, kEventAny | kEventChange, false, false},
    {DlgKind::Tab, u"tab", 0, 0, 0, false, false},
    {DlgKind::ScrollArea, u"scrollarea", 77, 5, 0, false, false},
    {DlgKind::Splitter, u"splitter", 83, 4, 0, false, false},
    {DlgKind::Canvas, u"canvas", 19, 5, kEventAny, true, true},
    {DlgKind::Button, u"button", 12, 5, kEventAny, true, true},
    {DlgKind::CheckBox, u"checkbox", 24, 3, kEventAny, true, true},
    {DlgKind::Option, u"option", 0, 0, kEventAny, true, true},
    {DlgKind::Text, u"text", 109, 3, kEventAny, true, true},
    {DlgKind::String, u"string", 87, 8, kEventAny | kEventChange | kEventFocus | kEventLostFocus,
     true, true},
    {DlgKind::Shortcut, u"shortcut", 0, 0, kEventAny, true, true},
    {DlgKind::Image, u"image", 102, 2, kEventAny | kClicks, true, false},
    {DlgKind::ButtonImage, u"buttonimage", 17, 1, kEventAny, true, false},
    {DlgKind::ListView, u"listview", 68, 2, kEventAny | kEventLeftClick | kEventLeftDoubleClick,
     false, false},
    {DlgKind::ListIcon, u"listicon", 70, 7, kEventAny | kClicks | kEventChange, false, false},
    {DlgKind::Tree, u"tree", 97, 5, kEventAny | kClicks | kEventChange, false, false},
    {DlgKind::ComboBox, u"combobox", 27, 4,
     kEventAny | kEventChange | kEventFocus | kEventLostFocus, true, false},
    {DlgKind::Calendar, u"calendar", 18, 1, kEventAny, true, false},
    {DlgKind::Date, u"date", 36, 2, kEventAny | kEventChange, true, true},
    {DlgKind::ExplorerCombo, u"explorercombo", 38, 3, kEventAny, true, true},
    {DlgKind::ExplorerList, u"explorerlist", 41, 14, kExplorerEvents, false, true},
    {DlgKind::ExplorerTree, u"explorertree", 55, 8, kExplorerEvents, false, true},
    {DlgKind::Editor, u"editor", 63, 2, kEventAny, false, true},
    {DlgKind::HyperLink, u"hyperlink", 108, 1, kEventAny, true, true},
    {DlgKind::IpAddress, u"ipaddress", 0, 0, kEventAny, true, false},
    {DlgKind::Scintilla, u"scintilla", 0, 0, kEventAny, false, true},
    {DlgKind::ScrollBar, u"scrollbar", 82, 1, kEventAny, false, true},
    {DlgKind::ProgressBar, u"progressbar", 104, 2, kEventAny, false, true},
    {DlgKind::TrackBar, u"trackbar", 106, 2, kEventAny, false, true},
    {DlgKind::Spin, u"spin", 95, 2, kEventAny | kEventChange, true, false},
    {DlgKind::Web, u"web", 0, 0, kEventAny, false, false},
};
static_assert(sizeof kKinds / sizeof kKinds[0] == kDlgKindCount);

constexpr DlgEventAttribute kEvents[] = {
    {u"ONEVENT", kEventAny, -1},
    {u"ONLEFTCLICK", kEventLeftClick, 0},
    {u"ONRIGHTCLICK", kEventRightClick, 1},
    {u"ONLEFTDOUBLECLICK", kEventLeftDoubleClick, 2},
    {u"ONRIGHTDOUBLECLICK", kEventRightDoubleClick, 3},
    {u"ONCHANGE", kEventChange, 768},
    {u"ONFOCUS", kEventFocus, 14000},
    {u"ONLOSTFOCUS", kEventLostFocus, 14001},
    {u"ONDRAGSTART", kEventDragStart, 14002},
};

}  // namespace

const DlgKindInfo& DlgKindInfoOf(DlgKind kind) { return kKinds[static_cast<int>(kind)]; }

bool DlgKindFromName(std::u16string_view name, DlgKind* kind) {
  for (const DlgKindInfo& info : kKinds) {
    if (EqualsNoCase(info.name, name)) {
      *kind = info.kind;
      return true;
    }
  }
  return false;
}

bool DlgFamilyFlag(DlgKind kind, std::u16string_view name, std::int64_t* value) {
  const DlgKindInfo& info = DlgKindInfoOf(kind);
  std::size_t count = 0;
  const DlgFlagConstant* table = DlgFlagTable(&count);
  for (std::size_t i = info.flagFirst; i < info.flagFirst + info.flagCount && i < count; ++i) {
    if (EqualsNoCase(table[i].name, name)) {
      *value = table[i].value;
      return true;
    }
  }
  return false;
}

const DlgEventAttribute* DlgEventFromName(std::u16string_view name) {
  for (const DlgEventAttribute& event : kEvents)
    if (EqualsNoCase(event.name, name)) return &event;
  return nullptr;
}
