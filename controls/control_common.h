// Shared by the control kinds: making a control in the current gadget list
// and the handlers most kinds have in common.
#pragma once

#include <cstdint>
#include <string>

#include "platform/controls.h"
#include "runtime/system/gadget.h"

// What a kind passes to CtlMake.
struct CtlSpec {
  PlatControlKind platKind = PlatControlKind::kPlain;
  const GadgetKind* kind = nullptr;
  ObjectHandle number = -1;
  int x = 0, y = 0, width = 0, height = 0;
  std::u16string text;
  std::int64_t flags = 0;
  std::uint32_t options = 0;  // PlatControlOption bits
};

// Makes the control window in the current gadget list, shows it and
// registers the gadget. The created gadget's record comes back in *record
// (when asked for). Returns what the creating calls return: the number for
// KX_Any, else the native handle; 0 on failure (nothing left behind).
ObjectHandle CtlMake(const CtlSpec& desc, GadgetRecord** record = nullptr);

// The number a creating call's result names (the result itself for KX_Any).
ObjectHandle CtlNumberOf(ObjectHandle requested, ObjectHandle result);

inline PlatWindow CtlWindow(const GadgetRecord& g) { return static_cast<PlatWindow>(g.handle); }

// Common handlers.
void CtlFree(GadgetRecord& g);  // destroys the window
void CtlSetText(GadgetRecord& g, const std::u16string& text);
std::u16string CtlGetText(GadgetRecord& g);
void CtlSetValue(GadgetRecord& g, std::int64_t value);
std::int64_t CtlGetValue(GadgetRecord& g);
void CtlSizeHint(GadgetRecord& g, int* width, int* height);
// Text measured in the control's font: one line, or a line per line break.
void CtlTextSize(GadgetRecord& g, bool multiLine, int* width, int* height);

struct ControlRequest;
// CtlMake for a request of Ctl_Create.
ObjectHandle CtlMakeRequest(const ControlRequest& request, PlatControlKind platKind,
                            const GadgetKind* kind, std::uint32_t options,
                            GadgetRecord** record = nullptr);

// The families of Ctl_Create; each returns false for a kind it does not make.
bool CtlCreateChoice(const ControlRequest& request, ObjectHandle* result);
bool CtlCreateEdit(const ControlRequest& request, ObjectHandle* result);
bool CtlCreateList(const ControlRequest& request, ObjectHandle* result);
bool CtlCreateValue(const ControlRequest& request, ObjectHandle* result);
bool CtlCreatePicture(const ControlRequest& request, ObjectHandle* result);
bool CtlCreateContainer(const ControlRequest& request, ObjectHandle* result);
