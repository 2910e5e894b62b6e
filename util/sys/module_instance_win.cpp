#include "util/sys/module_instance_win.h"

HINSTANCE module_instance = GetModuleHandleA(nullptr);
