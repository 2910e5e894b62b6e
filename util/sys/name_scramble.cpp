#include "util/sys/name_scramble.h"

std::string unscramble_name(const std::string& scrambled) {
    std::string plain(scrambled);
    unsigned key = static_cast<unsigned>((scrambled.size() + name_scramble_start_key) % name_scramble_count);
    for (char& ch : plain) {
        const unsigned code = static_cast<unsigned char>(ch);
        if (code < name_scramble_first || code >= name_scramble_first + name_scramble_count) continue;
        const unsigned position =
            (code - name_scramble_first + name_scramble_count - key) % name_scramble_count;
        ch = static_cast<char>(name_scramble_first + position);
        key = (position + name_scramble_step_key) % name_scramble_count;
    }
    return plain;
}
