#include "framework/SysInit.h"

const DWORD MainThreadID = GetCurrentThreadId();
