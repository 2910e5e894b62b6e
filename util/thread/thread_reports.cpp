#include "util/thread/thread_reports.h"

thread_reports thread_report_targets{nullptr, nullptr};

void report_thread_debug(const char* line) {
    if (thread_report_targets.debug) thread_report_targets.debug(line);
}

void report_thread_output(const char* line) {
    if (thread_report_targets.output) thread_report_targets.output(line);
}
