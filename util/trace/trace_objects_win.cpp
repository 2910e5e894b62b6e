// The channels' fallback buffer. Constant-initialised and without teardown, so text sent
// before the start-up objects exist, or after they are gone, always has a place.
#include "util/trace/trace_channel_win.h"

trace_early_buffer early_buffer{};
