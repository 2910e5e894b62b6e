// Drives the store, its buckets and the pictures with a session read from the input, at a
// display scale it chooses, and compares the pictures' pixels with the plain walk's after
// every change.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/app/graph/graph_scene.h"
#include "tests/app/graph/graph_session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t pos = 0;
    // Two bytes per choice; an exhausted input keeps answering 0.
    const auto choice = [&]() -> std::uint32_t {
        std::uint32_t value = 0;
        for (int i = 0; i < 2; ++i) value = value << 8 | (pos < size ? data[pos++] : 0u);
        return value;
    };
    // The first choice is the line rule, the second the display scale (100 % to 300 %); then
    // the session, a paint after each change.
    const line_ends ends = line_rule(choice());
    const std::uint32_t dpis[] = {96, 120, 144, 192, 240, 288};
    graph_scene scene(ends, display_scale{dpis[choice() % 6]});
    graph_session<graph_scene> session(scene, choice);
    session.start(20000.0);
    const int changes = static_cast<int>(size / 16) + 1;
    for (int i = 0; i < changes; ++i) {
        const std::string what = session.change();
        const std::string failure = scene.frame(session.now());
        if (!failure.empty()) {
            std::fprintf(stderr, "pictures differ from the plain walk after %s (change %d): %s\n",
                         what.c_str(), i, failure.c_str());
            std::abort();
        }
    }
    return 0;
}
