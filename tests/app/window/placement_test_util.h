// placement compared and printed in test expectations.
#pragma once

#include <ostream>

#include "app/window/placement.h"

// Found by argument-dependent lookup, so beside placement in the global namespace.
inline bool operator==(const placement& a, const placement& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

inline std::ostream& operator<<(std::ostream& out, const placement& p) {
    return out << p.x << ',' << p.y << ' ' << p.width << 'x' << p.height;
}
