#include "link/SerialPort.h"

HANDLE PortHandle = INVALID_HANDLE_VALUE;
