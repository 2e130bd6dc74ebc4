// Numbered windows over the platform and their window procedure.
#include "runtime/system/window.h"

#include <algorithm>

#include "platform/platform.h"
#include "runtime/data/object_table.h"
#include "runtime/system/event.h"
#include "runtime/system/event_internal.h"
#include "runtime/system/gadget.h"

namespace {

struct WindowRecord {
  PlatWindow handle = nullptr;
  ObjectHandle number = 0;
  std::int64_t flags = 0;
  // Size bounds as outer sizes; 0 means none.
  std::uint16_t minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
  int sizeMark = 0;  // 0 normal, 1 minimised, 2 maximised
  bool opened = false;
  PlatWindow focus = nullptr;  // the control that had the focus when deactivated
  PlatWindow owner = nullptr;  // gets the activation back when the window closes
};

void FreeWindow(ObjectHandle number);

ObjectTable<WindowRecord>& Table() {
  static ObjectTable<WindowRecord> table(16, 16, FreeWindow);
  return table;
}

constexpr std::int64_t kStyleBits =
    ~(KX_Window_ScreenCentered | KX_Window_WindowCentered | KX_Window_NoGadgets |
      KX_Window_Invisible | KX_Window_NoActivate);
constexpr std::int64_t kCaption = 0xC00000, kSysMenu = 0x80000, kThickFrame = 0x40000,
                       kMinimizeBox = 0x20000, kMaximizeBox = 0x10000;
constexpr int kMaxBound = 32000;
// Commands from controls numbered so are not the program's.
constexpr ObjectHandle kIgnoredGadget = -10000;

ObjectHandle NumberOf(PlatWindow window) {
  const std::intptr_t id = Plat_GetProperty(window, "KX_WindowID");
  return id ? static_cast<ObjectHandle>(id) - 1 : -1;
}

WindowRecord* RecordOf(PlatWindow window) {
  const ObjectHandle number = NumberOf(window);
  if (number == -1) return nullptr;
  WindowRecord* record = Table().Find(number);
  return record && record->handle == window ? record : nullptr;
}

void ApplyBounds(WindowRecord& w) {
  Plat_SetSizeBounds(w.handle, w.minWidth, w.minHeight, w.maxWidth, w.maxHeight);
}

void RaiseSize(WindowRecord& w) {
  // Only the latest size event of a window waits in the queue.
  Evt_DropSizeEvents(w.number);
  Evt_Raise(KX_Event_SizeWindow, 0, w.number, 0);
}

std::intptr_t WindowProc(const PlatMessage& m, void*) {
  WindowRecord* w = RecordOf(m.window);
  if (!w) return 0;
  const ObjectHandle number = w->number;
  switch (m.id) {
    case kPlatSize:
      if (!w->opened) break;
      if (m.wParam == kPlatSizeMinimized) {
        w->sizeMark = 1;
        Evt_Raise(KX_Event_MinimizeWindow, 0, number, 0);
      } else if (m.wParam == kPlatSizeMaximized) {
        if (w->sizeMark != 2) {
          w->sizeMark = 2;
          Evt_Raise(KX_Event_MaximizeWindow, 0, number, 0);
        }
        if ((w = RecordOf(m.window))) RaiseSize(*w);
      } else {
        if (w->sizeMark) {
          w->sizeMark = 0;
          Evt_Raise(KX_Event_RestoreWindow, 0, number, 0);
        }
        if ((w = RecordOf(m.window))) RaiseSize(*w);
      }
      break;
    case kPlatMove:
      if (w->opened) Evt_Raise(KX_Event_MoveWindow, number, number, 0);
      break;
    case kPlatClose:
      // The program decides whether the window goes.
      Evt_Raise(KX_Event_CloseWindow, number, number, 0);
      break;
    case kPlatActivate:
      if (m.wParam) {
        if (w->focus && Plat_IsWindow(w->focus) && Plat_TopLevel(w->focus) == m.window)
          Plat_SetFocus(w->focus);
        Evt_Raise(KX_Event_ActivateWindow, 0, number, 0);
      } else {
        PlatWindow focus = Plat_Focus();
        if (focus && Plat_TopLevel(focus) == m.window) w->focus = focus;
        Evt_Raise(KX_Event_DeactivateWindow, 0, number, 0);
      }
      break;
    case kPlatCommand:
      if (m.lParam) {
        auto control = reinterpret_cast<PlatWindow>(m.lParam);
        if (!Plat_GetProperty(control, "KX_Gadget")) break;
        const ObjectHandle gadget = Plat_GetProperty(control, "KX_ID");
        if (gadget == kIgnoredGadget) break;
        Evt_Raise(KX_Event_Gadget, gadget, number, m.wParam);
      } else if (m.wParam == kPlatCommandNextControl || m.wParam == kPlatCommandPreviousControl) {
        Plat_FocusNext(m.window, m.wParam == kPlatCommandNextControl);
      } else {
        Evt_Raise(KX_Event_Menu, m.wParam, number, 0);
      }
      break;
    case kPlatTimer:
      Evt_Raise(KX_Event_Timer, m.wParam, number, 0);
      break;
    case kPlatLButtonUp:
      Evt_Raise(KX_Event_LeftClick, 0, number, 0);
      break;
    case kPlatLButtonDblClk:
      Evt_Raise(KX_Event_LeftDoubleClick, 0, number, 0);
      break;
    case kPlatRButtonUp:
      Evt_Raise(KX_Event_RightClick, 0, number, 0);
      break;
    case kPlatTrayIcon: {
      const int click = m.lParam == kPlatLButtonDown     ? 0
                        : m.lParam == kPlatRButtonDown   ? 1
                        : m.lParam == kPlatLButtonDblClk ? 2
                        : m.lParam == kPlatRButtonDblClk ? 3
                                                         : -1;
      if (click >= 0) {
        Evt_Raise(KX_Event_SysTray, m.wParam, number, click);
        // Wakes a loop waiting for a message, so the event is taken at once.
        Plat_PostTask([](void*) {}, nullptr);
      }
      break;
    }
    case kPlatPaint: {
      // The dialog face colour behind the gadgets.
      PlatRect r = Plat_ClientRect(m.window);
      Plat_PaintFill(m.window, 0, 0, r.width, r.height, 0xF0F0F0);
      break;
    }
    default:
      break;
  }
  return 0;
}

void FreeWindow(ObjectHandle number) {
  auto& table = Table();
  PlatWindow handle = nullptr;
  PlatWindow owner = nullptr;
  {
    std::lock_guard lock(table.Mutex());
    WindowRecord* w = table.Find(number);
    if (!w) return;
    handle = w->handle;
    // The activation goes back to the owner.
    owner = Plat_ActiveWindow() == handle ? w->owner : nullptr;
    table.Release(number);
  }
  Evt_ForgetWindow(number);
  Gad_ForgetList(handle);
  Gad_FreeInside(handle, [](void* top, void* gadgetWindow) {
    return Plat_TopLevel(static_cast<PlatWindow>(gadgetWindow)) == top;
  });
  Plat_SetProperty(handle, "KX_WindowID", 0);
  Plat_DestroyWindow(handle);
  if (owner) Plat_Activate(owner);
}

int ToBound(int value) { return std::clamp(value, 0, 65535); }

}  // namespace

