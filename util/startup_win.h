// The process-wide objects built before the entry point runs and taken down after it returns.
//
// All of them are defined in one translation unit, startup_win.cpp, in the order they
// must be built; the language then destroys them in the reverse order at exit. Each
// object's own header declares it (slow_timer, the trace sinks and channels,
// process_os_info, process_lib_loader, ...); this header adds what belongs to no class.
#pragma once

class hook_registry;

// The registry of message hooks; the program enters none.
extern hook_registry process_hook_registry;
