// The worker that writes a CSV file of samples, and the file written under a temporary name.
#include "app/window/sample_saver_win.h"

#include <new>
#include <utility>

#include "app/store/sample_csv.h"
#include "util/sys/handle_owner_win.h"

namespace {

// The text is built and written this many bytes at a time: large enough that the writes cost
// little, small enough that the copy of a week of samples is not made twice over.
constexpr std::size_t write_chunk_bytes = 1 << 22;

std::wstring folder_of(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    return path.substr(0, slash + 1);
}

bool write_all(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

DWORD write_csv(HANDLE file, const std::vector<ping_sample>& samples, const sample_clock& clock) {
    std::string text = sample_csv_header;
    text.reserve(write_chunk_bytes + 256);
    for (const ping_sample& sample : samples) {
        append_sample_csv(text, sample, clock);
        if (text.size() < write_chunk_bytes) continue;
        if (!write_all(file, text)) return GetLastError();
        text.clear();
    }
    if (!write_all(file, text)) return GetLastError();
    return FlushFileBuffers(file) ? 0 : GetLastError();
}

// The file under its temporary name, written and closed.
DWORD write_temporary(const wchar_t* temporary, const std::vector<ping_sample>& samples,
                      const sample_clock& clock) {
    const owned_file file(
        CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    try {
        return write_csv(file.get(), samples, clock);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

} // namespace

DWORD write_samples_file(const std::wstring& path, const std::vector<ping_sample>& samples,
                         const sample_clock& clock) {
    // In the same folder, so that the rename cannot turn into a copy that could fail half way.
    wchar_t temporary[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(folder_of(path).c_str(), L"evw", 0, temporary)) return GetLastError();
    DWORD error = write_temporary(temporary, samples, clock);
    if (!error && !MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error) DeleteFileW(temporary);
    return error;
}

UINT save_done_message() {
    static const UINT message = RegisterWindowMessageW(L"echoview_save_done");
    return message;
}

sample_saver::~sample_saver() {
    if (worker_.joinable()) worker_.join();
}

bool sample_saver::start(std::vector<ping_sample> samples, const sample_clock& clock, std::wstring path,
                         HWND notify) {
    if (busy()) return false;
    path_ = std::move(path);
    error_ = 0;
    worker_ = std::thread([this, notify, clock, samples = std::move(samples)] {
        error_ = write_samples_file(path_, samples, clock);
        PostMessageW(notify, save_done_message(), 0, 0);
    });
    return true;
}

DWORD sample_saver::finish() {
    if (worker_.joinable()) worker_.join();
    return error_;
}
