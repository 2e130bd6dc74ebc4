#include "imaging/canvas.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/drawing.h"
#include "platform/platform.h"
#include "runtime/system/event.h"
#include "runtime/system/gadget.h"
#include "runtime/system/window.h"

namespace {

constexpr int kCustomCursor = 254;
constexpr int kMouseInside = 0x10000;

// What a canvas keeps beside the common gadget record (GadgetRecord::kindData).
// Shared by the gadget and every drawing output made from it: the last of
// them to go deletes it, so a canvas freed while a worker still draws on it
// stays valid until that drawing ends.
struct CanvasData {
  std::recursive_mutex drawLock;  // held by an output, by resizing and by painting
  std::atomic<int> refs{1};
  Bitmap* backing = nullptr;  // under drawLock
  std::int64_t flags = 0;
  // Main thread only from here on.
  int cursorState = 0;  // low byte: standard cursor index (254 custom); kMouseInside
  std::int64_t customCursor = 0;
  int wheelRemainder = 0;
};

void Release(CanvasData* data) {
  if (data->refs.fetch_sub(1) == 1) {
    Bitmap_Delete(data->backing);
    delete data;
  }
}

// Event data records come from a pool and go back to it when the event is
// released. Events are raised on the main thread, but a record may be freed
// wherever a queued event is dropped, so the pool is locked.
struct RecordPool {
  std::mutex lock;
  std::vector<CanvasEventData*> free;
  ~RecordPool() {
    for (CanvasEventData* record : free) delete record;
  }
};
RecordPool gPool;
constexpr std::size_t kPoolKeep = 256;

CanvasEventData* TakeRecord() {
  {
    std::lock_guard lock(gPool.lock);
    if (!gPool.free.empty()) {
      CanvasEventData* record = gPool.free.back();
      gPool.free.pop_back();
      *record = {};
      return record;
    }
  }
  return new CanvasEventData{};
}

void ReturnRecord(void* p) {
  auto* record = static_cast<CanvasEventData*>(p);
  std::lock_guard lock(gPool.lock);
  if (gPool.free.size() < kPoolKeep)
    gPool.free.push_back(record);
  else
    delete record;
}

// The backing bitmap for a window of w x h: 4 smaller with the border, at
// least 1 x 1, white, with the old picture kept in the top-left corner.
// Called with drawLock held. A bitmap that cannot be made keeps the old one.
bool Remake(CanvasData& data, int width, int height) {
  if (data.flags & KX_Canvas_Border) {
    width -= 4;
    height -= 4;
  }
  width = std::max(width, 1);
  height = std::max(height, 1);
  Bitmap* fresh = Bitmap_Create(width, height, 24);
  if (!fresh) return false;
  std::memset(fresh->bits, 0xFF, static_cast<std::size_t>(fresh->stride) * fresh->height);
  if (Bitmap* old = data.backing) {
    const int rows = std::min(old->height, fresh->height);
    const std::size_t bytes = static_cast<std::size_t>(std::min(old->width, fresh->width)) * 3;
    // Rows are stored bottom-up: walk both from the top of the picture.
    for (int y = 0; y < rows; ++y)
      std::memcpy(Bitmap_PictureRow(*fresh, y), Bitmap_PictureRow(*old, y), bytes);
    Bitmap_Delete(old);
  }
  data.backing = fresh;
  return true;
}

CanvasData* DataOf(const GadgetRecord& g) {
  return g.kind && g.kind->id == kCanvasKindId ? static_cast<CanvasData*>(g.kindData) : nullptr;
}

PlatWindow WindowOf(const GadgetRecord& g) { return static_cast<PlatWindow>(g.handle); }

// The canvas a window message is for; null when its gadget is gone.
GadgetRecord* CanvasOf(PlatWindow window) {
  if (!Plat_GetProperty(window, "KX_Gadget")) return nullptr;
  GadgetRecord* g = Gad_Record(Plat_GetProperty(window, "KX_ID"));
  return g && g->handle == window && DataOf(*g) ? g : nullptr;
}

void Paint(GadgetRecord& g) {
  CanvasData& data = *DataOf(g);
  PlatWindow window = WindowOf(g);
  std::lock_guard lock(data.drawLock);
  // One transfer of the picture; the window system double-buffers, so the
  // focus rectangle drawn over it does not flicker either.
  if (Bitmap* b = data.backing)
    Plat_PaintBitmap(window, b->bits, b->width, b->height, b->stride, 0, 0);
  else {
    PlatRect r = Plat_ClientRect(window);
    Plat_PaintFill(window, 0, 0, r.width, r.height, 0xFFFFFF);
  }
  if ((data.flags & KX_Canvas_DrawFocus) && Plat_Focus() == window) {
    PlatRect r = Plat_ClientRect(window);
    Plat_PaintFocusRect(window, 2, 2, r.width - 4, r.height - 4);
  }
}

void Raise(GadgetRecord& g, int subType, const PlatMessage& m, int key = 0, int wheel = 0,
           int character = 0) {
  CanvasEventData* record = TakeRecord();
  *record = {m.x, m.y, m.buttons, key, m.modifiers, wheel, character};
  Evt_Raise(KX_Event_Gadget, g.number, Win_FromNative(g.handle), subType, record, ReturnRecord);
}

void EndConfinement(PlatWindow window) {
  if (Plat_ConfinedTo() == window) Plat_ConfineCursor(nullptr);
  if (Plat_Capture() == window) Plat_ReleaseCapture();
}

void ButtonDown(GadgetRecord& g, const PlatMessage& m, int button, int downEvent, int doubleEvent) {
  CanvasData& data = *DataOf(g);
  PlatWindow window = WindowOf(g);
  const ObjectHandle number = g.number;
  if (m.buttons == button) {
    Plat_SetCapture(window);
    if (data.flags & KX_Canvas_ClipMouse) Plat_ConfineCursor(window);
  }
  if (data.flags & KX_Canvas_Keyboard) {
    Plat_SetFocus(window);
    Plat_Invalidate(window);
  }
  Raise(g, downEvent, m);
  if (doubleEvent >= 0)
    if (GadgetRecord* again = Gad_Record(number); again && again->handle == window)
      Raise(*again, doubleEvent, m);
}

void ButtonUp(GadgetRecord& g, const PlatMessage& m, int upEvent, int clickEvent) {
  PlatWindow window = WindowOf(g);
  const ObjectHandle number = g.number;
  const PlatRect r = Plat_ClientRect(window);
  const bool click = clickEvent >= 0 && m.x >= 0 && m.x < r.width && m.y >= 0 && m.y < r.height &&
                     Plat_Capture() == window;
  if (m.buttons == 0) EndConfinement(window);
  Raise(g, upEvent, m);
  if (click)
    if (GadgetRecord* again = Gad_Record(number); again && again->handle == window)
      Raise(*again, clickEvent, m);
}

std::intptr_t CanvasProc(const PlatMessage& m, void*) {
  GadgetRecord* g = CanvasOf(m.window);
  if (!g) {
    if (m.id == kPlatPaint) {
      PlatRect r = Plat_ClientRect(m.window);
      Plat_PaintFill(m.window, 0, 0, r.width, r.height, 0xFFFFFF);
    }
    return 0;
  }
  CanvasData& data = *DataOf(*g);
  switch (m.id) {
    case kPlatPaint:
      Paint(*g);
      break;
    case kPlatSize:
      Raise(*g, KX_Canvas_Resize, m);
      break;
    case kPlatSetFocus:
    case kPlatKillFocus:
      if (data.flags & KX_Canvas_DrawFocus) Plat_Invalidate(m.window);
      Raise(*g, m.id == kPlatSetFocus ? KX_Canvas_Focus : KX_Canvas_LostFocus, m);
      break;
    case kPlatMouseMove:
      if (!(data.cursorState & kMouseInside)) {
        data.cursorState |= kMouseInside;
        Raise(*g, KX_Canvas_MouseEnter, m);
        if (!(g = CanvasOf(m.window))) break;
      }
      Raise(*g, KX_Canvas_MouseMove, m);
      break;
    case kPlatMouseLeave:
      if (data.cursorState & kMouseInside) {
        data.cursorState &= ~kMouseInside;
        Raise(*g, KX_Canvas_MouseLeave, m);
      }
      break;
    case kPlatLButtonDown:
      ButtonDown(*g, m, kPlatButtonLeft, KX_Canvas_LeftButtonDown, -1);
      break;
    case kPlatLButtonDblClk:
      ButtonDown(*g, m, kPlatButtonLeft, KX_Canvas_LeftButtonDown, KX_Canvas_LeftDoubleClick);
      break;
    case kPlatRButtonDown:
      ButtonDown(*g, m, kPlatButtonRight, KX_Canvas_RightButtonDown, -1);
      break;
    case kPlatRButtonDblClk:
      ButtonDown(*g, m, kPlatButtonRight, KX_Canvas_RightButtonDown, KX_Canvas_RightDoubleClick);
      break;
    case kPlatMButtonDown:
    case kPlatMButtonDblClk:
      ButtonDown(*g, m, kPlatButtonMiddle, KX_Canvas_MiddleButtonDown, -1);
      break;
    case kPlatLButtonUp:
      ButtonUp(*g, m, KX_Canvas_LeftButtonUp, KX_Canvas_LeftClick);
      break;
    case kPlatRButtonUp:
      ButtonUp(*g, m, KX_Canvas_RightButtonUp, KX_Canvas_RightClick);
      break;
    case kPlatMButtonUp:
      ButtonUp(*g, m, KX_Canvas_MiddleButtonUp, -1);
      break;
    case kPlatMouseWheel: {
      // Whole notches only; what is left over counts towards the next turn.
      data.wheelRemainder += m.wheelDelta;
      const int notches = data.wheelRemainder / 120;
      data.wheelRemainder -= notches * 120;
      if (notches != 0) Raise(*g, KX_Canvas_MouseWheel, m, 0, notches);
      break;
    }
    case kPlatKeyDown:
    case kPlatKeyUp:
      Raise(*g, m.id == kPlatKeyDown ? KX_Canvas_KeyDown : KX_Canvas_KeyUp, m, m.key);
      break;
    case kPlatChar:
      if (m.character > 31) Raise(*g, KX_Canvas_Input, m, 0, 0, static_cast<int>(m.character));
      break;
    default:
      break;
  }
  return 0;
}

// The data of the event being handled, when it is a gadget event of this canvas.
const CanvasEventData* CurrentData(const GadgetRecord& g) {
  if (Evt_Type() != KX_Event_Gadget || Evt_Gadget() != g.number) return nullptr;
  return static_cast<const CanvasEventData*>(Evt_Data());
}

void FreeCanvas(GadgetRecord& g) {
  PlatWindow window = WindowOf(g);
  Gad_ForgetList(window);
  EndConfinement(window);
  Plat_DestroyWindow(window);
  if (CanvasData* data = DataOf(g)) Release(data);
  g.kindData = nullptr;
}

void ResizeCanvas(GadgetRecord& g, int x, int y, int width, int height) {
  CanvasData& data = *DataOf(g);
  PlatWindow window = WindowOf(g);
  {
    std::lock_guard lock(data.drawLock);
    const PlatRect r = Plat_OuterRect(window);
    Plat_SetOuterRect(window, x == KX_Unchanged ? r.x : x, y == KX_Unchanged ? r.y : y,
                      width == KX_Unchanged ? r.width : width,
                      height == KX_Unchanged ? r.height : height);
    const PlatRect now = Plat_OuterRect(window);
    Remake(data, now.width, now.height);
  }
  Plat_RepaintNow(window);
}

void ContainerSetup(GadgetRecord& g) { Gad_OpenList(g.handle); }

void FocusCanvas(GadgetRecord& g) {
  if (DataOf(g)->flags & KX_Canvas_Keyboard) Plat_SetFocus(WindowOf(g));
}

void DisableCanvas(GadgetRecord& g, bool disabled) {
  if (disabled) EndConfinement(WindowOf(g));
  Plat_Enable(WindowOf(g), !disabled);
}

std::int64_t GetAttribute(GadgetRecord& g, int attribute) {
  CanvasData& data = *DataOf(g);
  const CanvasEventData* event = CurrentData(g);
  switch (attribute) {
    case KX_Canvas_Image: {
      std::lock_guard lock(data.drawLock);
      return Bitmap_Handle(data.backing);
    }
    case KX_Canvas_MouseX:
      return event ? event->x : 0;
    case KX_Canvas_MouseY:
      return event ? event->y : 0;
    case KX_Canvas_Buttons:
      return event ? event->buttons : 0;
    case KX_Canvas_Key:
      return event ? event->key : 0;
    case KX_Canvas_Modifiers:
      return event ? event->modifiers : 0;
    case KX_Canvas_Cursor: {
      const int index = data.cursorState & 0xFF;
      return index == kCustomCursor ? -1 : index;
    }
    case KX_Canvas_WheelDelta:
      return event ? event->wheel : 0;
    case KX_Canvas_InputChar:
      return event ? event->character : 0;
    case KX_Canvas_Clip:
      return Plat_ConfinedTo() == WindowOf(g) ? 1 : 0;
    case KX_Canvas_CustomCursor:
      return data.customCursor;
    default:
      return 0;
  }
}

void SetAttribute(GadgetRecord& g, int attribute, std::int64_t value) {
  CanvasData& data = *DataOf(g);
  PlatWindow window = WindowOf(g);
  switch (attribute) {
    case KX_Canvas_Image:
      if (Bitmap_FromHandle(value)) {
        // Drawn with the drawing library; Draw_Stop repaints.
        if (Draw_Start(Canvas_Output(g.number))) {
          Draw_Image(value, 0, 0);
          Draw_Stop();
        }
      }
      break;
    case KX_Canvas_Cursor:
      if (value >= 0 && value <= 11) {
        data.cursorState = (data.cursorState & ~0xFF) | static_cast<int>(value);
        Plat_SetCursorShape(window, static_cast<int>(value));
      }
      break;
    case KX_Canvas_Clip:
      if (value) {
        Plat_SetCapture(window);
        Plat_ConfineCursor(window);
      } else {
        EndConfinement(window);
      }
      break;
    case KX_Canvas_CustomCursor:
      // The handle is kept for the program; the platform shows its arrow.
      data.customCursor = value;
      if (value) data.cursorState = (data.cursorState & ~0xFF) | kCustomCursor;
      break;
    default:
      break;
  }
}

const GadgetKind kCanvasKind = {
    .id = kCanvasKindId,
    .free = FreeCanvas,
    .resize = ResizeCanvas,
    .containerSetup = ContainerSetup,
    .getAttribute = GetAttribute,
    .setAttribute = SetAttribute,
    .focus = FocusCanvas,
    .disable = DisableCanvas,
};

// The end of a drawing on the canvas: let resizing and painting in again,
// and show the picture when the drawing completed.
void FinishOutput(DrawingContext* dc, bool completed) {
  auto* data = static_cast<CanvasData*>(dc->userData);
  const ObjectHandle number = dc->owner;
  PlatWindow window = nullptr;
  if (GadgetRecord* g = Gad_Record(number); g && g->kindData == data) window = WindowOf(*g);
  data->drawLock.unlock();
  Release(data);
  if (completed && window) Plat_RepaintNow(window);
}

}  // namespace