bool Win_Startup() {
  if (!Plat_Startup()) return false;
  Gad_InstallDefaultKind();
  return true;
}

ObjectHandle Win_Open(ObjectHandle window, int x, int y, int innerWidth, int innerHeight,
                      const std::u16string& title, std::int64_t flags, ObjectHandle parent) {
  if (!Plat_IsStarted() || !Plat_IsMainThread()) return 0;
  Gad_InstallDefaultKind();
  if (window != KX_Any && (window < 0 || window > ObjectTable<WindowRecord>::kMaxFixedNumber))
    return 0;

  std::int64_t style = flags & kStyleBits;
  // Only centring, invisibility or no-gadgets given: a plain titled window.
  if (style == 0) style = kCaption;
  std::uint32_t platStyle = 0;
  if (flags & KX_Window_Tool) platStyle |= kPlatStyleTool | kPlatStyleTitle;
  if (flags & KX_Window_BorderLess)
    platStyle |= kPlatStyleBorderless;
  else {
    if ((style & kCaption) == kCaption) platStyle |= kPlatStyleTitle;
    if (style & kSysMenu) platStyle |= kPlatStyleSystemMenu;
    if (style & kThickFrame) platStyle |= kPlatStyleSizable;
    if (style & kMinimizeBox) platStyle |= kPlatStyleMinimizeBox;
    if (style & kMaximizeBox) platStyle |= kPlatStyleMaximizeBox;
  }

  PlatWindowSpec desc;
  desc.parent = static_cast<PlatWindow>(Win_Native(parent));
  desc.style = platStyle;
  desc.x = x;
  desc.y = y;
  desc.width = innerWidth;
  desc.height = innerHeight;
  desc.platformPosition =
      x == KX_Unchanged ||
      (y == KX_Unchanged && !(flags & (KX_Window_ScreenCentered | KX_Window_WindowCentered)));
  desc.text = title;
  desc.proc = WindowProc;

  auto& table = Table();
  ObjectHandle number = 0;
  PlatWindow handle = nullptr;
  {
    // Not held beyond this block: showing the window runs handlers, which
    // may wait for other threads that ask about windows.
    std::lock_guard lock(table.Mutex());
    WindowRecord* w = table.Allocate(window, &number);
    if (!w) return 0;
    handle = Plat_CreateWindow(desc);
    if (!handle) {
      table.Release(number);
      return 0;
    }
    w->handle = handle;
    w->number = number;
    w->flags = flags;
    w->owner = desc.parent;
    Plat_SetProperty(handle, "KX_WindowID", static_cast<std::intptr_t>(number + 1));
  }

  if (flags & KX_Window_ScreenCentered)
    Plat_Center(handle, nullptr);
  else if (flags & KX_Window_WindowCentered)
    Plat_Center(handle, desc.parent ? desc.parent : Plat_ActiveWindow());

  if (!(flags & KX_Window_Invisible)) {
    PlatShow how = PlatShow::kNormal;
    if (flags & KX_Window_Maximize)
      how = PlatShow::kMaximized;
    else if (flags & KX_Window_Minimize)
      how = PlatShow::kMinimized;
    else if (flags & KX_Window_NoActivate)
      how = PlatShow::kNoActivate;
    Plat_Show(handle, how);
  }
  if (!(flags & KX_Window_NoGadgets)) Gad_UseList(handle);
  // Size and move events start from here.
  {
    std::lock_guard lock(table.Mutex());
    if (WindowRecord* w = table.Find(number); w && w->handle == handle) w->opened = true;
  }
  return ObjectTable<WindowRecord>::CreateResult(window, number,
                                                 reinterpret_cast<ObjectHandle>(handle));
}

