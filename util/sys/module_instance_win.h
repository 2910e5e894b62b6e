// module_instance: the program's own module handle, taken once at start-up.
#pragma once

#include <windows.h>

extern HINSTANCE module_instance;
