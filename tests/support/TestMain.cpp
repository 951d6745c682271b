// Entry of every Windows test program: the program's platform calls are
// made failable on demand (PlatformFaults.h), the framework's application
// object is initialised as the program's entry routine would, then Google
// Test runs.
#include <gtest/gtest.h>

#include "framework/Application.h"
#include "support/PlatformFaults.h"

namespace {

// Every failure a test armed is disarmed when it ends, also when the test
// stopped before it could disarm them itself: the next test starts with
// every call going through.
class TDisarmAtTestEnd : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo&) override { ClearCallFailures(); }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  InstallPlatformFaults();
  testing::UnitTest::GetInstance()->listeners().Append(new TDisarmAtTestEnd);
  Application->Initialize();
  return RUN_ALL_TESTS();
}
