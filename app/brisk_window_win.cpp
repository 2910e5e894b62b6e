#include "app/brisk_window_win.h"

brisk_window* main_window = nullptr;
