// Trace channels: named lists of sinks that diagnostic and informational messages are sent to.
#pragma once

#include <string>
#include <type_traits>

// A sink for trace text. Any thread may call these; each sink guards itself.
// `may_defer` allows slow or deferred work now (grow a buffer, rotate a file, arm a
// timer): channels always pass true, the final flush at program end passes false.
class trace_base {
public:
    trace_base(const trace_base&) = delete;
    trace_base& operator=(const trace_base&) = delete;

    // Converts the UTF-16 text to UTF-8 and hands it to write().
    virtual void write_wide(const wchar_t* text, bool may_defer);
    virtual void write(const char* text, bool may_defer) = 0;
    virtual void flush(bool may_defer);

protected:
    trace_base() = default;
    virtual ~trace_base() = default;
};

// Text sent to a channel after it was switched off at exit (or to none at all) is kept
// here, 255 characters at most, and goes to the output channel when the traces are set
// up. Constant-initialised, so it is usable before and after every static object.
struct trace_early_buffer {
    static constexpr int capacity = 255;

    wchar_t text[capacity + 1];
    int fill;

    // Narrow characters above 127 are stored as '?'; what does not fit is dropped.
    void append(const char* message);
    void append(const wchar_t* message);
    // The collected text; the buffer is empty afterwards.
    std::wstring take();
};

extern trace_early_buffer early_buffer;

// A list of sinks, not owned. Active from program load (it is constant-initialised, so
// static constructors of other files may send to it) until switch_off, the start-up
// unit's step at exit; an inactive channel passes text to the debugger output and the
// early buffer. The list is not locked: it is filled at start-up before other threads run.
//
// Trivially destructible, and holding no memory of its own: text may be sent at any
// time of exit, after every destructor of the program too, and it then reads a channel
// that is still what switch_off left.
class trace_channel {
public:
    // More than any program wires into one channel (this one uses three at most).
    static constexpr int max_sinks = 16;

    constexpr trace_channel() = default;
    trace_channel(const trace_channel&) = delete;
    trace_channel& operator=(const trace_channel&) = delete;

    // False when the sink is already in the list, the channel is inactive or the list
    // is full.
    bool add_sink(trace_base* sink);
    void send(const char* text);
    void send_wide(const wchar_t* text);
    // Forgets the sinks, which may go from now on, and passes later text to the fallback.
    void switch_off();

    bool active() const { return active_; }
    int sink_count() const { return count_; }

private:
    trace_base* sinks_[max_sinks] = {};
    int count_ = 0;
    bool active_ = true;
};

static_assert(std::is_trivially_destructible<trace_channel>::value,
              "a channel is read after exit has run every destructor");

// The three process-wide channels: debugger-facing diagnostics, informational output,
// and the log that only the file sink receives.
extern trace_channel debug_channel;
extern trace_channel output_channel;
extern trace_channel log_channel;

// Entry points for the rest of the library; messages are whole lines ending in "\n".
void send_debug(const char* text);
void send_debug(const std::string& text);
void send_output(const char* text);
void send_output(const wchar_t* text);
