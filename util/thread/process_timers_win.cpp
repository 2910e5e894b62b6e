// The process-wide timers; their threads start before the entry point runs.
#include "util/thread/timer_win.h"

passive_timer slow_timer("slow");
passive_timer fast_timer("fast");
