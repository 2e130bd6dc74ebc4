#include "runtime/system/gadget.h"

#include <atomic>
#include <vector>

#include "platform/platform.h"
#include "runtime/data/object_table.h"
#include "runtime/system/event.h"

namespace {

void FreeGadget(ObjectHandle number);

ObjectTable<GadgetRecord>& Table() {
  static ObjectTable<GadgetRecord> table(16, 16, FreeGadget);
  return table;
}

// Written once at start-up by the window library, read from any thread.
std::atomic<const GadgetKind*> gDefaultKind{nullptr};

// The handler for a slot: the gadget's own kind first, then the default kind.
template <class Slot>
Slot Handler(const GadgetRecord& gadget, Slot GadgetKind::*slot) {
  if (gadget.kind && gadget.kind->*slot) return gadget.kind->*slot;
  const GadgetKind* fallback = gDefaultKind.load(std::memory_order_acquire);
  return fallback ? fallback->*slot : nullptr;
}

void FreeGadget(ObjectHandle number) {
  auto& table = Table();
  std::lock_guard lock(table.Mutex());
  GadgetRecord* gadget = table.Find(number);
  if (!gadget) return;
  if (auto handler = Handler(*gadget, &GadgetKind::free)) handler(*gadget);
  table.Release(number);
}

// A change asked for on a worker thread, carried to the main thread, which
// owns the windows. The worker does not wait for it.
struct PostedChange {
  enum Op { kText, kState, kResize, kDisable, kHide, kFocus, kAttribute } op;
  ObjectHandle gadget;
  std::int64_t value = 0;
  int x = 0, y = 0, w = 0, h = 0;
  std::u16string text;
};

PostedChange Change(PostedChange::Op op, ObjectHandle gadget, std::int64_t value = 0, int x = 0,
                    int y = 0, int w = 0, int h = 0, std::u16string text = {}) {
  return PostedChange{op, gadget, value, x, y, w, h, std::move(text)};
}

void ApplyPosted(void* data) {
  auto* c = static_cast<PostedChange*>(data);
  switch (c->op) {
    case PostedChange::kText:
      Gad_SetText(c->gadget, c->text);
      break;
    case PostedChange::kState:
      Gad_SetState(c->gadget, c->value);
      break;
    case PostedChange::kResize:
      Gad_Resize(c->gadget, c->x, c->y, c->w, c->h);
      break;
    case PostedChange::kDisable:
      Gad_Disable(c->gadget, c->value != 0);
      break;
    case PostedChange::kHide:
      Gad_Hide(c->gadget, c->value != 0);
      break;
    case PostedChange::kFocus:
      Gad_Focus(c->gadget);
      break;
    case PostedChange::kAttribute:
      Gad_SetAttribute(c->gadget, c->x, c->value);
      break;
  }
  delete c;
}

// True when the call was posted: the platform runs and this is not its thread.
bool PostIfWorker(PostedChange change) {
  if (!Plat_IsStarted() || Plat_IsMainThread()) return false;
  auto* c = new PostedChange(std::move(change));
  // Dropped at shut-down, the change is only freed.
  if (!Plat_PostTask(ApplyPosted, c, [](void* p) { delete static_cast<PostedChange*>(p); }))
    delete c;
  return true;
}

// The program's own changes raise no events from the control's notifications.
struct Quiet {
  Quiet() { Evt_Suspend(); }
  ~Quiet() { Evt_Resume(); }
};

}  // namespace

void Gad_SetDefaultKind(const GadgetKind* kind) {
  gDefaultKind.store(kind, std::memory_order_release);
}

GadgetRecord* Gad_Register(ObjectHandle number, const GadgetKind* kind, void* window,
                           std::int64_t flags, ObjectHandle* assigned) {
  if (!window) return nullptr;
  ObjectHandle n = 0;
  GadgetRecord* gadget = Table().Allocate(number, &n);
  if (!gadget) return nullptr;
  gadget->handle = window;
  gadget->kind = kind;
  gadget->number = n;
  gadget->flags = flags;
  // The window procedure finds the gadget behind a control's commands.
  if (Plat_IsWindow(static_cast<PlatWindow>(window))) {
    Plat_SetProperty(static_cast<PlatWindow>(window), "KX_Gadget",
                     reinterpret_cast<std::intptr_t>(gadget));
    Plat_SetProperty(static_cast<PlatWindow>(window), "KX_ID", static_cast<std::intptr_t>(n));
  }
  if (assigned) *assigned = n;
  return gadget;
}

GadgetRecord* Gad_Record(ObjectHandle gadget) { return Table().Find(gadget); }

std::recursive_mutex& Gad_Mutex() { return Table().Mutex(); }

bool Gad_IsGadget(ObjectHandle gadget) { return Table().IsObject(gadget); }

