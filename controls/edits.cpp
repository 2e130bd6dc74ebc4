// Text entry kinds: string, shortcut, editor (and the scintilla editor, a
// plain multi-line editor here), IP address, spin, date, calendar, combo
// box, and the web view (shows its address; there is no network).
#include "controls/control_common.h"
#include "controls/controls.h"

namespace {

constexpr GadgetKind EditKind(int id, bool naturalSize, bool hasState) {
  return GadgetKind{
      .id = id,
      .free = CtlFree,
      .setState = hasState ? CtlSetValue : nullptr,
      .setText = CtlSetText,
      .requiredSize = naturalSize ? CtlSizeHint : nullptr,
      .getState = hasState ? CtlGetValue : nullptr,
      .getText = CtlGetText,
  };
}

const GadgetKind kString = EditKind(kCtlString, true, false);
const GadgetKind kShortcut = EditKind(kCtlShortcut, true, false);
const GadgetKind kEditor = EditKind(kCtlEditor, false, false);
const GadgetKind kScintilla = EditKind(kCtlScintilla, false, false);
const GadgetKind kIpAddress = EditKind(kCtlIpAddress, true, true);
const GadgetKind kDate = EditKind(kCtlDate, true, false);
const GadgetKind kCalendar = EditKind(kCtlCalendar, true, true);
const GadgetKind kComboBox = EditKind(kCtlComboBox, true, true);
const GadgetKind kWeb = EditKind(kCtlWeb, false, false);

const GadgetKind kSpin = {
    .id = kCtlSpin,
    .free = CtlFree,
    .setState = CtlSetValue,
    .setText = CtlSetText,
    .getAttribute = [](GadgetRecord& g, int attribute) -> std::int64_t {
      std::int64_t low = 0, high = 0;
      PlatCtl_Range(CtlWindow(g), &low, &high);
      return attribute == 1 ? low : attribute == 2 ? high : 0;
    },
    .setAttribute =
        [](GadgetRecord& g, int attribute, std::int64_t value) {
          std::int64_t low = 0, high = 0;
          PlatCtl_Range(CtlWindow(g), &low, &high);
          if (attribute == 1) PlatCtl_SetRange(CtlWindow(g), value, high);
          if (attribute == 2) PlatCtl_SetRange(CtlWindow(g), low, value);
        },
    .requiredSize = CtlSizeHint,
    .getState = CtlGetValue,
    .getText = CtlGetText,
};

std::uint32_t StringOptions(std::int64_t f) {
  std::uint32_t o = 0;
  if (f & 0x20) o |= kPlatOptPassword;
  if (f & 0x800) o |= kPlatOptReadOnly;
  if (f & 0x2000) o |= kPlatOptNumeric;
  if (f & 0x10) o |= kPlatOptLowerCase;
  if (f & 0x8) o |= kPlatOptUpperCase;
  if (f & 0x20000) o |= kPlatOptBorderless;
  return o;
}

std::uint32_t ComboOptions(std::int64_t f) {
  std::uint32_t o = 0;
  if ((f & 0x3) == 0x2) o |= kPlatOptEditable;
  if (f & 0x4000) o |= kPlatOptLowerCase;
  if (f & 0x2000) o |= kPlatOptUpperCase;
  return o;
}

}  // namespace

bool CtlCreateEdit(const ControlRequest& r, ObjectHandle* result) {
  const std::int64_t f = r.flags;
  GadgetRecord* g = nullptr;
  switch (r.kind) {
    case kCtlString:
      *result = CtlMakeRequest(r, PlatControlKind::kString, &kString, StringOptions(f));
      return true;
    case kCtlShortcut:
      *result = CtlMakeRequest(r, PlatControlKind::kShortcut, &kShortcut, 0);
      return true;
    case kCtlEditor:
    case kCtlScintilla: {
      std::uint32_t o = 0;
      if (r.kind == kCtlEditor && (f & 0x800)) o |= kPlatOptReadOnly;
      if (r.kind == kCtlEditor && (f & 0x10000000)) o |= kPlatOptWordWrap;
      *result = CtlMakeRequest(r, PlatControlKind::kEditor,
                               r.kind == kCtlEditor ? &kEditor : &kScintilla, o);
      return true;
    }
    case kCtlIpAddress:
      *result = CtlMakeRequest(r, PlatControlKind::kIpAddress, &kIpAddress, 0);
      return true;
    case kCtlDate:
      *result = CtlMakeRequest(r, PlatControlKind::kDate, &kDate,
                               (f & 0x1) ? std::uint32_t{kPlatOptUpDown} : 0u);
      return true;
    case kCtlCalendar:
      *result = CtlMakeRequest(r, PlatControlKind::kCalendar, &kCalendar, 0);
      return true;
    case kCtlComboBox:
      *result = CtlMakeRequest(r, PlatControlKind::kComboBox, &kComboBox, ComboOptions(f));
      return true;
    case kCtlWeb:
      *result = CtlMakeRequest(r, PlatControlKind::kWeb, &kWeb, 0);
      return true;
    case kCtlSpin: {
      std::uint32_t o = 0;
      if (f & 0x1) o |= kPlatOptReadOnly;
      if (f & 0x2) o |= kPlatOptNumeric;
      *result = CtlMakeRequest(r, PlatControlKind::kSpin, &kSpin, o, &g);
      if (g) PlatCtl_SetRange(CtlWindow(*g), r.minimum, r.maximum);
      return true;
    }
    default:
      return false;
  }
}
