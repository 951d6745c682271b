// Entry of every Windows test program: the program's platform calls are
// made failable on demand (PlatformFaults.h), the framework's application
// object is initialised as the program's entry routine would, then Google
// Test runs.
#include <gtest/gtest.h>

#include "framework/Application.h"
#include "support/PlatformFaults.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  InstallPlatformFaults();
  Application->Initialize();
  return RUN_ALL_TESTS();
}
