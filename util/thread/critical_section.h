// The critical section lives with the system layer, below threads and traces, which both
// lock with it; this name stays for the code that still includes it from here.
#pragma once

#include "util/sys/critical_section.h"
