// The line-end rule of this system's GDI+, learnt by drawing test lines.
#pragma once

#include "app/graph/line_ends.h"
#include "app/render/gdiplus_win.h"

// The rule for 1-pixel opaque pens without antialiasing, worked out once per
// process (GDI+ must be running).
const line_ends& gdiplus_line_ends();

// Works the rule out by drawing test lines with `pen` into a scratch bitmap; not
// known when the lines follow no rule of line_ends.
line_ends probe_line_ends(gdip_pen& pen);
