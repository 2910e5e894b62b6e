// The process-wide description of the running Windows.
#include "util/sys/os_info.h"

const os_info process_os_info = os_info::detect();
