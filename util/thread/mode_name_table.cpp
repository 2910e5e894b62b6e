// The process-wide names of the time source modes.
#include "util/thread/hrtime.h"

namespace {

constexpr value_name mode_names[] = {
    {hrtime_tsc, "tsc"},
    {hrtime_perfcnt, "perfcnt"},
    {hrtime_ticks, "ticks"},
    {hrtime_tsc_raw, "tsc_raw"},
};

} // namespace

const value_name_table mode_name_table(mode_names, "unknown");
