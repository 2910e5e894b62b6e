// The process-wide trace sinks and the start-up and exit steps that wire them into the channels.
#pragma once

#include "util/trace/console_trace_win.h"
#include "util/trace/file_trace_win.h"
#include "util/trace/lined_trace_win.h"

// The sinks. The file sink is attached to the "slow" timer and so must be built after it
// and destroyed before it.
extern debug_trace debug_sink;
extern file_trace file_sink;
extern stdout_trace stdout_sink;
extern stderr_trace stderr_sink;
extern console_trace console_sink;

// Whether setup_traces starts the log with a separator line. On in this program.
extern bool trace_log_separator;

// Run once at start-up, after the sinks, the channels and the console state
// (capture_console_state) exist: sizes the file sink, puts the debugger and file sinks
// into the channels (and in a console program the standard output and error sinks),
// points the thread layer's reports at the debug and output channels, writes the
// separator to the log and passes on the text of the early buffer.
void setup_traces();

// Exit hook of start-up: writes out the file sink, then ends its timer request, waiting
// for a write-out that the timer is running.
void stop_traces();

// Exit step of start-up, where the channels stood in the order: switches off the log,
// output and debug channels, in this order. Text sent later takes the channels' fallback.
void switch_off_channels();

// The very last action at exit, after the static destructors too: writes out what the
// file sink still holds, unless it is being (or has been) destroyed or is writing.
void close_traces();
