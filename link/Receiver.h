// The receiver: one background thread per open port that reads what the
// processor sends and hands every finished line to the terminal pane.
//
// Threads and ownership:
// - TRead objects are created by OpenPort on the window's thread, after the
//   pending input was dropped, and release themselves when ReceiveLoop
//   returns, which happens only once ClosePort has asked them to stop.
// - RxBuffer belongs to the receiver while one runs, otherwise to the
//   window's thread (OpenPort empties it before it starts the next
//   receiver), so the two never work on it at the same time.
// - Lines reach the pane through HandOverStreamedLine, which posts them to
//   the window's thread without waiting (holding them for a moment while
//   they stream in, link/StreamGathering.h): the receiver never needs the
//   window's thread, so ClosePort may wait for it there. A receiver pauses
//   no longer than held lines may wait, and sends what it holds when it
//   ends.
#pragma once

#include <windows.h>

#include "framework/Thread.h"
#include "link/LineSplitter.h"

// Text received and not yet ended by a line feed.
extern ReceiveBuffer RxBuffer;

// How long the receiver waits for the stop event between two looks at a
// port with nothing waiting. The wait bounds the delay of a line that
// arrives meanwhile; a shorter wait costs processor time (the program's and,
// under Wine, the server's) for every wake-up. The processor mostly answers
// what it was sent, so the receiver looks often within ReceiveBusySpanMs of
// a line sent, and otherwise at one steady pace, quiet or not: lines it
// sends of its own accord go to the pane within one such wait, and a stream
// of them costs a look every ReceiveIdlePollMs rather than every
// ReceiveBusyPollMs (docs/performance.md has the figures). Wine ends the
// waits on time; Windows ends them on the first clock tick (about 15.6 ms
// by default) after they are due, so there both paces are one or two ticks
// (15.6 to 31 ms): slower, and no dearer.
constexpr DWORD ReceiveBusyPollMs = 5;
constexpr DWORD ReceiveIdlePollMs = 15;
constexpr DWORD ReceiveBusySpanMs = 2000;

// Records a line written and ends a pause of the receiver that is under
// way, so the answer is looked for at once and then often. Window's thread
// only: the event it sets belongs to the open port.
void NoteLineSent();

// The receiver's wait before its next look at the port, from the time of
// the last line sent and now (both in GetTickCount milliseconds).
DWORD ReceivePollInterval(DWORD lastSent, DWORD now);

class TRead : public TThread {
public:
  // Made by TThread::Create<TRead>(), running: the loop starts at once.
  TRead();

  // The event that wakes a waiting receiver for its stop: set by ClosePort
  // beside the stop request. It belongs to the open port, not to the
  // receiver object, so setting it never touches a receiver that may already
  // have released itself.
  static HANDLE WakeEvent();
  // Set by every line sent (NoteLineSent); ends one pause early.
  static HANDLE SentEvent();
  // Window's thread. OpenPort makes both events before it starts a receiver
  // (raising EOutOfResources, with none left made, when the platform
  // refuses one); ClosePort closes them once no receiver runs.
  static void OpenEvents();
  static void CloseEvents();

protected:
  void Run() override { ReceiveLoop(); }

private:
  void ReceiveLoop();
  // Reads until a stop is asked for (true) or the port is lost (false).
  bool ReceiveUntilStopOrLoss();
  // Waits for the stop event for at most ms milliseconds.
  static void Pause(DWORD ms);
};

// What one read of the port gave.
struct TReadOutcome {
  DWORD Count = 0;        // bytes read (those a failed read took included)
  bool PortLost = false;  // the read failed because the device is gone
};

// Reads what the port has received into RxBuffer: `waiting` bytes (the input
// count ClearCommError reported), or as many as the buffer can take when
// fewer. With discard true the buffer is emptied afterwards (OpenPort,
// before the receiver starts); otherwise every finished line is handed over
// to the window's thread (the receiver).
TReadOutcome ReadPort(bool discard, DWORD waiting);

// Replaces where the receiver's finished lines go (HandOverStreamedLine); an empty
// sink restores it. Tests only: set it while no receiver runs.
void SetReceivedLineSink(LineSink sink);
