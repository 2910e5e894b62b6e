// A trace sink for the tests: keeps every call it receives.
#pragma once

#include "util/trace/trace_channel_win.h"

#include <string>

class recording_sink final : public trace_base {
public:
    void write_wide(const wchar_t* text, bool may_defer) override {
        wide += text;
        deferrable = may_defer;
    }
    void write(const char* text, bool may_defer) override {
        narrow += text;
        deferrable = may_defer;
    }

    std::string narrow;
    std::wstring wide;
    bool deferrable = false;
};
