// end_session: does to the running Echoview what Windows does at log-off. It asks the window
// (WM_QUERYENDSESSION), tells it the outcome (WM_ENDSESSION) and, when the session ends, ends
// the process the moment WM_ENDSESSION returns: no WM_DESTROY, nothing run after.
//
// usage: end_session [--cancel]
//   without --cancel  the session ends: WM_ENDSESSION with TRUE, then the process is
//                     terminated with exit code 77; unless the window refused (answered
//                     FALSE), which cancels the session as below
//   --cancel          another program refused: WM_ENDSESSION with FALSE, the program goes on
// Prints "query N" with the window's answer. Exit code 0 when all was done, 1 on a usage
// error, 2 without a window, 3 when the window did not answer or the process could not be
// ended, 4 when the window refused to let the session end.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "app/store/wire_protocol.h"
#include "util/sys/handle_owner_win.h"

namespace {

constexpr UINT answer_wait_ms = 5000;
constexpr UINT end_exit_code = 77; // what the test sees as the ended program's exit code
constexpr DWORD exit_wait_ms = 10000;

} // namespace

int wmain(int argc, wchar_t** argv) {
    const bool cancel = argc == 2 && std::wcscmp(argv[1], L"--cancel") == 0;
    if (argc > 2 || (argc == 2 && !cancel)) {
        std::fwprintf(stderr, L"usage: end_session [--cancel]\n");
        return 1;
    }
    const HWND window = FindWindowW(main_window_class, nullptr);
    if (!window) {
        std::fwprintf(stderr, L"end_session: no %ls window\n", main_window_class);
        return 2;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    // Opened before the messages, so that no time passes between the last one and the end.
    const owned_handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) {
        std::fwprintf(stderr, L"end_session: cannot open process %lu: error %lu\n", pid, GetLastError());
        return 3;
    }
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                             answer_wait_ms, &answer)) {
        std::fwprintf(stderr, L"end_session: no answer to WM_QUERYENDSESSION: error %lu\n", GetLastError());
        return 3;
    }
    std::wprintf(L"query %lu\n", static_cast<unsigned long>(answer));
    std::fflush(stdout);
    const bool ends = !cancel && answer != 0;
    DWORD_PTR ignored = 0;
    const bool told = SendMessageTimeoutW(window, WM_ENDSESSION, ends ? TRUE : FALSE, ENDSESSION_LOGOFF,
                                          SMTO_ABORTIFHUNG, answer_wait_ms, &ignored) != 0;
    int code = 0;
    if (!told)
        code = 3;
    else if (!cancel && !ends)
        code = 4;
    if (ends) {
        if (!TerminateProcess(process.get(), end_exit_code) ||
            WaitForSingleObject(process.get(), exit_wait_ms) != WAIT_OBJECT_0)
            code = 3;
    }
    if (code == 3) std::fwprintf(stderr, L"end_session: the window was not told, or the process not ended\n");
    if (code == 4) std::fwprintf(stderr, L"end_session: the window refused to let the session end\n");
    return code;
}
