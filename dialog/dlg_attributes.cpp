// Reading attributes: the common ones of every element, each kind's own, and
// the value syntaxes (integer, constant-or-integer, yes, keywords, FLAGS).
#include <cstdio>
#include <limits>

#include "dialog/dlg_build.h"
#include "dialog/dlg_text.h"
#include "dialog/runtime_registry.h"
#include "dialog/xml.h"
#include "runtime/data/utf.h"

namespace {

int Clamp32(std::int64_t value) {
  constexpr std::int64_t lo = std::numeric_limits<int>::min();
  constexpr std::int64_t hi = std::numeric_limits<int>::max();
  return static_cast<int>(value < lo ? lo : value > hi ? hi : value);
}

int Integer(const std::u16string& value) { return Clamp32(ParseInteger(value)); }

// Calls fn(value) for every attribute named `name`, in document order.
template <class Fn>
void ForAttribute(const XmlNode& node, std::u16string_view name, Fn&& fn) {
  for (const auto& [key, value] : node.attributes)
    if (EqualsNoCase(key, name)) fn(value);
}

// "yes", "no", "equal", "item:N" (N from 1) and, for grid rows, "yes"
// versus a default of no. Only the first five characters take part.
DlgExpand ParseExpandMode(const std::u16string& value, DlgExpand fallback, int* item) {
  const std::u16string_view head = std::u16string_view(value).substr(0, 5);
  if (EqualsNoCase(head, u"NO")) return DlgExpand::No;
  if (EqualsNoCase(head, u"YES")) return DlgExpand::Yes;
  if (EqualsNoCase(head, u"EQUAL")) return DlgExpand::Equal;
  if (EqualsNoCase(head, u"ITEM:")) {
    *item = Clamp32(ParseInteger(std::u16string_view(value).substr(5)) - 1);
    return DlgExpand::Item;
  }
  return fallback;
}

// The number after `key` found anywhere in the value; false when absent.
bool KeyedNumber(const std::u16string& value, std::u16string_view key, int* number) {
  const std::size_t at = FindNoCase(value, key);
  if (at == std::u16string::npos) return false;
  *number = Integer(value.substr(at + key.size()));
  return true;
}

}  // namespace

void DlgContext::Fail(const char* format, const std::u16string& first,
                      const std::u16string& second) {
  if (failed_) return;
  failed_ = true;
  char buffer[512];
  const std::string a = Utf16ToUtf8(first), b = Utf16ToUtf8(second);
  int n = std::snprintf(buffer, sizeof buffer, format, a.c_str(), b.c_str());
  if (n < 0) n = 0;
  std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1);
  // A cut must not leave half a UTF-8 sequence behind.
  if (static_cast<std::size_t>(n) > length)
    while (length > 0 && (static_cast<unsigned char>(buffer[length]) & 0xC0) == 0x80) --length;
  error_.assign(buffer, length);
}

bool DlgIsYes(const std::u16string& value) { return EqualsNoCase(value, u"yes"); }

std::int64_t DlgConstantOrInteger(const std::u16string& value) {
  std::int64_t registered = 0;
  if (!value.empty() && Registry_Find(value, &registered)) return registered;
  return ParseInteger(value);
}

std::uint32_t DlgParseFlags(DlgKind kind, const std::u16string& value, DlgContext& context) {
  std::uint32_t flags = 0;
  std::size_t i = 0;
  const std::size_t n = value.size();
  while (i < n) {
    while (i < n && (value[i] == u' ' || value[i] == u'\t')) ++i;
    if (i >= n || value[i] != u'#') break;
    std::size_t end = value.find(u'|', i);
    if (end == std::u16string::npos) end = n;
    std::size_t last = end;
    while (last > i && (value[last - 1] == u' ' || value[last - 1] == u'\t')) --last;
    const std::u16string item = value.substr(i, last - i);  // with the "#"
    if (item.size() > 127) break;
    const std::u16string name = item.substr(1);
    std::int64_t bits = 0;
    // Registered constants carry their "#", as ID values do; a bare name is
    // accepted too.
    if (DlgFamilyFlag(kind, name, &bits) || Registry_Find(item, &bits) ||
        (!name.empty() && Registry_Find(name, &bits))) {
      flags |= static_cast<std::uint32_t>(bits);
    } else {
      context.Fail(kErrFlag, name, std::u16string(DlgKindInfoOf(kind).name));
      return flags;
    }
    i = end < n ? end + 1 : n;
  }
  return flags;
}

