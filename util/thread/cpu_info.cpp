#include "util/thread/cpu_info.h"

#include <cstring>

namespace {

constexpr std::uint32_t leaf_vendor = 0;
constexpr std::uint32_t leaf_features = 1;
constexpr std::uint32_t leaf_ext_max = 0x80000000u;
constexpr std::uint32_t leaf_brand_first = 0x80000002u;
constexpr std::uint32_t leaf_brand_last = 0x80000004u;

constexpr std::uint32_t feature_tsc = 1u << 4; // leaf 1, EDX

enum { eax, ebx, ecx, edx };

void put_register(char* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

void fill_cpu_info(cpu_info& info, cpuid_function cpuid) {
    std::memset(&info, 0, sizeof info);
    std::uint32_t regs[4] = {};
    cpuid(leaf_vendor, regs);
    info.max_leaf = regs[eax];
    put_register(info.vendor, regs[ebx]);
    put_register(info.vendor + 4, regs[edx]);
    put_register(info.vendor + 8, regs[ecx]);
    if (info.max_leaf > 0) {
        cpuid(leaf_features, regs);
        info.signature = regs[eax];
        info.brand_info = regs[ebx];
        info.features_ecx = regs[ecx];
        info.features_edx = regs[edx];
    }
    cpuid(leaf_ext_max, regs);
    info.max_ext_leaf = regs[eax];
    if (info.max_ext_leaf >= leaf_brand_last) {
        char* out = info.brand;
        for (std::uint32_t leaf = leaf_brand_first; leaf <= leaf_brand_last; ++leaf) {
            cpuid(leaf, regs);
            for (std::uint32_t value : regs) {
                put_register(out, value);
                out += 4;
            }
        }
        clean_brand(info.brand);
    }
    info.vendor_id = vendor_id_of(info.vendor);
}

void clean_brand(char* brand) {
    char* out = brand;
    bool after_space = true;
    for (const char* in = brand; *in != '\0'; ++in) {
        const bool space = *in == ' ';
        if (!(space && after_space)) *out++ = *in;
        after_space = space;
    }
    if (out != brand && out[-1] == ' ') --out;
    *out = '\0';
}

int vendor_id_of(const char* vendor) {
    if (std::strcmp(vendor, "GenuineIntel") == 0) return vendor_intel;
    if (std::strcmp(vendor, "AuthenticAMD") == 0) return vendor_amd;
    return vendor_other;
}

bool has_tsc(const cpu_info& info) {
    if (info.max_leaf < 1 || (info.features_edx & feature_tsc) == 0) return false;
    if (info.vendor_id != vendor_intel) return true;
    const std::uint32_t brand_index = info.brand_info & 0xFF;
    const std::uint32_t signature = info.signature & 0x0FFFFFFFu;
    // Family 15 model 2 (steppings 4 and 7) of brands 14 and 15, and family 6
    // model 11 of brand 6: their counter is not trusted for timing.
    if ((signature == 0xF24 || signature == 0xF27) && (brand_index == 14 || brand_index == 15)) return false;
    if ((info.signature & 0xFF0) == 0x6B0 && brand_index == 6) return false;
    return true;
}
