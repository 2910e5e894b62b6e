#include "util/trace/lined_trace_win.h"

#include <windows.h>

#include <cstring>

lined_trace::lined_trace(const char* prefix) {
    std::size_t length = prefix ? std::strlen(prefix) : 0;
    if (length > max_prefix) length = max_prefix;
    line_start_ = prefix_area_ + max_prefix - length;
    if (length) std::memcpy(line_start_, prefix, length);
    line()[0] = '\0';
}

void lined_trace::write(const char* text, bool) {
    if (!text) return;
    lock_guard guard(lock_);
    std::size_t left = std::strlen(text);
    while (left > 0) {
        std::size_t room = static_cast<std::size_t>(max_line - fill_);
        std::size_t chunk = left < room ? left : room;
        std::memcpy(line() + fill_, text, chunk);
        fill_ += static_cast<int>(chunk);
        text += chunk;
        left -= chunk;
        emit_complete_lines();
        if (fill_ < max_line) continue;
        // A full line without an end is broken here. A CR LF that straddles the break is
        // the line end itself; one that follows right after it would only add an empty line.
        if (line()[fill_ - 1] == '\r' && left > 0 && *text == '\n') --fill_;
        line()[fill_] = '\n';
        emit(fill_ + 1);
        fill_ = 0;
        if (left > 0 && *text == '\r') ++text, --left;
        if (left > 0 && *text == '\n') ++text, --left;
    }
}

void lined_trace::emit_complete_lines() {
    for (;;) {
        char* buffer = line();
        char* end = static_cast<char*>(std::memchr(buffer, '\n', static_cast<std::size_t>(fill_)));
        if (!end) return;
        int consumed = static_cast<int>(end - buffer) + 1;
        int length = consumed;
        if (end > buffer && end[-1] == '\r') {
            end[-1] = '\n';
            --length;
        }
        // Emitting terminates the text in place; keep the character that the NUL covers.
        char kept = buffer[length];
        emit(length);
        buffer[length] = kept;
        fill_ -= consumed;
        std::memmove(buffer, buffer + consumed, static_cast<std::size_t>(fill_));
    }
}

void lined_trace::emit(int length) {
    line()[length] = '\0';
    output_line(line_start_);
}

void lined_trace::flush(bool) {
    lock_guard guard(lock_);
    if (fill_ == 0) return;
    emit(fill_);
    fill_ = 0;
}

debug_trace::~debug_trace() {
    flush(false);
}

void debug_trace::output_line(const char* line) {
    OutputDebugStringA(line);
}
