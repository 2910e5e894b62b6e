// The window class icon, loaded from the program's resources or a file, with retries.
#include "app/window/icon_win.h"

#include "util/format/format.h"
#include "util/sys/module_instance_win.h"
#include "util/sys/os_info.h"
#include "util/trace/trace_channel_win.h"

const wchar_t main_icon_name[] = L"IDR_0MAIN";

HICON load_icon(const wchar_t* name, bool from_file, bool small, bool retry, unsigned retry_pause_ms) {
    UINT flags = from_file ? LR_LOADFROMFILE : LR_SHARED;
    if (!small) flags |= LR_DEFAULTSIZE;
    // Before Windows XP the 16-colour images are the ones that look right.
    if (process_os_info.version < 501) flags |= LR_VGACOLOR;
    const int width = small ? GetSystemMetrics(SM_CXSMICON) : 0;
    const int height = small ? GetSystemMetrics(SM_CYSMICON) : 0;

    const int attempts = retry ? 3 : 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (HANDLE icon = LoadImageW(module_instance, name, IMAGE_ICON, width, height, flags))
            return static_cast<HICON>(icon);
        if (!retry) break;
        const DWORD error = GetLastError();
        output_channel.send_wide(
            basic_format<wchar_t>(L"load_icon(%?) error %?\n").arg(name).arg(error).str().c_str());
        Sleep(retry_pause_ms);
    }
    return nullptr;
}
