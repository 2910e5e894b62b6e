#include "util/sys/entry_points_win.h"

namespace {

// The library and the two entry points of the named pair, scrambled (see name_scramble.h).
const wchar_t named_library[] = L".tMT]PN<\"|/MU";
const char named_first_entry[] = ".ri7&z*,koBA@g'";
const char named_second_entry[] = ".#i7%*JE70~z40r\x7f"
                                  "5&*:6cqvl3/vz40";

} // namespace

common_controls_entry::common_controls_entry(lib_loader& loader) : fixed_proc(loader) {
    if (const function init = get()) {
        INITCOMMONCONTROLSEX classes;
        classes.dwSize = sizeof classes;
        classes.dwICC = ICC_BAR_CLASSES;
        init(&classes);
    }
}

named_entry_pair::named_entry_pair(lib_loader& loader)
    : first(loader, named_library, named_first_entry), second(loader, named_library, named_second_entry) {}
