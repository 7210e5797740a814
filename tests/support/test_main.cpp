// The main of the plain test programs: installs the main-thread dispatcher on the main thread.
#include <gtest/gtest.h>

#include "common/dispatcher.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  tallowin::Dispatcher dispatcher;
  tallowin::SetMainDispatcher(&dispatcher);
  int result = RUN_ALL_TESTS();
  tallowin::SetMainDispatcher(nullptr);
  return result;
}
