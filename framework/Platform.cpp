#include "framework/Platform.h"

// Made before every other object of the program, whose constructors may
// already call through it.
TPlatformCalls Platform __attribute__((init_priority(101)));
