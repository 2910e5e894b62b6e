// The process-wide clock. Start-up gives it the processor count; it reads
// nothing else until its first reading.
#include "util/thread/hrtime.h"

hrtime process_hrtime(process_cpu_info, mode_name_table, description_table, system_hrtime_platform());
