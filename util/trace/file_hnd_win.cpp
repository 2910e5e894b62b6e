#include "util/trace/file_hnd_win.h"

#include "util/sys/string_convert.h"

#include <climits>

namespace {

struct open_parameters {
    DWORD access = 0;
    DWORD share = 0;
    DWORD disposition = 0;
    DWORD flags = 0;
    bool inherit = true;
};

bool translate_share(int share, DWORD& out) {
    out = (share & file_hnd::share_delete) ? FILE_SHARE_DELETE : 0;
    switch (share & ~file_hnd::share_delete) {
        case file_hnd::share_exclusive: return true;
        case file_hnd::share_read: out |= FILE_SHARE_READ; return true;
        case file_hnd::share_write: out |= FILE_SHARE_WRITE; return true;
        case file_hnd::share_read_write: out |= FILE_SHARE_READ | FILE_SHARE_WRITE; return true;
        default: return false;
    }
}

bool translate_mode(int mode_word, open_parameters& out) {
    switch (mode_word & 0x3) {
        case file_hnd::mode_read: out.access = GENERIC_READ; break;
        case file_hnd::mode_write: out.access = GENERIC_WRITE; break;
        case file_hnd::mode_read_write: out.access = GENERIC_READ | GENERIC_WRITE; break;
        default: return false;
    }
    switch (mode_word & 0x700) {
        case 0:
        case file_hnd::mode_exclusive: out.disposition = OPEN_EXISTING; break;
        case file_hnd::mode_create: out.disposition = OPEN_ALWAYS; break;
        case file_hnd::mode_truncate:
        case file_hnd::mode_truncate | file_hnd::mode_exclusive: out.disposition = TRUNCATE_EXISTING; break;
        case file_hnd::mode_create | file_hnd::mode_truncate: out.disposition = CREATE_ALWAYS; break;
        default: out.disposition = CREATE_NEW; break; // create + exclusive, or all three
    }
    if (!(mode_word & (file_hnd::mode_random | file_hnd::mode_sequential)))
        mode_word |= file_hnd::mode_sequential;
    out.flags = (mode_word & file_hnd::mode_sequential) ? FILE_FLAG_SEQUENTIAL_SCAN : FILE_FLAG_RANDOM_ACCESS;
    if (mode_word & file_hnd::mode_temporary) {
        if (!(mode_word & file_hnd::mode_create)) return false;
        out.flags |= FILE_FLAG_DELETE_ON_CLOSE;
        out.access |= DELETE;
    }
    out.inherit = !(mode_word & file_hnd::mode_no_inherit);
    out.flags |= (mode_word & file_hnd::mode_short_lived) ? FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL;
    if (mode_word & file_hnd::mode_write_through) out.flags |= FILE_FLAG_WRITE_THROUGH;
    return true;
}

} // namespace

file_hnd::~file_hnd() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

