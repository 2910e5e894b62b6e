#include "util/thread/cpu_info.h"

#include <intrin.h>

namespace {

void system_cpuid(std::uint32_t leaf, std::uint32_t regs[4]) {
    int out[4] = {};
    __cpuid(out, static_cast<int>(leaf));
    for (int i = 0; i < 4; ++i) regs[i] = static_cast<std::uint32_t>(out[i]);
}

} // namespace

cpu_info read_cpu_info() {
    cpu_info info;
    fill_cpu_info(info, system_cpuid);
    return info;
}
