// The common gadget layer: every control (canvas, button, text, progress
// bar, ...) is a GadgetRecord in one object table, and each gadget type is a
// GadgetKind, a table of handlers. An empty handler slot falls back to the
// default kind that the window library installs (window text, outer size,
// ...), then to doing nothing / returning 0.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "runtime/data/handle.h"

struct GadgetRecord;

struct GadgetKind {
  int id = 0;  // e.g. 33 for the canvas
  void (*free)(GadgetRecord& gadget) = nullptr;
  void (*setState)(GadgetRecord& gadget, std::int64_t value) = nullptr;
  void (*setText)(GadgetRecord& gadget, const std::u16string& text) = nullptr;
  // x, y, width, height; KX_Unchanged keeps a value.
  void (*resize)(GadgetRecord& gadget, int x, int y, int width, int height) = nullptr;
  void (*containerSetup)(GadgetRecord& gadget) = nullptr;
  int (*width)(GadgetRecord& gadget) = nullptr;
  int (*height)(GadgetRecord& gadget) = nullptr;
  std::int64_t (*getAttribute)(GadgetRecord& gadget, int attribute) = nullptr;
  void (*setAttribute)(GadgetRecord& gadget, int attribute, std::int64_t value) = nullptr;
  void (*focus)(GadgetRecord& gadget) = nullptr;
  // Beyond the canvas's slots: what controls and the layout engine ask for.
  void (*requiredSize)(GadgetRecord& gadget, int* width, int* height) = nullptr;
  std::int64_t (*getState)(GadgetRecord& gadget) = nullptr;
  std::u16string (*getText)(GadgetRecord& gadget) = nullptr;
  void (*disable)(GadgetRecord& gadget, bool disabled) = nullptr;
  void (*hide)(GadgetRecord& gadget, bool hidden) = nullptr;
};

struct GadgetRecord {
  void* handle = nullptr;  // the gadget's native window; non-null while live
  const GadgetKind* kind = nullptr;
  ObjectHandle number = 0;   // the gadget's own number (dynamic: record address)
  std::int64_t flags = 0;    // creation flags
  void* kindData = nullptr;  // owned by the kind; its free handler releases it
};

// Layout queries a kind may answer through getAttribute. Negative, so they
// never collide with a kind's own attribute codes.
inline constexpr int kGadgetRowHeight = -1;      // list kinds: height of one row
inline constexpr int kGadgetCaptionHeight = -2;  // frame: caption text height

// Installs the fallbacks for empty handler slots (the window library does
// this at start-up). May be null.
void Gad_SetDefaultKind(const GadgetKind* kind);

// Takes the number in the gadget table for a new gadget with its window.
// Returns the record (nullptr on failure); *assigned receives the number.
// Re-using a live fixed number frees the old gadget first.
GadgetRecord* Gad_Register(ObjectHandle number, const GadgetKind* kind, void* window,
                           std::int64_t flags, ObjectHandle* assigned);

// The live record a number names, or nullptr.
GadgetRecord* Gad_Record(ObjectHandle gadget);
// The gadget table's lock (recursive): held, a record found stays live
// across several steps. Never hold it while waiting for another thread.
std::recursive_mutex& Gad_Mutex();
bool Gad_IsGadget(ObjectHandle gadget);
int Gad_Kind(ObjectHandle gadget);  // kind id, 0 when no gadget

// Runs the kind's free handler and releases the number; KX_Any frees all.
void Gad_Free(ObjectHandle gadget);

// Frees every gadget whose native window `contains` says lies inside
// `window`. The window library calls it before destroying a window: a record
// that outlived its native window would later "free" whatever new window the
// platform put at the same address.
void Gad_FreeInside(void* window, bool (*contains)(void* window, void* gadgetWindow));

int Gad_Width(ObjectHandle gadget);
int Gad_Height(ObjectHandle gadget);
void Gad_SetText(ObjectHandle gadget, const std::u16string& text);
std::u16string Gad_GetText(ObjectHandle gadget);
void Gad_SetState(ObjectHandle gadget, std::int64_t value);
std::int64_t Gad_GetState(ObjectHandle gadget);
void Gad_RequiredSize(ObjectHandle gadget, int* width, int* height);
void Gad_Resize(ObjectHandle gadget, int x, int y, int width, int height);
void Gad_Disable(ObjectHandle gadget, bool disabled);
void Gad_Hide(ObjectHandle gadget, bool hidden);
void Gad_Focus(ObjectHandle gadget);
std::int64_t Gad_GetAttribute(ObjectHandle gadget, int attribute);
void Gad_SetAttribute(ObjectHandle gadget, int attribute, std::int64_t value);

// The calling thread's current gadget list: the native window that new
// gadgets are created in (null when none). Opening a window makes its list
// current; a container opens its own list over it and closes it again.
void* Gad_CurrentList();
void Gad_UseList(void* window);      // the window's list becomes the only one
void Gad_OpenList(void* container);  // a container's list on top
void Gad_CloseList();                // back to the list below
void Gad_ForgetList(void* window);   // a destroyed window leaves the lists

// Gadget calls that change a gadget (text, state, size, visibility, ...)
// made on a thread other than the main one are posted to the main thread
// and return at once; these run on the main thread as usual.

// Installs the default handlers that work on a gadget's native window (the
// window library calls it at start-up).
void Gad_InstallDefaultKind();
