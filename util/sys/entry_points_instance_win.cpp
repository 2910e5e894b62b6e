// The process-wide library loader and the entry-point holders built on it. They
// share this file because the holders use the loader in their constructors: the
// order of definition below is the order of construction.
#include "util/sys/entry_points_win.h"

lib_loader process_lib_loader;

common_controls_entry process_common_controls_entry(process_lib_loader);
layered_window_entry process_layered_window_entry(process_lib_loader);
mouse_tracking_entry process_mouse_tracking_entry(process_lib_loader);
named_entry_pair process_named_entries(process_lib_loader);
