// Unscrambling of names that the program stores in scrambled form (optional libraries and entry points).
#pragma once

#include <string>

// A running substitution over the 95 character codes 33 to 127. A character in
// that range is shifted back by the running key, modulo 95, within the range;
// the key starts at the text's length plus name_scramble_start_key and becomes,
// after each shifted character, its unscrambled position in the range plus
// name_scramble_step_key. Other characters stay and leave the key as it is.
constexpr unsigned name_scramble_first = 33;
constexpr unsigned name_scramble_count = 95;
constexpr unsigned name_scramble_start_key = 29;
constexpr unsigned name_scramble_step_key = 61;

std::string unscramble_name(const std::string& scrambled);