void DlgReadAttributes(DlgElement& element, const XmlNode& node, DlgContext& context) {
  for (const auto& [key, value] : node.attributes) {
    if (context.Failed()) return;
    if (EqualsNoCase(key, u"ID")) {
      if (EqualsNoCase(value, u"#KX_Any")) {
        element.requestedId = -1;
      } else if (!value.empty() && value[0] == u'#') {
        std::int64_t number = 0;
        if (Registry_Find(value, &number))
          element.requestedId = number;
        else
          context.Fail(kErrConstant, value, u"");
      } else {
        element.requestedId = DlgConstantOrInteger(value);
      }
    } else if (EqualsNoCase(key, u"NAME")) {
      element.name = value;
    } else if (EqualsNoCase(key, u"TEXT")) {
      element.text = value;
    } else if (EqualsNoCase(key, u"WIDTH")) {
      element.minWidth = Clamp32(DlgConstantOrInteger(value));
    } else if (EqualsNoCase(key, u"HEIGHT")) {
      element.minHeight = Clamp32(DlgConstantOrInteger(value));
    } else if (EqualsNoCase(key, u"FOLDED")) {
      element.folded = DlgIsYes(value);
    } else if (EqualsNoCase(key, u"FLAGS")) {
      element.flags |= DlgParseFlags(element.kind, value, context);
    } else if (EqualsNoCase(key, u"DISABLED")) {
      element.disabled = DlgIsYes(value);
    } else if (EqualsNoCase(key, u"INVISIBLE")) {
      element.invisible = DlgIsYes(value);
    }
  }
  if (!context.Failed()) element.ReadOwnAttributes(node, context);
}

void DlgElement::ReadOwnAttributes(const XmlNode&, DlgContext&) {}

void DlgGadget::ReadOwnAttributes(const XmlNode& node, DlgContext&) {
  appliesText = DlgKindInfoOf(kind).appliesText;
  switch (kind) {
    case DlgKind::ScrollBar:
    case DlgKind::ProgressBar:
    case DlgKind::TrackBar:
    case DlgKind::Spin: {
      minimum = 0;
      maximum = kind == DlgKind::TrackBar ? 10 : 100;
      page = 10;
      ForAttribute(node, u"MIN", [&](const auto& v) { minimum = DlgConstantOrInteger(v); });
      ForAttribute(node, u"MAX", [&](const auto& v) { maximum = DlgConstantOrInteger(v); });
      if (kind == DlgKind::ScrollBar)
        ForAttribute(node, u"PAGE", [&](const auto& v) { page = DlgConstantOrInteger(v); });
      value = minimum;
      ForAttribute(node, u"VALUE", [&](const auto& v) { value = DlgConstantOrInteger(v); });
      break;
    }
    case DlgKind::HyperLink:
      ForAttribute(node, u"COLOR", [&](const auto& v) { color = DlgConstantOrInteger(v); });
      break;
    case DlgKind::Option:
      ForAttribute(node, u"GROUP", [&](const auto& v) { group = DlgConstantOrInteger(v); });
      break;
    default:
      break;
  }
}

void DlgBox::ReadOwnAttributes(const XmlNode& node, DlgContext&) {
  align = kAlignStart;
  ForAttribute(node, u"SPACING", [&](const auto& v) { spacing = Integer(v); });
  ForAttribute(node, u"EXPAND",
               [&](const auto& v) { expand = ParseExpandMode(v, DlgExpand::Yes, &expandItem); });
  ForAttribute(node, u"ALIGN", [&](const auto& v) {
    if (EqualsNoCase(v, u"center"))
      align = kAlignCenter;
    else if (EqualsNoCase(v, u"bottom") || EqualsNoCase(v, u"right"))
      align = kAlignEnd;
    else
      align = kAlignStart;
  });
}

void DlgOneChild::ReadOwnAttributes(const XmlNode& node, DlgContext&) {
  ForAttribute(node, u"MARGIN", [&](const std::u16string& v) {
    if (v.find(u':') == std::u16string::npos) {
      top = bottom = left = right = Integer(v);
      return;
    }
    top = bottom = left = right = 0;
    KeyedNumber(v, u"TOP:", &top);
    KeyedNumber(v, u"BOTTOM:", &bottom);
    KeyedNumber(v, u"LEFT:", &left);
    KeyedNumber(v, u"RIGHT:", &right);
    int both = 0;
    if (KeyedNumber(v, u"VERTICAL:", &both)) top = bottom = both;
    if (KeyedNumber(v, u"HORIZONTAL:", &both)) left = right = both;
  });
  ForAttribute(node, u"EXPAND", [&](const auto& v) {
    if (EqualsNoCase(v, u"yes")) {
      expandWidth = expandHeight = true;
    } else if (EqualsNoCase(v, u"no")) {
      expandWidth = expandHeight = false;
    } else if (EqualsNoCase(v, u"vertical")) {
      expandWidth = false;
      expandHeight = true;
    } else if (EqualsNoCase(v, u"horizontal")) {
      expandWidth = true;
      expandHeight = false;
    }
  });
  ForAttribute(node, u"EXPANDWIDTH", [&](const auto& v) { expandWidthLimit = Integer(v); });
  ForAttribute(node, u"EXPANDHEIGHT", [&](const auto& v) { expandHeightLimit = Integer(v); });
  ForAttribute(node, u"ALIGN", [&](const std::u16string& v) {
    valign = halign = kAlignUnset;
    if (FindNoCase(v, u"top") != std::u16string::npos) valign = kAlignStart;
    if (FindNoCase(v, u"bottom") != std::u16string::npos) valign = kAlignEnd;
    if (FindNoCase(v, u"left") != std::u16string::npos) halign = kAlignStart;
    if (FindNoCase(v, u"right") != std::u16string::npos) halign = kAlignEnd;
    const std::uint8_t rest =
        FindNoCase(v, u"center") != std::u16string::npos ? kAlignCenter : kAlignStart;
    if (valign == kAlignUnset) valign = rest;
    if (halign == kAlignUnset) halign = rest;
  });
}

