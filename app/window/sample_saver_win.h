// Writing every stored sample to a CSV file on a thread of its own, and the file's safe replacement.
#pragma once

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "app/store/sample_clock.h"
#include "app/store/wire_protocol.h"

// Writes the samples as CSV (app/store/sample_csv.h) under a temporary name in the folder of
// `path`, then renames it to `path`, replacing a file of that name. Returns 0, or the system's
// error code; on an error no file of the temporary name is left and `path` is as it was.
DWORD write_samples_file(const std::wstring& path, const std::vector<ping_sample>& samples,
                         const sample_clock& clock);

// Posted to the window that started a save once the file is written or has failed.
UINT save_done_message();

// One save at a time, run from a copy of the samples, so that the window goes on answering
// and taking samples (which the file then leaves out) while it runs.
class sample_saver {
public:
    sample_saver() = default;
    // Waits for a save that still runs: the program must not end with half a file.
    ~sample_saver();
    sample_saver(const sample_saver&) = delete;
    sample_saver& operator=(const sample_saver&) = delete;

    // Starts writing `samples` to `path`; `notify` gets save_done_message when it ends.
    // False, starting nothing, while another save has not been finished.
    bool start(std::vector<ping_sample> samples, const sample_clock& clock, std::wstring path, HWND notify);
    // From start until finish.
    bool busy() const { return worker_.joinable(); }
    // Waits for the save's end and returns its error (0: saved); path() is the file's name.
    DWORD finish();
    const std::wstring& path() const { return path_; }

private:
    std::thread worker_;
    std::wstring path_;
    DWORD error_ = 0; // written by the worker before it posts its message
};
