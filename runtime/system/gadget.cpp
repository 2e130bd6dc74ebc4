#include "runtime/system/gadget.h"

#include <atomic>

#include "runtime/data/object_table.h"

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
  if (assigned) *assigned = n;
  return gadget;
}

GadgetRecord* Gad_Record(ObjectHandle gadget) { return Table().Find(gadget); }

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
  if (GadgetRecord* g = Gad_Record(gadget))
    if (auto handler = Handler(*g, &GadgetKind::resize)) handler(*g, x, y, width, height);
}

void Gad_Disable(ObjectHandle gadget, bool disabled) {
  if (GadgetRecord* g = Gad_Record(gadget))
    if (auto handler = Handler(*g, &GadgetKind::disable)) handler(*g, disabled);
}

void Gad_Hide(ObjectHandle gadget, bool hidden) {
  if (GadgetRecord* g = Gad_Record(gadget))
    if (auto handler = Handler(*g, &GadgetKind::hide)) handler(*g, hidden);
}

void Gad_Focus(ObjectHandle gadget) {
  if (GadgetRecord* g = Gad_Record(gadget))
    if (auto handler = Handler(*g, &GadgetKind::focus)) handler(*g);
}

std::int64_t Gad_GetAttribute(ObjectHandle gadget, int attribute) {
  GadgetRecord* g = Gad_Record(gadget);
  return g && g->kind && g->kind->getAttribute ? g->kind->getAttribute(*g, attribute) : 0;
}

void Gad_SetAttribute(ObjectHandle gadget, int attribute, std::int64_t value) {
  if (GadgetRecord* g = Gad_Record(gadget))
    if (g->kind && g->kind->setAttribute) g->kind->setAttribute(*g, attribute, value);
}
