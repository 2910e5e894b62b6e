// The process-wide trace sinks, in the order they are built.
#include "util/thread/timer_win.h"
#include "util/trace/trace_setup_win.h"

debug_trace debug_sink("");
file_trace file_sink(slow_timer);
stdout_trace stdout_sink;
stderr_trace stderr_sink;
console_trace console_sink;
