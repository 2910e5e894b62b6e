// Console sinks: trace text to standard output, standard error, or the console (a message box without one).
#pragma once

#include "util/trace/trace_channel_win.h"

// Both write only in a console program (console_info, captured at start-up); narrow
// text is in the thread's ANSI code page. flush does nothing.
class stdout_trace final : public trace_base {
public:
    void write_wide(const wchar_t* text, bool may_defer) override;
    void write(const char* text, bool may_defer) override;
};

class stderr_trace final : public trace_base {
public:
    void write_wide(const wchar_t* text, bool may_defer) override;
    void write(const char* text, bool may_defer) override;
};

// To the console in a console program; otherwise each message in a message box of its
// own, captioned "Debug message", with a warning icon and no owner.
class console_trace final : public trace_base {
public:
    void write_wide(const wchar_t* text, bool may_defer) override;
    void write(const char* text, bool may_defer) override;
};