int Gad_Kind(ObjectHandle gadget) {
  GadgetRecord* g = Gad_Record(gadget);
  return g && g->kind ? g->kind->id : 0;
}

void Gad_Free(ObjectHandle gadget) {
  if (gadget == KX_Any)
    Table().FreeAll();
  else
    FreeGadget(gadget);
}

void Gad_FreeInside(void* window, bool (*contains)(void* window, void* gadgetWindow)) {
  std::vector<ObjectHandle> inside;
  Table().ForEach([&](ObjectHandle number, GadgetRecord& g) {
    if (contains(window, g.handle)) inside.push_back(number);
  });
  for (ObjectHandle number : inside) FreeGadget(number);
}

int Gad_Width(ObjectHandle gadget) {
  GadgetRecord* g = Gad_Record(gadget);
  if (!g) return 0;
  auto handler = Handler(*g, &GadgetKind::width);
  return handler ? handler(*g) : 0;
}

int Gad_Height(ObjectHandle gadget) {
  GadgetRecord* g = Gad_Record(gadget);
  if (!g) return 0;
  auto handler = Handler(*g, &GadgetKind::height);
  return handler ? handler(*g) : 0;
}

void Gad_SetText(ObjectHandle gadget, const std::u16string& text) {
  if (!Gad_IsGadget(gadget) ||
      PostIfWorker(Change(PostedChange::kText, gadget, 0, 0, 0, 0, 0, text)))
    return;
  Quiet quiet;
  if (GadgetRecord* g = Gad_Record(gadget))
    if (auto handler = Handler(*g, &GadgetKind::setText)) handler(*g, text);
}

std::u16string Gad_GetText(ObjectHandle gadget) {
  GadgetRecord* g = Gad_Record(gadget);
  if (!g) return {};
  auto handler = Handler(*g, &GadgetKind::getText);
  return handler ? handler(*g) : std::u16string();
}

void Gad_SetState(ObjectHandle gadget, std::int64_t value) {
  if (!Gad_IsGadget(gadget) || PostIfWorker(Change(PostedChange::kState, gadget, value))) return;
  Quiet quiet;
  // No fallback: a kind without a state ignores it.
  if (GadgetRecord* g = Gad_Record(gadget))
    if (g->kind && g->kind->setState) g->kind->setState(*g, value);
}

std::int64_t Gad_GetState(ObjectHandle gadget) {
  GadgetRecord* g = Gad_Record(gadget);
  return g && g->kind && g->kind->getState ? g->kind->getState(*g) : 0;
}

void Gad_RequiredSize(ObjectHandle gadget, int* width, int* height) {
  int w = 0, h = 0;
  // No fallback: a kind without a natural size asks for 0 x 0.
  if (GadgetRecord* g = Gad_Record(gadget))
    if (g->kind && g->kind->requiredSize) g->kind->requiredSize(*g, &w, &h);
  if (width) *width = w;
  if (height) *height = h;
}

void Gad_Resize(ObjectHandle gadget, int x, int y, int width, int height) {
  if (PostIfWorker(Change(PostedChange::kResize, gadget, 0, x, y, width, height))) return;
  if (GadgetRecord* g = Gad_Record(gadget))
    if (auto handler = Handler(*g, &GadgetKind::resize)) handler(*g, x, y, width, height);
}

void Gad_Disable(ObjectHandle gadget, bool disabled) {
  if (PostIfWorker(Change(PostedChange::kDisable, gadget, disabled))) return;
  if (GadgetRecord* g = Gad_Record(gadget))
    if (auto handler = Handler(*g, &GadgetKind::disable)) handler(*g, disabled);
}

void Gad_Hide(ObjectHandle gadget, bool hidden) {
  if (PostIfWorker(Change(PostedChange::kHide, gadget, hidden))) return;
  if (GadgetRecord* g = Gad_Record(gadget))
    if (auto handler = Handler(*g, &GadgetKind::hide)) handler(*g, hidden);
}

void Gad_Focus(ObjectHandle gadget) {
  if (PostIfWorker(Change(PostedChange::kFocus, gadget))) return;
  if (GadgetRecord* g = Gad_Record(gadget))
    if (auto handler = Handler(*g, &GadgetKind::focus)) handler(*g);
}

std::int64_t Gad_GetAttribute(ObjectHandle gadget, int attribute) {
  GadgetRecord* g = Gad_Record(gadget);
  return g && g->kind && g->kind->getAttribute ? g->kind->getAttribute(*g, attribute) : 0;
}

void Gad_SetAttribute(ObjectHandle gadget, int attribute, std::int64_t value) {
  if (PostIfWorker(Change(PostedChange::kAttribute, gadget, value, attribute))) return;
  if (GadgetRecord* g = Gad_Record(gadget))
    if (g->kind && g->kind->setAttribute) g->kind->setAttribute(*g, attribute, value);
}
