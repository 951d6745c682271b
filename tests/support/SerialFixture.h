// Common ground of the serial end-to-end tests: the real main window, the
// Port menu driven by its commands, the terminal pane read back line by
// line, boxes answered by a hook, key presses on the keypad picture.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/MainForm.h"
#include "app/TerminalPane.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "keypad/KeyTable.h"
#include "link/SerialPort.h"
#include "support/MainWindow.h"
#include "support/Pump.h"

class SerialTest : public testing::Test {
protected:
  static void SetUpTestSuite() {
    EnsureMainWindow();
    Watchdog();
  }

  void SetUp() override {
    SetMessageBoxHook([this](const std::string& text, const std::string&, UINT) {
      boxes.push_back(text);
      return IDOK;
    });
    ClosePort();
    for (TMenuItem* entry : Entries()) entry->SetChecked(false);
    PumpFor(20);
    Main->CommBuff->Lines()->Clear();
  }

  void TearDown() override {
    CloseWithinDeadline();
    PumpFor(20);
    SetMessageBoxHook(nullptr);
  }

  // ClosePort, ending the program as failed should it not return within
  // CloseDeadlineMs: a close that waits for a receiver that can never end
  // (one that died with its port left open, say) would otherwise hold the
  // program until CTest's time-out, minutes later, with no word of why.
  // A close takes milliseconds; the deadline is longer than any a test lets
  // wait on purpose (LinkEdges feeds its blocked reads after 6 s).
  static constexpr DWORD CloseDeadlineMs = 10000;
  static void CloseWithinDeadline() {
    SetEvent(Watchdog().Armed);
    ClosePort();
    SetEvent(Watchdog().Returned);
  }

  // One watchdog thread for the program, made with the window, before any
  // test counts threads or handles. Made at each close, its thread and events
  // would take the handles and memory that a close of a receiver already
  // freed reads, and could hide the hang they are there to catch.
  struct TWatchdog {
    HANDLE Armed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE Returned = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    TWatchdog() {
      std::thread([this] {
        for (;;) {
          WaitForSingleObject(Armed, INFINITE);
          if (WaitForSingleObject(Returned, CloseDeadlineMs) != WAIT_TIMEOUT) continue;
          std::fprintf(stderr, "FAILED: ClosePort did not return within %lu s: its receiver never ended\n",
                       CloseDeadlineMs / 1000);
          std::fflush(stdout);
          std::fflush(stderr);
          TerminateProcess(GetCurrentProcess(), 1);
        }
      }).detach();
    }
  };
  static TWatchdog& Watchdog() {
    static TWatchdog* const watchdog = new TWatchdog;  // never destroyed: its thread outlives main
    return *watchdog;
  }

  static std::vector<TMenuItem*> Entries() {
    return {Main->MenuCOM1, Main->MenuCOM2, Main->MenuCOM3, Main->MenuCOM4,
            Main->MenuCOM5, Main->MenuCOM6, Main->MenuCOM7, Main->MenuCOM8};
  }

  // Chooses Settings > Port > COMn as the menu does: the entry's command
  // reaches the window.
  static void Pick(int n) {
    SendMessageA(Main->Handle(), WM_COMMAND, Entries()[n - 1]->Command(), 0);
  }

  // The marks of COM1..COM8, e.g. "--3-----".
  static std::string Marks() {
    std::string marks;
    int n = 1;
    for (TMenuItem* entry : Entries()) {
      marks += entry->Checked() ? static_cast<char>('0' + n) : '-';
      ++n;
    }
    return marks;
  }

  static std::string PaneText() { return Main->CommBuff->Lines()->Text(); }

  // The lines shown since the pane was last cleared, as ShowLine got them:
  // the pane parts lines with CR LF (a received line keeps its own CR in
  // front of that), and a final line break ends the last line.
  static std::vector<std::string> PaneLines() {
    std::vector<std::string> lines;
    const std::string text = PaneText();
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
  }

  using Lines = std::vector<std::string>;

  // Waits (pumping) until the pane shows at least n lines.
  static bool WaitForLines(size_t n, DWORD ms = 10000) {
    return PumpUntil([n] { return PaneLines().size() >= n; }, ms);
  }

  // A press and release of the key in the given slot on the keypad picture
  // (which lies at (2, 0) in the client area).
  static void PressKey(int slot) {
    const LPARAM at = MAKELPARAM(KeyTable[slot].X + 2, KeyTable[slot].Y);
    SendMessageA(Main->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(Main->Handle(), WM_LBUTTONUP, 0, at);
  }

  // The press command of a key in zone 1, as it goes on the wire.
  static std::string PressLine(int slot) {
    return "1 17 1 " + std::to_string(KeyTable[slot].Code) + "\r\n";
  }

  std::vector<std::string> boxes;
};

// Text of the one box the link shows.
constexpr char SelectPortText[] = "Select COM port (Settings->Port)";
