#include "util/trace/trace_setup_win.h"

#include "util/thread/thread_reports.h"
#include "util/trace/console_win.h"

bool trace_log_separator = true;

void setup_traces() {
    file_sink.set_sizes(262144, 16777216, 8192);
    file_trace::set_exit_sink(&file_sink);

    debug_channel.add_sink(&debug_sink);
    debug_channel.add_sink(&file_sink);
    output_channel.add_sink(&file_sink);
    log_channel.add_sink(&file_sink);
    if (console_info.console_program) {
        output_channel.add_sink(&stdout_sink);
        debug_channel.add_sink(&stderr_sink);
    }

    // The layer below reports through these, not through the channels it cannot see.
    thread_report_targets.debug = [](const char* line) { debug_channel.send(line); };
    thread_report_targets.output = [](const char* line) { output_channel.send(line); };

    if (trace_log_separator)
        log_channel.send("\n\n----------------------------------------------------------------\n\n");

    const std::wstring early = early_buffer.take();
    if (!early.empty()) output_channel.send_wide(early.c_str());
}

void stop_traces() {
    file_sink.stop_timer();
}

void switch_off_channels() {
    log_channel.switch_off();
    output_channel.switch_off();
    debug_channel.switch_off();
}

void close_traces() {
    file_trace::flush_exit_sink();
}
