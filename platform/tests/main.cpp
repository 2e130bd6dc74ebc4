// Tests that open windows need the application object on the main thread.
#include <gtest/gtest.h>

#include "platform/platform.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!Plat_Startup()) return 1;
  const int result = RUN_ALL_TESTS();
  Plat_Shutdown();
  return result;
}
