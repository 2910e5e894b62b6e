#include "util/sys/startup_win.h"

const std::wstring url_suffix = L"?echoview-5.00";
