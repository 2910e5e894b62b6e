#include "util/trace/trace_channel_win.h"

#include "util/sys/string_convert.h"

#include <windows.h>

void trace_base::write_wide(const wchar_t* text, bool may_defer) {
    if (!text) return;
    write(to_utf8(text).c_str(), may_defer);
}

void trace_base::flush(bool) {}

void trace_early_buffer::append(const char* message) {
    if (!message) return;
    for (; *message && fill < capacity; ++message) {
        unsigned char ch = static_cast<unsigned char>(*message);
        text[fill++] = ch > 127 ? L'?' : static_cast<wchar_t>(ch);
    }
    text[fill] = L'\0';
}

void trace_early_buffer::append(const wchar_t* message) {
    if (!message) return;
    for (; *message && fill < capacity; ++message) text[fill++] = *message;
    text[fill] = L'\0';
}

std::wstring trace_early_buffer::take() {
    std::wstring result(text, static_cast<std::size_t>(fill));
    fill = 0;
    text[0] = L'\0';
    return result;
}

void trace_channel::switch_off() {
    active_ = false;
    count_ = 0;
}

bool trace_channel::add_sink(trace_base* sink) {
    if (!active_ || !sink || count_ == max_sinks) return false;
    for (int i = 0; i < count_; ++i)
        if (sinks_[i] == sink) return false;
    sinks_[count_++] = sink;
    return true;
}

void trace_channel::send(const char* text) {
    if (!text) return;
    if (!active_) {
        OutputDebugStringA(text);
        early_buffer.append(text);
        return;
    }
    for (int i = 0; i < count_; ++i) sinks_[i]->write(text, true);
}

void trace_channel::send_wide(const wchar_t* text) {
    if (!text) return;
    if (!active_) {
        OutputDebugStringW(text);
        early_buffer.append(text);
        return;
    }
    for (int i = 0; i < count_; ++i) sinks_[i]->write_wide(text, true);
}

void send_debug(const char* text) {
    debug_channel.send(text);
}

void send_debug(const std::string& text) {
    debug_channel.send(text.c_str());
}

void send_output(const char* text) {
    output_channel.send(text);
}

void send_output(const wchar_t* text) {
    output_channel.send_wide(text);
}
