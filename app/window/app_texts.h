// The application's texts that name it and its version to the outside world.
#pragma once

#include "echoview_version.h"

// Appended to the maker's help and contact page addresses, so the site learns which
// program and version asked. Constant: ready before any start-up object is built.
inline constexpr wchar_t url_suffix[] = L"?echoview-" ECHOVIEW_VERSION_WTEXT;
