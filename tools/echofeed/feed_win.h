// echofeed's common parts: options, the clock, the Echoview window and the sending of batches.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/store/wire_protocol.h" // ping_sample (round-trip times in milliseconds here)

// Exit codes: what happened, for scripts.
enum exit_code : int {
    exit_ok = 0,
    exit_usage = 1,       // bad command line
    exit_no_window = 2,   // no Echoview window, and none could be started
    exit_host = 3,        // host unknown or ICMP not available
    exit_file = 4,        // file cannot be read or written, or a malformed line
    exit_send_failed = 5, // the window went away or stopped answering
    exit_all_lost = 6,    // ping: not one reply
};

// Command line arguments after the subcommand, consumed front to back.
class arg_list {
public:
    explicit arg_list(std::vector<std::wstring> args) : args_(std::move(args)) {}
    bool empty() const { return pos_ >= args_.size(); }
    const std::wstring& peek() const { return args_[pos_]; }
    std::wstring next() { return args_[pos_++]; }
    // Takes the value after option `name`; false (with a message) when it is missing.
    bool value(const std::wstring& name, std::wstring& out);

private:
    std::vector<std::wstring> args_;
    std::size_t pos_ = 0;
};

bool parse_number(const std::wstring& text, double& out);
bool parse_count(const std::wstring& text, std::uint64_t& out);
int usage_error(const wchar_t* format, const std::wstring& what);

// Seconds on the performance counter, a clock that runs with real time.
double clock_seconds();
// Sleeps until clock_seconds() reaches `when` (returns at once if it has).
void sleep_until(double when);

// Options every feeding subcommand understands.
struct target_options {
    bool start = false;    // --start[=PATH]: start Echoview when none runs
    std::wstring program;  // the echoview.exe to start; empty: beside echofeed.exe
    bool repaint = false;  // --repaint: have the window repaint after every batch
    DWORD wait_ms = 10000; // --wait MS: how long to wait for a started window
};

// Takes a target option at the front of `args`; true when one was taken.
// `bad` is set when it was malformed.
bool take_target_option(arg_list& args, target_options& options, bool& bad);
// Takes all of `args` as target options of `command`: exit_ok, or exit_usage (with a message)
// for anything else.
int take_target_options_only(arg_list& args, target_options& options, const wchar_t* command);

// The Echoview main window ("brisk_mainwnd").
class echoview_target {
public:
    explicit echoview_target(target_options options) : options_(std::move(options)) {}
    // Finds the window, starting Echoview first when asked to. Prints the error.
    bool connect();
    HWND hwnd() const { return hwnd_; }
    // One WM_COPYDATA with the given id and bytes (null data allowed). Prints the error.
    bool send(ULONG_PTR id, const void* data, DWORD size);
    bool send_samples(const std::vector<ping_sample>& samples);
    void repaint();
    // The number of samples the window holds, or -1 when it does not say.
    long long sample_count();
    // The bytes of the graph's summaries, or -1 when the window does not say.
    long long summary_bytes();

private:
    bool start_program();
    // The answer to a registered query message, less one; -1 for none.
    long long ask(const wchar_t* message_name);

    target_options options_;
    HWND hwnd_ = nullptr;
};

// Appends samples to a "time,rtt" CSV file; closes it on destruction.
class csv_recorder {
public:
    csv_recorder() = default;
    ~csv_recorder();
    csv_recorder(const csv_recorder&) = delete;
    csv_recorder& operator=(const csv_recorder&) = delete;
    bool open(const std::wstring& path); // prints the error
    void add(const ping_sample& sample);
    bool is_open() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
};

// The subcommands; each takes the arguments after its name and returns the exit code.
int run_ping(arg_list& args);
int run_synth(arg_list& args);
int run_replay(arg_list& args);
int run_raw(arg_list& args);
int run_info(arg_list& args);
int run_window_text(arg_list& args);
int run_stats(arg_list& args);
int run_close(arg_list& args);
