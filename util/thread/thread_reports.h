// Where the thread layer's diagnostic lines go: set by the trace facility, which sits above it.
#pragma once

// Each takes one complete line ending in "\n". The traces point these at their channels
// when they are set up (setup_traces); until then a line is dropped, as a channel that
// has no sinks yet would drop it. Constant-initialised, so usable at any time of exit.
struct thread_reports {
    void (*debug)(const char* line);  // the thread-wait warning: the debug channel
    void (*output)(const char* line); // the time source's refusals: the output channel
};

extern thread_reports thread_report_targets;

void report_thread_debug(const char* line);
void report_thread_output(const char* line);
