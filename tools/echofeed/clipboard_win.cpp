// echofeed clipboard: what another program put on the clipboard, as files a test can read, or
// the clipboard held open for a while, as a program that keeps it would.
#include <cstdio>

#include "tools/echofeed/feed_win.h"

namespace {

struct clipboard_options {
    std::wstring text_file;   // CF_UNICODETEXT as UTF-8
    std::wstring bitmap_file; // CF_DIB as a .bmp file
    DWORD hold_ms = 0;
    bool empty = false; // emptied once read
};

bool write_file(const std::wstring& path, const void* first, std::size_t size, const void* second = nullptr,
                std::size_t second_size = 0) {
    const owned_stream file(_wfopen(path.c_str(), L"wb"));
    const bool written = file && std::fwrite(first, 1, size, file.get()) == size &&
                         (!second || std::fwrite(second, 1, second_size, file.get()) == second_size);
    if (!written) std::fwprintf(stderr, L"echofeed: cannot write %ls\n", path.c_str());
    return written;
}

// The clipboard's data of `format`, locked until the object goes; null when there is none.
class clipboard_data {
public:
    explicit clipboard_data(UINT format) : handle_(GetClipboardData(format)) {
        bytes_ = handle_ ? GlobalLock(handle_) : nullptr;
        size_ = bytes_ ? GlobalSize(handle_) : 0;
    }
    ~clipboard_data() {
        if (bytes_) GlobalUnlock(handle_);
    }
    clipboard_data(const clipboard_data&) = delete;
    clipboard_data& operator=(const clipboard_data&) = delete;
    const void* bytes() const { return bytes_; }
    std::size_t size() const { return size_; }

private:
    HANDLE handle_;
    void* bytes_ = nullptr;
    std::size_t size_ = 0;
};

bool save_text(const std::wstring& path) {
    const clipboard_data data(CF_UNICODETEXT);
    if (!data.bytes()) {
        std::fwprintf(stderr, L"echofeed: no text on the clipboard\n");
        return false;
    }
    const auto* text = static_cast<const wchar_t*>(data.bytes());
    const std::size_t length = wcsnlen(text, data.size() / sizeof(wchar_t));
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), bytes, nullptr, nullptr);
    return write_file(path, utf8.data(), utf8.size());
}

bool save_bitmap(const std::wstring& path) {
    const clipboard_data data(CF_DIB);
    if (!data.bytes() || data.size() < sizeof(BITMAPINFOHEADER)) {
        std::fwprintf(stderr, L"echofeed: no bitmap on the clipboard\n");
        return false;
    }
    const auto* info = static_cast<const BITMAPINFOHEADER*>(data.bytes());
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfSize = static_cast<DWORD>(sizeof file + data.size());
    // Pixels right after the header and its colour table, which 24 and 32 bits have none of.
    file.bfOffBits = static_cast<DWORD>(sizeof file + info->biSize + info->biClrUsed * sizeof(RGBQUAD));
    return write_file(path, &file, sizeof file, data.bytes(), data.size());
}

int parse_clipboard_options(arg_list& args, clipboard_options& o) {
    return parse_options(args, L"clipboard",
                         {
                             value_option({L"--text"}, nullptr, text_in(o.text_file)),
                             value_option({L"--bitmap"}, nullptr, text_in(o.bitmap_file)),
                             value_option({L"--hold"}, L"bad time '%ls'", count_in(o.hold_ms, 0, 600000)),
                             flag_option({L"--empty"}, [&o] { o.empty = true; }),
                         },
                         nullptr);
}

} // namespace

int run_clipboard(arg_list& args) {
    clipboard_options options;
    if (const int code = parse_clipboard_options(args, options)) return code;
    if (!OpenClipboard(nullptr)) {
        std::fwprintf(stderr, L"echofeed: cannot open the clipboard: error %lu\n", GetLastError());
        return exit_file;
    }
    bool saved = options.text_file.empty() || save_text(options.text_file);
    saved = (options.bitmap_file.empty() || save_bitmap(options.bitmap_file)) && saved;
    if (options.empty) EmptyClipboard();
    if (options.hold_ms > 0) {
        std::wprintf(L"clipboard held\n");
        std::fflush(stdout);
        Sleep(options.hold_ms);
    }
    CloseClipboard();
    return saved ? exit_ok : exit_file;
}
