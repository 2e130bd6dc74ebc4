#include "runtime/system/gadget.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A windowless kind that records what the common layer hands it.
struct Script {
  std::u16string text;
  int freed = 0;
  int x = 0, y = 0, w = 0, h = 0;
};

Script gScript;

const GadgetKind kScripted = {
    .id = 900,
    .free = [](GadgetRecord&) { ++gScript.freed; },
    .setText = [](GadgetRecord&, const std::u16string& t) { gScript.text = t; },
    .resize =
        [](GadgetRecord&, int x, int y, int w, int h) {
          gScript.x = x;
          gScript.y = y;
          gScript.w = w;
          gScript.h = h;
        },
    .width = [](GadgetRecord&) { return gScript.w; },
    .requiredSize =
        [](GadgetRecord&, int* w, int* h) {
          *w = 90;
          *h = 24;
        },
};

const GadgetKind kDefaults = {
    .id = 0,
    .height = [](GadgetRecord&) { return 77; },
};

int gToken;

TEST(Gadget, HandlersOfTheKindThenTheDefaultKindThenNothing) {
  gScript = {};
  Gad_SetDefaultKind(&kDefaults);
  ObjectHandle n = 0;
  ASSERT_NE(Gad_Register(KX_Any, &kScripted, &gToken, 0, &n), nullptr);
  Gad_SetText(n, u"XYZ öffnen");
  EXPECT_EQ(gScript.text, u"XYZ öffnen");
  Gad_Resize(n, 8, 8, 90, 24);
  EXPECT_EQ(Gad_Width(n), 90);
  EXPECT_EQ(Gad_Height(n), 77) << "empty slot falls back to the default kind";
  int w = -1, h = -1;
  Gad_RequiredSize(n, &w, &h);
  EXPECT_EQ(w, 90);
  EXPECT_EQ(Gad_GetState(n), 0);
  EXPECT_EQ(Gad_Kind(n), 900);
  Gad_Free(n);
  EXPECT_EQ(gScript.freed, 1);
  EXPECT_FALSE(Gad_IsGadget(n));
  Gad_SetDefaultKind(nullptr);
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

TEST(Gadget, ReusingAFixedNumberFreesTheOldGadget) {
  gScript = {};
  ASSERT_NE(Gad_Register(3, &kScripted, &gToken, 0, nullptr), nullptr);
  ASSERT_NE(Gad_Register(3, &kScripted, &gToken, 0, nullptr), nullptr);
  EXPECT_EQ(gScript.freed, 1);
  Gad_Free(KX_Any);
  EXPECT_EQ(gScript.freed, 2);
}

}  // namespace
