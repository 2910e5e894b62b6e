// echofeed's common parts: options, the clock, the Echoview window and the sending of batches.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/store/wire_protocol.h" // ping_sample (round-trip times in milliseconds here)
#include "util/sys/handle_owner_win.h"

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
// Prints "echofeed: " and the message, `format` with `first` and `second` for its %ls (as many as
// it has), and where the usage is; returns exit_usage.
int usage_error(const wchar_t* format, const std::wstring& first = {}, const std::wstring& second = {});

// One option of a command. A flag stands alone; any other option takes a value: the argument after
// it, or the rest of its own argument when its name ends in '=' ("--start=PATH"). `take` stores the
// value and says whether it was right. A wrong value is refused with `bad_value`, a usage_error
// format of the value and the option's name as given; a missing one with "NAME needs a value"
// first. Without `bad_value` every value is right, and only a missing one is refused.
struct option {
    std::vector<std::wstring> names;
    std::function<bool(const std::wstring& value)> take;
    const wchar_t* bad_value = nullptr;
    bool flag = false;
};

option flag_option(std::vector<std::wstring> names, std::function<void()> set);
option value_option(std::vector<std::wstring> names, const wchar_t* bad_value,
                    std::function<bool(const std::wstring& value)> take);

// Value checks for value_option, each storing the value in `out`: any text; a number, or a count,
// from `low` to `high`.
std::function<bool(const std::wstring&)> text_in(std::wstring& out);
std::function<bool(const std::wstring&)> number_in(double& out, double low, double high);
template <class Count>
std::function<bool(const std::wstring&)> count_in(Count& out, std::uint64_t low, std::uint64_t high) {
    return [&out, low, high](const std::wstring& text) {
        std::uint64_t value = 0;
        if (!parse_count(text, value) || value < low || value > high) return false;
        out = static_cast<Count>(value);
        return true;
    };
}

// Seconds on the performance counter, a clock that runs with real time.
double clock_seconds();
// Sleeps until clock_seconds() reaches `when` (returns at once if it has).
void sleep_until(double when);

// Options every command that talks to the window understands.
struct target_options {
    bool start = false;    // --start[=PATH]: start Echoview when none runs
    std::wstring program;  // the echoview.exe to start; empty: beside echofeed.exe
    bool repaint = false;  // --repaint: have the window repaint after every batch
    DWORD wait_ms = 10000; // --wait MS: how long to wait for a started window
};

// The one parser of every command's arguments: takes all of `args` as `options` of `command`,
// with the target options first when `target` is given, and an argument that starts with no '-'
// as the command's operand when `operand` is given and still empty. Returns exit_ok, or
// exit_usage once the first wrong argument has been refused.
int parse_options(arg_list& args, const wchar_t* command, std::vector<option> options, target_options* target,
                  std::wstring* operand = nullptr);

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
    // The bytes of what the graph keeps of the samples, or -1 when the window does not say.
    long long summary_bytes();

private:
    bool start_program();
    // The answer to a registered query message, less one; -1 for none.
    long long ask(const wchar_t* message_name);

    target_options options_;
    HWND hwnd_ = nullptr;
};

// Appends samples to a "time,rtt" CSV file.
class csv_recorder {
public:
    bool open(const std::wstring& path); // prints the error
    void add(const ping_sample& sample);

private:
    owned_stream file_;
};

// The subcommands; each takes the arguments after its name and returns the exit code.
int run_ping(arg_list& args);
int run_synth(arg_list& args);
int run_replay(arg_list& args);
int run_raw(arg_list& args);
int run_info(arg_list& args);
int run_window_text(arg_list& args);
int run_tooltip(arg_list& args);
int run_stats(arg_list& args);
int run_close(arg_list& args);
int run_clipboard(arg_list& args);
