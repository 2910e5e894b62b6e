// The process-wide objects built before the entry point runs and taken down after it returns.
#pragma once

#include <string>

// The query text the help and contact pages append to their addresses.
extern const std::wstring url_suffix;
