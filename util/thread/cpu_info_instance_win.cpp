// The process-wide processor identification.
#include "util/thread/cpu_info.h"

const cpu_info process_cpu_info = read_cpu_info();
