// The serial port the processor is on. Opened and closed on the window's
// thread from the Port menu; while it is open one receiver thread (TRead,
// link/Receiver.h) reads it and the window's thread writes it.
//
// Lifetime of an open port: OpenPort opens and configures the handle, drops
// what the port had already received, then starts the receiver. ClosePort
// stops the receiver and waits for its end before it purges, restores and
// closes the handle, so the handle is never closed while the receiver can
// still use it. A port that disappears while open (the device is unplugged,
// the far end of a pseudo-terminal goes away) is closed the same way, on the
// window's thread, as soon as the receiver or a write notices it.
#pragma once

#include <windows.h>

class TRead;

// The open port, INVALID_HANDLE_VALUE while none is open. Written only by
// OpenPort and ClosePort (window's thread); the receiver reads it while it
// runs, during which it does not change.
extern HANDLE PortHandle;

// The time-outs every opened port gets: reads return at once with what has
// arrived, writes have no time-out.
extern COMMTIMEOUTS PortTimeouts;

// The time-outs the open port had before OpenPort changed them; ClosePort
// gives them back.
extern COMMTIMEOUTS SavedTimeouts;

// The receiver started by the last successful OpenPort; null while no port
// is open. It runs until ClosePort stops it (also after its port was lost),
// so the object is valid for as long as this refers to it.
extern TRead* ReadThread;

// Closes any open port, then opens "COM<n>" exclusively at 9600 baud, no
// parity, 8 data bits, 1 stop bit, and starts its receiver. Returns false
// when the port cannot be opened (absent, held by another program, not
// accessible, or found gone (IsPortGone) while it was being set up); then no
// port is open. Time-outs or line settings the driver fails while the port
// still answers leave the port as it is, and it counts as open. Either way
// the port now open (n or none) is reported (ReportPortMarks). When the
// platform gives no receiver (no event or thread left) the port is closed
// again, no port is reported, and EOutOfResources is raised.
bool OpenPort(DWORD n);

// Stops the receiver, gives the port back its earlier time-outs, closes it
// and reports that no port is open. Does nothing when no port is open.
// Window's thread only; never needs any other thread to handle messages.
void ClosePort();

// True for the errors a port call reports once the device behind the handle
// is gone, as opposed to line errors or a port that is merely busy.
bool IsPortLostError(DWORD error);

// True when the error a call on the open port failed with says the device is
// gone and the port, asked once more (ClearCommError), fails the same way.
// Some adapters fail a single read or write with such an error now and then
// while they stay plugged in; only a port that no longer answers is gone.
// Either thread that uses the port.
bool IsPortGone(DWORD error);

// True while the open port has the time-outs under which a read returns at
// once with what has arrived (the driver took them at the open, or failed
// them and has them all the same).
bool PortReadsReturnAtOnce();

// Asks the window's thread, through its mailbox, to close the port opened as
// generation `generation` (see PortGeneration), unless that port has been
// closed or another opened since. Callable from any thread; never waits.
void RequestLostPortClose(unsigned generation);

// Counts successful opens; the receiver of an open port reports a lost port
// under the count its port was opened with.
unsigned PortGeneration();