void Win_Close(ObjectHandle window) {
  if (window == KX_Any)
    Table().FreeAll();
  else
    FreeWindow(window);
}

bool Win_IsWindow(ObjectHandle window) {
  auto& table = Table();
  std::lock_guard lock(table.Mutex());
  WindowRecord* w = table.Find(window);
  return w && Plat_IsWindow(w->handle);
}

void Win_SetBounds(ObjectHandle window, int minWidth, int minHeight, int maxWidth, int maxHeight) {
  WindowRecord* w = Table().Find(window);
  if (!w) return;
  int extraW = 0, extraH = 0;
  Plat_FrameExtents(w->handle, &extraW, &extraH);
  auto apply = [](std::uint16_t* bound, int value, int extra, bool maximum) {
    if (value == KX_Unchanged) return;
    if (value == -1) {
      *bound = 0;
      return;
    }
    if (value < 0) return;
    if (maximum) value = std::min(value, kMaxBound);
    // Kept as outer sizes, as the platform's size requests want them.
    *bound = static_cast<std::uint16_t>(ToBound(value + extra));
  };
  apply(&w->minWidth, minWidth, extraW, false);
  apply(&w->minHeight, minHeight, extraH, false);
  apply(&w->maxWidth, maxWidth, extraW, true);
  apply(&w->maxHeight, maxHeight, extraH, true);
  ApplyBounds(*w);
}

