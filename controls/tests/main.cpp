// Control tests need the platform (and its application object) on the main thread.
#include <gtest/gtest.h>

#include "runtime/system/window.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!Win_Startup()) return 1;
  const int result = RUN_ALL_TESTS();
  Win_Shutdown();
  return result;
}
