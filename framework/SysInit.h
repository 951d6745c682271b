// Start-up facts the framework records before anything else runs.
#pragma once

#include <windows.h>

// The thread that started the program (the one that runs the message loop).
// Recorded during static initialisation, which runs on that thread.
extern const DWORD MainThreadID;