void DlgScrollArea::ReadOwnAttributes(const XmlNode& node, DlgContext& context) {
  DlgOneChild::ReadOwnAttributes(node, context);
  auto innerSize = [](const std::u16string& v) {
    return EqualsNoCase(v, u"AUTO") ? -1 : Integer(v);
  };
  ForAttribute(node, u"INNERWIDTH", [&](const auto& v) { innerWidth = innerSize(v); });
  ForAttribute(node, u"INNERHEIGHT", [&](const auto& v) { innerHeight = innerSize(v); });
  ForAttribute(node, u"STEP", [&](const auto& v) { step = Integer(v); });
  ForAttribute(node, u"SCROLLING", [&](const auto& v) {
    scrolling = EqualsNoCase(v, u"HORIZONTAL") ? kHorizontal
                : EqualsNoCase(v, u"VERTICAL") ? kVertical
                                               : kBoth;
  });
}

void DlgWindow::ReadOwnAttributes(const XmlNode& node, DlgContext& context) {
  DlgOneChild::ReadOwnAttributes(node, context);
  windowFlags = flags;
  // Explicit bounds are pixels of a 16-bit field; the two negative codes
  // stay reserved for "absent" and "AUTO".
  auto bound = [](const std::u16string& v) -> std::int16_t {
    if (EqualsNoCase(v, u"AUTO")) return kBoundAuto;
    const std::int64_t n = ParseInteger(v);
    return static_cast<std::int16_t>(n < 0 ? 0 : n > 32767 ? 32767 : n);
  };
  ForAttribute(node, u"MINWIDTH", [&](const auto& v) { minWidthBound = bound(v); });
  ForAttribute(node, u"MINHEIGHT", [&](const auto& v) { minHeightBound = bound(v); });
  ForAttribute(node, u"MAXWIDTH", [&](const auto& v) { maxWidthBound = bound(v); });
  ForAttribute(node, u"MAXHEIGHT", [&](const auto& v) { maxHeightBound = bound(v); });
}

void DlgSplitter::ReadOwnAttributes(const XmlNode& node, DlgContext&) {
  auto side = [](const std::u16string& v, int* fixed, bool* automatic) {
    *automatic = EqualsNoCase(v, u"AUTO") || EqualsNoCase(v, u"REQUEST");
    *fixed = *automatic ? 0 : Integer(v);
  };
  ForAttribute(node, u"FIRSTMIN", [&](const auto& v) { side(v, &firstMin, &firstAuto); });
  ForAttribute(node, u"SECONDMIN", [&](const auto& v) { side(v, &secondMin, &secondAuto); });
}

void DlgGrid::ReadOwnAttributes(const XmlNode& node, DlgContext&) {
  ForAttribute(node, u"COLUMNS", [&](const auto& v) {
    // The cell table has 15 columns; a value outside 1 to 15 is brought in.
    const int n = Integer(v);
    columns = n < 1 ? 1 : n > kDlgGridMaxColumns ? kDlgGridMaxColumns : n;
  });
  ForAttribute(node, u"COLSPACING", [&](const auto& v) { colSpacing = Integer(v); });
  ForAttribute(node, u"ROWSPACING", [&](const auto& v) { rowSpacing = Integer(v); });
  ForAttribute(node, u"COLEXPAND",
               [&](const auto& v) { colExpand = ParseExpandMode(v, DlgExpand::Yes, &colItem); });
  ForAttribute(node, u"ROWEXPAND",
               [&](const auto& v) { rowExpand = ParseExpandMode(v, DlgExpand::No, &rowItem); });
}