ObjectHandle Canvas_Create(ObjectHandle number, int x, int y, int width, int height,
                           std::int64_t flags) {
  auto parent = static_cast<PlatWindow>(Gad_CurrentList());
  if (!parent || !Plat_IsWindow(parent) || !Plat_IsMainThread()) return 0;
  std::uint32_t style = kPlatStyleChild;
  if (flags & KX_Canvas_Border) style |= kPlatStyleClientEdge;
  if (flags & KX_Canvas_Keyboard) style |= kPlatStyleTabStop;
  if (flags & KX_Canvas_Container) style |= kPlatStyleClipChildren;
  PlatWindowSpec desc;
  desc.parent = parent;
  desc.style = style;
  desc.x = x;
  desc.y = y;
  desc.width = width;
  desc.height = height;
  desc.proc = CanvasProc;
  PlatWindow window = Plat_CreateWindow(desc);
  if (!window) return 0;

  auto* data = new CanvasData;
  data->flags = flags;
  if (!Remake(*data, width, height)) {
    delete data;
    Plat_DestroyWindow(window);
    return 0;
  }
  ObjectHandle assigned = 0;
  GadgetRecord* g = Gad_Register(number, &kCanvasKind, window, flags, &assigned);
  if (!g) {
    Release(data);
    Plat_DestroyWindow(window);
    return 0;
  }
  g->kindData = data;
  Plat_Show(window, PlatShow::kNormal);
  if (flags & KX_Canvas_Container) ContainerSetup(*g);
  return number == KX_Any ? assigned : reinterpret_cast<ObjectHandle>(window);
}

DrawingContext* Canvas_Output(ObjectHandle canvas) {
  CanvasData* data = nullptr;
  {
    std::lock_guard table(Gad_Mutex());
    GadgetRecord* g = Gad_Record(canvas);
    if (!g || !(data = DataOf(*g))) return nullptr;
    ++data->refs;  // the output's share, released by its finish step
  }
  data->drawLock.lock();
  Bitmap* b = data->backing;
  DrawingContext* dc = nullptr;
  if (b && b->bits) {
    const DrawTarget target{b->bits, b->stride, b->width, b->height, 24};
    dc = Draw_MakeOutput(kOutputBottomUp | kOutputPixels24, target, FinishOutput, canvas, data);
  }
  if (!dc) {
    data->drawLock.unlock();
    Release(data);
  }
  return dc;
}
