#include "util/thread/cpu_info.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <string>

namespace {

// CPUID answers by leaf; leaves not given answer zeros.
std::map<std::uint32_t, std::array<std::uint32_t, 4>> cpuid_answers;

void fake_cpuid(std::uint32_t leaf, std::uint32_t regs[4]) {
    const auto found = cpuid_answers.find(leaf);
    for (int i = 0; i < 4; ++i) regs[i] = found == cpuid_answers.end() ? 0 : found->second[i];
}

std::uint32_t text_register(const char* four) {
    std::uint32_t value = 0;
    std::memcpy(&value, four, 4);
    return value;
}

// The 48 brand characters as the three leaves give them.
void answer_brand(const std::string& brand48) {
    for (std::uint32_t leaf = 0; leaf < 3; ++leaf) {
        std::array<std::uint32_t, 4> regs{};
        for (int i = 0; i < 4; ++i) regs[i] = text_register(brand48.c_str() + leaf * 16 + i * 4);
        cpuid_answers[0x80000002u + leaf] = regs;
    }
}

std::string cleaned(std::string text) {
    text.push_back('\0');
    clean_brand(&text[0]);
    return text.c_str();
}

TEST(cpu_info, fills_every_field_from_cpuid) {
    cpuid_answers.clear();
    cpuid_answers[0] = {13, text_register("Genu"), text_register("ntel"), text_register("ineI")};
    cpuid_answers[1] = {0x000906EA, 0x00100800, 0x7FFAFBBF, 0xBFEBFBFF};
    cpuid_answers[0x80000000u] = {0x80000008u, 0, 0, 0};
    std::string brand = "       Intel(R) Core(TM)  i7-8700 CPU @ 3.20GHz ";
    brand.resize(48, '\0');
    answer_brand(brand);

    cpu_info info;
    std::memset(&info, 0x5A, sizeof info);
    fill_cpu_info(info, fake_cpuid);
    EXPECT_EQ(info.max_leaf, 13u);
    EXPECT_STREQ(info.vendor, "GenuineIntel");
    EXPECT_EQ(info.vendor_id, vendor_intel);
    EXPECT_EQ(info.signature, 0x000906EAu);
    EXPECT_EQ(info.brand_info, 0x00100800u);
    EXPECT_EQ(info.features_ecx, 0x7FFAFBBFu);
    EXPECT_EQ(info.features_edx, 0xBFEBFBFFu);
    EXPECT_EQ(info.max_ext_leaf, 0x80000008u);
    EXPECT_STREQ(info.brand, "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz");
    EXPECT_TRUE(has_tsc(info));
}

TEST(cpu_info, leaves_missing_parts_zero) {
    cpuid_answers.clear();
    cpuid_answers[0] = {0, text_register("Auth"), text_register("cAMD"), text_register("enti")};
    cpuid_answers[1] = {0x00A20F12, 1, 2, 0x10};
    cpuid_answers[0x80000000u] = {0x80000003u, 0, 0, 0};
    answer_brand(std::string(48, 'x'));
    cpu_info info;
    std::memset(&info, 0x5A, sizeof info);
    fill_cpu_info(info, fake_cpuid);
    EXPECT_STREQ(info.vendor, "AuthenticAMD");
    EXPECT_EQ(info.vendor_id, vendor_amd);
    EXPECT_EQ(info.signature, 0u);
    EXPECT_EQ(info.features_edx, 0u);
    EXPECT_STREQ(info.brand, "");
    EXPECT_FALSE(has_tsc(info));
}

TEST(cpu_info, brand_cleaning_and_vendor_ids) {
    EXPECT_EQ(cleaned("   A  B   C "), "A B C");
    EXPECT_EQ(cleaned("A  "), "A");
    EXPECT_EQ(cleaned("    "), "");
    EXPECT_EQ(cleaned(""), "");
    EXPECT_EQ(cleaned("plain"), "plain");
    EXPECT_EQ(vendor_id_of("GenuineIntel"), vendor_intel);
    EXPECT_EQ(vendor_id_of("AuthenticAMD"), vendor_amd);
    EXPECT_EQ(vendor_id_of("GenuineIntelX"), vendor_other);
    EXPECT_EQ(vendor_id_of("HygonGenuine"), vendor_other);
}

TEST(cpu_info, tsc_availability_and_excluded_models) {
    cpu_info intel{};
    intel.max_leaf = 2;
    intel.features_edx = 1u << 4;
    intel.vendor_id = vendor_intel;
    intel.signature = 0xF24;
    intel.brand_info = 0x0000000E;
    EXPECT_FALSE(has_tsc(intel));
    intel.signature = 0xF0000F27; // the top four bits do not count
    intel.brand_info = 0x1234560F;
    EXPECT_FALSE(has_tsc(intel));
    intel.brand_info = 13;
    EXPECT_TRUE(has_tsc(intel));
    intel.signature = 0xF25;
    intel.brand_info = 14;
    EXPECT_TRUE(has_tsc(intel));
    intel.signature = 0x6B1; // family 6 model 11, any stepping
    intel.brand_info = 6;
    EXPECT_FALSE(has_tsc(intel));
    intel.signature = 0x106B1; // extended model bits do not count
    EXPECT_FALSE(has_tsc(intel));
    intel.brand_info = 7;
    EXPECT_TRUE(has_tsc(intel));

    // The same signatures on another vendor are fine.
    cpu_info other = intel;
    other.vendor_id = vendor_amd;
    other.signature = 0xF24;
    other.brand_info = 14;
    EXPECT_TRUE(has_tsc(other));
    other.features_edx = 0;
    EXPECT_FALSE(has_tsc(other));
    other.features_edx = 1u << 4;
    other.max_leaf = 0;
    EXPECT_FALSE(has_tsc(other));
}

} // namespace
