// cpu_info: the processor's identification as CPUID reports it, and whether its time-stamp counter is usable.
#pragma once

#include <cstdint>

struct cpu_info {
    // CPUID leaf 1: EAX, EBX, ECX, EDX (zero when leaf 1 is not available).
    std::uint32_t signature;
    std::uint32_t brand_info;
    std::uint32_t features_ecx;
    std::uint32_t features_edx;
    // Highest standard leaf (leaf 0, EAX).
    std::uint32_t max_leaf;
    // Leaf 0: EBX, EDX, ECX as text, NUL-terminated.
    char vendor[13];
    // Highest extended leaf (leaf 0x80000000, EAX).
    std::uint32_t max_ext_leaf;
    // Leaves 0x80000002 to 0x80000004, cleaned of leading, doubled and one trailing space.
    char brand[49];
    // vendor_intel, vendor_amd or vendor_other.
    int vendor_id;
};

enum : int { vendor_other = 0, vendor_intel = 1, vendor_amd = 2 };

// Runs CPUID for `leaf` (sub-leaf 0) into regs: EAX, EBX, ECX, EDX.
using cpuid_function = void (*)(std::uint32_t leaf, std::uint32_t regs[4]);

// Zeroes `info` and fills it from `cpuid`.
void fill_cpu_info(cpu_info& info, cpuid_function cpuid);

// Removes a space that follows a space or starts the text, then one trailing space.
void clean_brand(char* brand);

int vendor_id_of(const char* vendor);

// The counter exists (leaf 1, EDX bit 4) and the processor is none of the Intel
// models whose counter is known to be unusable for timing.
bool has_tsc(const cpu_info& info);

#ifdef _WIN32
// The processor this code runs on.
cpu_info read_cpu_info();

// The process-wide identification, filled at start-up.
extern const cpu_info process_cpu_info;
#endif
