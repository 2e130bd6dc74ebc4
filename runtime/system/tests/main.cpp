// The main of every test program that opens windows (see WINDOW_TESTS in
// cmake/RelivoxLibrary.cmake): the platform and its application object run
// on the main thread.
#include <gtest/gtest.h>

#include "runtime/system/window.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!Win_Startup()) return 1;
  const int result = RUN_ALL_TESTS();
  Win_Shutdown();
  return result;
}
