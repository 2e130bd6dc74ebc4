// A shown window whose gadget list is current, for the control tests.
#pragma once

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "runtime/system/event.h"
#include "runtime/system/gadget.h"
#include "runtime/system/window.h"

inline void DrainEvents() {
  for (int i = 0; i < 5; ++i) Evt_Wait(0);
  while (Evt_QueueLength() > 0) Evt_Wait(0);
}

// Sets a gadget's state and reads it straight back.
inline std::int64_t SetState(ObjectHandle gadget, std::int64_t value) {
  Gad_SetState(gadget, value);
  return Gad_GetState(gadget);
}

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = Win_Open(KX_Any, 50, 50, 400, 300, u"controls", KX_Window_SystemMenu);
    ASSERT_NE(window_, 0);
    DrainEvents();
  }
  void TearDown() override {
    Gad_Free(KX_Any);
    Win_Close(KX_Any);
    DrainEvents();
  }
  PlatWindow Native(ObjectHandle gadget) {
    GadgetRecord* g = Gad_Record(gadget);
    return g ? static_cast<PlatWindow>(g->handle) : nullptr;
  }
  ObjectHandle window_ = 0;
};
