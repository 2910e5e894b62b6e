// The clipboard copy of the graph and its samples, and the Save As dialog of the samples' file.
#include "app/window/export_win.h"

#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>
#include <utility>
#include <vector>

#include "app/store/sample_csv.h"
#include "app/window/brisk_window_win.h"
#include "util/sys/handle_owner_win.h"
#include "util/ui/message_box_win.h"

namespace {

void free_global(HGLOBAL memory) {
    GlobalFree(memory);
}
using owned_global = handle_owner<HGLOBAL, free_global>;

// Another program may hold the clipboard for a moment: this many tries, this far apart.
constexpr int clipboard_tries = 25;
constexpr DWORD clipboard_retry_ms = 20;

// The visible samples of the graph (as the last paint left them) with the clock that gives
// their local times, taken under the store's lock.
struct sample_copy {
    std::vector<ping_sample> samples;
    sample_clock clock;
};

sample_copy visible_samples(brisk_window& window) {
    lock_guard guard(window.store.lock);
    const std::vector<ping_sample>& stored = window.store.samples;
    const std::size_t first = std::min<std::size_t>(window.store.first_visible, stored.size());
    sample_copy copy;
    copy.samples.assign(stored.begin() + static_cast<std::ptrdiff_t>(first), stored.end());
    if (!stored.empty()) copy.clock = arrival_clock(window, stored.back().time);
    return copy;
}

// The back buffer as a bottom-up 24-bit device-independent bitmap; none without a back buffer.
owned_global back_buffer_dib(gdip_bitmap& back_buffer) {
    if (!back_buffer) return owned_global();
    const gdip_bitmap_lock lock(back_buffer, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB);
    if (!lock.locked()) return owned_global();
    const Gdiplus::BitmapData& data = lock.data();
    const std::size_t row_bytes = (data.Width * 3 + 3) & ~std::size_t{3};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = static_cast<LONG>(data.Width);
    header.biHeight = static_cast<LONG>(data.Height);
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(row_bytes * data.Height);
    owned_global dib(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof header + header.biSizeImage));
    auto* bytes = static_cast<BYTE*>(dib ? GlobalLock(dib.get()) : nullptr);
    if (!bytes) return owned_global();
    std::memcpy(bytes, &header, sizeof header);
    const auto* top = static_cast<const BYTE*>(data.Scan0);
    for (UINT y = 0; y < data.Height; ++y)
        std::memcpy(bytes + sizeof header + (data.Height - 1 - y) * row_bytes,
                    top + std::ptrdiff_t(y) * data.Stride, data.Width * 3);
    GlobalUnlock(dib.get());
    return dib;
}

// CSV text as the clipboard wants it: UTF-16, each line ended by CR LF, a null at the end.
owned_global clipboard_text(const std::string& csv) {
    std::size_t lines = 0;
    for (char c : csv) lines += c == '\n' ? 1 : 0;
    owned_global text(GlobalAlloc(GMEM_MOVEABLE, (csv.size() + lines + 1) * sizeof(wchar_t)));
    auto* out = static_cast<wchar_t*>(text ? GlobalLock(text.get()) : nullptr);
    if (!out) return owned_global();
    for (char c : csv) {
        if (c == '\n') *out++ = L'\r';
        *out++ = static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    *out = L'\0';
    GlobalUnlock(text.get());
    return text;
}

bool open_clipboard(HWND owner) {
    for (int i = 0; i < clipboard_tries; ++i) {
        if (OpenClipboard(owner)) return true;
        Sleep(clipboard_retry_ms);
    }
    return false;
}

void say(brisk_window& window, const std::wstring& text) {
    message_box(app_title, window.hwnd, text.c_str(), MB_ICONERROR, nullptr);
}

// Hands each handle to the clipboard, which then owns it.
void put_on_clipboard(UINT format, owned_global& data) {
    if (data && SetClipboardData(format, data.get())) data.detach();
}

} // namespace

void copy_graph(brisk_window& window) {
    // Painted now, so that the picture and the samples copied are the same moment's.
    RedrawWindow(window.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    owned_global dib;
    owned_global text;
    try {
        const sample_copy copy = visible_samples(window);
        dib = back_buffer_dib(window.back_buffer);
        text = clipboard_text(samples_csv(copy.samples.data(), copy.samples.size(), copy.clock));
    } catch (const std::bad_alloc&) {
        text.reset();
    }
    if (!text) {
        say(window, L"Echoview could not copy the graph.\n\n" + system_error_text(ERROR_NOT_ENOUGH_MEMORY));
        return;
    }
    if (!open_clipboard(window.hwnd)) {
        say(window, L"Echoview could not copy the graph: another program keeps the clipboard open.\n\n"
                    L"Close it or wait a moment, then try again.");
        return;
    }
    EmptyClipboard();
    put_on_clipboard(CF_DIB, dib);
    put_on_clipboard(CF_UNICODETEXT, text);
    CloseClipboard();
}

namespace {

// "echoview-YYYYMMDD-HHMMSS.csv" of the local time now.
std::wstring default_file_name() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t name[40];
    swprintf(name, 40, L"echoview-%04u%02u%02u-%02u%02u%02u.csv", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    return name;
}

// The file the user chose in the Save As dialog, opened in the Documents folder; false when
// the dialog was cancelled.
bool ask_save_path(HWND owner, std::wstring& path) {
    wchar_t documents[MAX_PATH] = {};
    const bool have_documents =
        SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents));
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring name = default_file_name();
    std::copy(name.begin(), name.end(), file.begin());
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = have_documents ? documents : nullptr;
    dialog.lpstrDefExt = L"csv";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) return false;
    path = file.data();
    return true;
}

void say_not_saved(brisk_window& window, const std::wstring& path, DWORD error) {
    say(window, L"Echoview could not save the samples to\n" + path + L"\n\n" + system_error_text(error));
}

} // namespace

void save_samples(brisk_window& window) {
    if (window.saver.busy()) {
        MessageBeep(MB_ICONWARNING);
        return;
    }
    std::wstring path;
    if (ask_save_path(window.hwnd, path)) start_saving(window, std::move(path));
}

void start_saving(brisk_window& window, std::wstring path) {
    std::size_t count = 0;
    {
        lock_guard guard(window.store.lock);
        count = window.store.samples.size();
    }
    window.saver.start(std::move(path), count, window.hwnd);
}

namespace {

// Every stored sample into the room the saver made, at one moment, with their clock.
void hand_samples(brisk_window& window) {
    std::vector<ping_sample>& room = window.saver.room();
    sample_clock clock;
    lock_guard guard(window.store.lock);
    const std::vector<ping_sample>& stored = window.store.samples;
    if (stored.size() <= room.size()) {
        std::copy(stored.begin(), stored.end(), room.begin());
        room.resize(stored.size());
    } else {
        room.assign(stored.begin(), stored.end()); // more arrived than there was room for
    }
    if (!stored.empty()) clock = arrival_clock(window, stored.back().time);
    window.saver.write(clock);
}

} // namespace

void on_save_message(brisk_window& window, WPARAM stage) {
    if (!window.saver.busy()) return;
    if (stage == save_room_ready) {
        try {
            hand_samples(window);
        } catch (const std::bad_alloc&) {
            window.saver.cancel();
            say_not_saved(window, window.saver.path(), ERROR_NOT_ENOUGH_MEMORY);
        }
        return;
    }
    if (const DWORD error = window.saver.finish()) say_not_saved(window, window.saver.path(), error);
}
