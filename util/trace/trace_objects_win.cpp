// The process-wide trace objects. Every one of them is constant-initialised, so no
// static constructor elsewhere can reach them before they exist.
#include "util/trace/trace_channel_win.h"

trace_early_buffer early_buffer{};
trace_channel debug_channel;
trace_channel output_channel;
trace_channel log_channel;
