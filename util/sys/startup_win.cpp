// The process-wide objects of the library and the application, in the order they are built.
//
// They live in this one file because C++ orders the construction of static objects only
// within a translation unit: across files it is unspecified. Here the order of the
// definitions is the order of construction, and exit destroys them in reverse. Objects
// that need no teardown and are constant-initialised (the trace channels' early buffer,
// the console state, the character class table, the mode names) are ready before any of
// these and stay where their classes are defined.
#include "util/sys/startup_win.h"

#include <windows.h>

#include <cstdlib>

#include "echoview_version.h"
#include "util/sys/description_table.h"
#include "util/sys/entry_points_win.h"
#include "util/sys/lib_loader_win.h"
#include "util/sys/module_instance_win.h"
#include "util/sys/os_info.h"
#include "util/thread/cpu_info.h"
#include "util/thread/hrtime.h"
#include "util/thread/timer_win.h"
#include "util/trace/console_win.h"
#include "util/trace/trace_channel_win.h"
#include "util/trace/trace_setup_win.h"
#include "util/ui/message_box_win.h"
#include "util/ui/msg_hook_win.h"

namespace {

// Runs an action where it stands in the order: `build` when the objects are built,
// `take_down` when they are destroyed.
struct startup_step {
    startup_step(const char* name, void (*build)(), void (*take_down)())
        : name_(name), take_down_(take_down) {
        note('+', name_);
        if (build) build();
    }
    ~startup_step() {
        note('-', name_);
        if (take_down_) take_down_();
    }
    startup_step(const startup_step&) = delete;
    startup_step& operator=(const startup_step&) = delete;

    // A test build defines ECHOVIEW_STARTUP_TRACE to see the order on standard error;
    // it writes straight to the handle, since the traces themselves are built here.
    static void note(char sign, const char* step) {
#ifdef ECHOVIEW_STARTUP_TRACE
        char line[96];
        const int n = wsprintfA(line, "%c %s\n", sign, step);
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, static_cast<DWORD>(n), &written, nullptr);
#else
        (void)sign;
        (void)step;
#endif
    }

    const char* name_;
    void (*take_down_)();
};

// Registered before anything below is built, so it runs after all of it is destroyed:
// the last action of the library writes out what the file sink still holds.
const int close_traces_registered = std::atexit(close_traces);

} // namespace

// 1-2: descriptions of the system.
description_map description_table;
const startup_step step_description_table("description_table", nullptr, nullptr);
const os_info process_os_info = os_info::detect();
const startup_step step_os_info("os_info", nullptr, nullptr);

// 3-4: the timers; each starts its thread.
passive_timer slow_timer("slow");
const startup_step step_slow_timer("slow timer", nullptr, nullptr);
passive_timer fast_timer("fast");
const startup_step step_fast_timer("fast timer", nullptr, nullptr);

// 5-6: the sinks. The file sink carries its delayed write-outs on the "slow" timer.
debug_trace debug_sink("");
const startup_step step_debug_trace("debug_trace", nullptr, nullptr);
file_trace file_sink(slow_timer);
const startup_step step_file_trace("file_trace", nullptr, nullptr);
stdout_trace stdout_sink;
stderr_trace stderr_sink;
console_trace console_sink;
const startup_step step_console_sinks("console sinks", nullptr, nullptr);

// 7: the channels, active from program load (constant-initialised), destroyed here in
// reverse: log, output, debug. Text sent to a channel afterwards goes to the debugger
// output and the early buffer.
trace_channel debug_channel;
trace_channel output_channel;
trace_channel log_channel;
const startup_step step_channels("channels", nullptr, nullptr);

// 8: the console state is taken before the console sinks are connected, then the sinks
// are wired into the channels.
const startup_step step_setup_traces(
    "setup_traces",
    [] {
        capture_console_state();
        setup_traces();
    },
    nullptr);

// 9: at exit, the file sink is written out and its timer request ended, waiting.
const startup_step step_trace_shutdown("trace shutdown hook", nullptr, stop_traces);

// 10-13: libraries, the processor, the module, the clock.
lib_loader process_lib_loader;
const startup_step step_lib_loader("lib_loader", nullptr, nullptr);
const cpu_info process_cpu_info = read_cpu_info();
const startup_step step_cpu_info("cpu_info", nullptr, nullptr);
HINSTANCE module_instance = GetModuleHandleA(nullptr);
const startup_step step_module_instance("module_instance", nullptr, nullptr);
hrtime process_hrtime(process_cpu_info, mode_name_table, description_table, system_hrtime_platform());
const startup_step step_hrtime(
    "hrtime", [] { process_hrtime.set_processors(process_os_info.processors); }, nullptr);

// 14-15.
hook_registry process_hook_registry;
const startup_step step_hook_registry("hook_registry", nullptr, nullptr);
std::wstring app_title;
const startup_step step_app_title("app_title", nullptr, nullptr);

// 16-18, 20: optional entry points, each holding a reference to its library.
common_controls_entry process_common_controls_entry(process_lib_loader);
const startup_step step_common_controls("common-controls entry", nullptr, nullptr);
layered_window_entry process_layered_window_entry(process_lib_loader);
const startup_step step_layered_window("layered-window entry", nullptr, nullptr);
mouse_tracking_entry process_mouse_tracking_entry(process_lib_loader);
const startup_step step_mouse_tracking("mouse-tracking entry", nullptr, nullptr);
named_entry_pair process_named_entries(process_lib_loader);
const startup_step step_named_entries("named entries", nullptr, nullptr);

// 22.
const std::wstring url_suffix = L"?echoview-" ECHOVIEW_VERSION_WTEXT;
const startup_step step_url_suffix("url_suffix", nullptr, nullptr);

// 23-24: the first things done at exit: each timer finishes a whole pass, so no
// callback runs while the objects it uses go.
const startup_step step_slow_sync("slow timer sync hook", nullptr, [] { slow_timer.sync(); });
const startup_step step_fast_sync("fast timer sync hook", nullptr, [] { fast_timer.sync(); });
