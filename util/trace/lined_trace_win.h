// Line sinks: trace text gathered into whole lines, each passed on with the sink's prefix; the debugger sink.
#pragma once

#include "util/sys/critical_section.h"
#include "util/trace/trace_channel_win.h"

// Lines longer than max_line characters are broken with an inserted '\n'; "\r\n" in
// the text becomes '\n'.
class lined_trace : public trace_base {
public:
    static constexpr int max_prefix = 16;
    static constexpr int max_line = 254;

    // At most max_prefix characters of the prefix are kept.
    explicit lined_trace(const char* prefix = "");

    void write(const char* text, bool may_defer) override;
    // Passes on an incomplete line as it is, without '\n'.
    void flush(bool may_defer) override;

protected:
    // Receives prefix and line as one text, ending in '\n' (but for a flushed rest).
    virtual void output_line(const char* line) = 0;

private:
    void emit_complete_lines();
    void emit(int length);

    // The prefix sits right-aligned directly in front of the line, so that both leave
    // as one string without a copy.
    char prefix_area_[max_prefix + max_line + 2];
    int fill_ = 0;
    critical_section lock_;
    char* line_start_;

    char* line() { return prefix_area_ + max_prefix; }
};

// Lines to the debugger output.
class debug_trace final : public lined_trace {
public:
    explicit debug_trace(const char* prefix = "") : lined_trace(prefix) {}
    ~debug_trace() override;

protected:
    void output_line(const char* line) override;
};