int Win_Bound(ObjectHandle window, int index) {
  WindowRecord* w = Table().Find(window);
  if (!w) return 0;
  switch (index) {
    case 0:
      return w->minWidth;
    case 1:
      return w->minHeight;
    case 2:
      return w->maxWidth;
    case 3:
      return w->maxHeight;
    default:
      return 0;
  }
}

int Win_InnerWidth(ObjectHandle window) {
  return Plat_ClientRect(static_cast<PlatWindow>(Win_Native(window))).width;
}

int Win_InnerHeight(ObjectHandle window) {
  return Plat_ClientRect(static_cast<PlatWindow>(Win_Native(window))).height;
}

int Win_Width(ObjectHandle window) {
  return Plat_OuterRect(static_cast<PlatWindow>(Win_Native(window))).width;
}

int Win_Height(ObjectHandle window) {
  return Plat_OuterRect(static_cast<PlatWindow>(Win_Native(window))).height;
}

int Win_X(ObjectHandle window) {
  return Plat_OuterRect(static_cast<PlatWindow>(Win_Native(window))).x;
}

int Win_Y(ObjectHandle window) {
  return Plat_OuterRect(static_cast<PlatWindow>(Win_Native(window))).y;
}

void Win_Resize(ObjectHandle window, int x, int y, int innerWidth, int innerHeight) {
  auto handle = static_cast<PlatWindow>(Win_Native(window));
  if (!handle) return;
  PlatRect outer = Plat_OuterRect(handle);
  PlatRect inner = Plat_ClientRect(handle);
  if (x != KX_Unchanged || y != KX_Unchanged) {
    Plat_SetOuterRect(handle, x == KX_Unchanged ? outer.x : x, y == KX_Unchanged ? outer.y : y,
                      outer.width, outer.height);
  }
  if (innerWidth != KX_Unchanged || innerHeight != KX_Unchanged)
    Plat_SetClientSize(handle, innerWidth == KX_Unchanged ? inner.width : innerWidth,
                       innerHeight == KX_Unchanged ? inner.height : innerHeight);
}

void Win_Center(ObjectHandle window, ObjectHandle on) {
  Plat_Center(static_cast<PlatWindow>(Win_Native(window)), static_cast<PlatWindow>(Win_Native(on)));
}

void Win_Show(ObjectHandle window, bool shown) {
  Plat_Show(static_cast<PlatWindow>(Win_Native(window)),
            shown ? PlatShow::kNormal : PlatShow::kHide);
}

void Win_SetTitle(ObjectHandle window, const std::u16string& title) {
  Plat_SetText(static_cast<PlatWindow>(Win_Native(window)), title);
}

std::u16string Win_Title(ObjectHandle window) {
  return Plat_GetText(static_cast<PlatWindow>(Win_Native(window)));
}

void* Win_Native(ObjectHandle window) {
  if (window == -1) return nullptr;
  auto& table = Table();
  std::lock_guard lock(table.Mutex());
  WindowRecord* w = table.Find(window);
  return w ? w->handle : nullptr;
}

ObjectHandle Win_FromNative(void* native) {
  for (auto window = static_cast<PlatWindow>(native); window; window = Plat_Parent(window)) {
    const ObjectHandle number = NumberOf(window);
    if (number != -1) return number;
  }
  return -1;
}

void Win_Shutdown() {
  Table().FreeAll();
  Gad_Free(KX_Any);
  EventBindings_Free();
  Plat_Shutdown();
}
