// Drives the sample store with operations read from the input and checks its invariants after each.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/app/store/store_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t pos = 0;
    // Two bytes per choice; an exhausted input keeps answering 0.
    store_exercise::session session([&]() -> std::uint32_t {
        std::uint32_t value = 0;
        for (int i = 0; i < 2; ++i) value = value << 8 | (pos < size ? data[pos++] : 0u);
        return value;
    });
    const std::string failure = session.run(static_cast<int>(size / 8 + 1));
    if (!failure.empty()) {
        std::fprintf(stderr, "store invariant broken: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
