// Entry of every Windows test program: the program's platform calls are
// made failable on demand (PlatformFaults.h), the framework's application
// object is initialised as the program's entry routine would, then Google
// Test runs.
#include <gtest/gtest.h>
#include <windows.h>

#include "framework/Application.h"
#include "support/PlatformFaults.h"

// A crash on any thread ends the program at once, as a failure. Left to
// Wine, it starts its debugger, which now and then stays behind holding the
// program's output pipe (it, or the server for it), and CTest then waits for
// the test's time-out, minutes later, however soon the test failed.
static LONG WINAPI EndOnCrash(EXCEPTION_POINTERS*) {
  static const char said[] = "\nFAILED: the program crashed\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), said, sizeof said - 1, &written, nullptr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

namespace {

// Every failure a test armed is disarmed when it ends, also when the test
// stopped before it could disarm them itself: the next test starts with
// every call going through.
class TDisarmAtTestEnd : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo&) override { ClearCallFailures(); }
};

}  // namespace

int main(int argc, char** argv) {
  SetUnhandledExceptionFilter(&EndOnCrash);
  testing::InitGoogleTest(&argc, argv);
  InstallPlatformFaults();
  testing::UnitTest::GetInstance()->listeners().Append(new TDisarmAtTestEnd);
  Application->Initialize();
  return RUN_ALL_TESTS();
}