std::uint64_t file_hnd::size() {
    LARGE_INTEGER size{};
    if (!is_open() || !GetFileSizeEx(handle_, &size)) return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool file_hnd::close() {
    if (!is_open()) return true;
    BOOL closed = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    mode_ = 0;
    return closed != FALSE;
}

bool file_hnd::open(const std::wstring& name, int mode_word, int share) {
    close();
    open_parameters parameters;
    if (!translate_mode(mode_word, parameters) || !translate_share(share, parameters.share)) {
        last_error_ = -1;
        return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, parameters.inherit ? TRUE : FALSE};
    handle_ = CreateFileW(name.c_str(), parameters.access, parameters.share, &attributes,
                          parameters.disposition, parameters.flags, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        last_error_ = static_cast<int>(GetLastError());
        return false;
    }
    last_error_ = 0;
    mode_ = 0;
    if (parameters.access & GENERIC_READ) mode_ |= open_read;
    if (parameters.access & GENERIC_WRITE) mode_ |= open_write;
    return true;
}

std::int64_t file_hnd::seek(std::int64_t distance, int origin) {
    static const DWORD methods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    if (!is_open() || origin < 0 || origin > 2) return -1;
    // The held-back byte was read from the file already: the caller's "current" is one
    // byte before the handle's position.
    if (origin == 1 && holds_pushback()) --distance;
    mode_ &= static_cast<std::uint8_t>(~held_byte);
    LARGE_INTEGER move{}, position{};
    move.QuadPart = distance;
    if (!SetFilePointerEx(handle_, move, &position, methods[origin])) return -1;
    return position.QuadPart;
}

std::int64_t file_hnd::tell() {
    if (!is_open()) return -1;
    LARGE_INTEGER zero{}, position{};
    if (!SetFilePointerEx(handle_, zero, &position, FILE_CURRENT)) return -1;
    return holds_pushback() ? position.QuadPart - 1 : position.QuadPart;
}

int file_hnd::read(char* buffer, int count) {
    if (!is_open() || !(mode_ & open_read)) return -1;
    if (count <= 0) return 0;
    int delivered = 0;
    if (holds_pushback()) {
        buffer[delivered++] = pushback_;
        mode_ &= static_cast<std::uint8_t>(~held_byte);
        if (count == 1) return delivered;
    }
    DWORD got = 0;
    if (!ReadFile(handle_, buffer + delivered, static_cast<DWORD>(count - delivered), &got, nullptr))
        return delivered > 0 ? delivered : -1;
    return delivered + static_cast<int>(got);
}

int file_hnd::write(const char* data, int count) {
    if (!is_open() || !(mode_ & open_write)) return -1;
    if (count <= 0) return 0;
    DWORD written = 0;
    if (!WriteFile(handle_, data, static_cast<DWORD>(count), &written, nullptr)) return -1;
    return static_cast<int>(written);
}

bool file_hnd::read_line(std::string& out) {
    out.clear();
    char ch = 0;
    for (;;) {
        int got = read(&ch, 1);
        if (got < 0) {
            line_end_ = end_of_file;
            return false;
        }
        if (got == 0) {
            line_end_ = end_of_file;
            return !out.empty();
        }
        if (ch == '\n') {
            line_end_ = end_lf;
            return true;
        }
        if (ch == '\r') {
            char next = 0;
            int more = read(&next, 1);
            if (more == 1 && next == '\n') {
                line_end_ = end_cr_lf;
            } else {
                if (more == 1) {
                    pushback_ = next;
                    mode_ |= held_byte;
                }
                line_end_ = end_cr;
            }
            return true;
        }
        out.push_back(ch);
    }
}

bool file_hnd::read_line_wide(std::wstring& out) {
    std::string narrow;
    bool got = read_line(narrow);
    out = to_wide(narrow);
    return got;
}

bool file_hnd::truncate() {
    return is_open() && (mode_ & open_write) && SetEndOfFile(handle_);
}

bool file_hnd::commit() {
    return true;
}

bool file_hnd::write_text(const std::string& text) {
    if (text.size() > static_cast<std::size_t>(INT_MAX)) return false;
    int count = static_cast<int>(text.size());
    return write(text.data(), count) == count;
}

bool file_hnd::write_text_wide(const std::wstring& text) {
    return write_text(to_narrow(text));
}

bool file_hnd::write_char(char ch) {
    return write(&ch, 1) == 1;
}

bool file_hnd::write_char_wide(wchar_t ch) {
    char bytes[8] = {};
    int count = WideCharToMultiByte(CP_THREAD_ACP, 0, &ch, 1, bytes, 7, nullptr, nullptr);
    return count > 0 && write(bytes, count) == count;
}

bool file_hnd::read_char(char& out) {
    return read(&out, 1) == 1;
}

bool file_hnd::read_char_wide(wchar_t& out) {
    char bytes[7] = {};
    int got = read(bytes, 7);
    if (got <= 0) return false;
    wchar_t wide[8] = {};
    if (MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, got, wide, 8) <= 0) return false;
    out = wide[0];
    char back[8] = {};
    int used = WideCharToMultiByte(CP_THREAD_ACP, 0, wide, 1, back, 7, nullptr, nullptr);
    if (used <= 0 || used > got) used = 1;
    if (got > used) seek(used - got, 1);
    return true;
}
