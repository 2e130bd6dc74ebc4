#include "runtime/system/gadget.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A windowless kind that records what the common layer hands it.
std::u16string gText;
int gFreed = 0, gWidth = 0;
int gToken;

const GadgetKind kScripted = {
    .id = 900,
    .free = [](GadgetRecord&) { ++gFreed; },
    .setText = [](GadgetRecord&, const std::u16string& t) { gText = t; },
    .resize = [](GadgetRecord&, int, int, int w, int) { gWidth = w; },
    .width = [](GadgetRecord&) { return gWidth; },
    .requiredSize = [](GadgetRecord&, int* w, int* h) { *w = 90, *h = 24; },
};
const GadgetKind kDefaults = {.id = 0, .height = [](GadgetRecord&) { return 77; }};

TEST(Gadget, HandlersOfTheKindThenTheDefaultKindThenNothing) {
  gFreed = 0;
  Gad_SetDefaultKind(&kDefaults);
  ObjectHandle n = 0;
  ASSERT_NE(Gad_Register(KX_Any, &kScripted, &gToken, 0, &n), nullptr);
  Gad_SetText(n, u"XYZ öffnen");
  EXPECT_EQ(gText, u"XYZ öffnen");
  Gad_Resize(n, 8, 8, 91, 24);
  EXPECT_EQ(Gad_Width(n), 91);
  EXPECT_EQ(Gad_Height(n), 77) << "empty slot falls back to the default kind";
  int w = -1, h = -1;
  Gad_RequiredSize(n, &w, &h);
  EXPECT_EQ(w, 90);
  EXPECT_EQ(Gad_GetState(n), 0);
  EXPECT_EQ(Gad_Kind(n), 900);
  Gad_Free(n);
  EXPECT_EQ(gFreed, 1);
  EXPECT_FALSE(Gad_IsGadget(n));
  Gad_SetDefaultKind(nullptr);

  // Reusing a fixed number frees the old gadget.
  ASSERT_NE(Gad_Register(3, &kScripted, &gToken, 0, nullptr), nullptr);
  ASSERT_NE(Gad_Register(3, &kScripted, &gToken, 0, nullptr), nullptr);
  EXPECT_EQ(gFreed, 2);
  Gad_Free(KX_Any);
  EXPECT_EQ(gFreed, 3);
}

TEST(Gadget, UnknownNumbersAreHarmless) {
  int w = 5, h = 5;
  Gad_RequiredSize(123456789, &w, &h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(Gad_Width(-7), 0);
  EXPECT_TRUE(Gad_GetText(3).empty());
  Gad_SetText(42, u"x");
  Gad_Free(42);
  EXPECT_EQ(Gad_Register(5, &kScripted, nullptr, 0, nullptr), nullptr) << "no window, no gadget";
}

}  // namespace
