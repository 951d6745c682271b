// Entry of every Windows test program: the framework's application object is
// initialised as the program's entry routine would, then Google Test runs.
#include <gtest/gtest.h>

#include "framework/Application.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  Application->Initialize();
  return RUN_ALL_TESTS();
}
