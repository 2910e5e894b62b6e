#include "util/ui/command_line.h"

#include <windows.h>

std::wstring command_line_args() {
    return command_line_args(GetCommandLineW());
}
