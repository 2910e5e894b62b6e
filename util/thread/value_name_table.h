// value_name_table: a constant list of (value, name) pairs with one name for every value outside it.
#pragma once

#include <cstddef>

struct value_name {
    int value;
    const char* name;
};

// Built from constant data only, so a process-wide table is ready before any
// start-up code runs.
class value_name_table {
public:
    template <std::size_t N>
    constexpr value_name_table(const value_name (&pairs)[N], const char* unknown)
        : pairs_(pairs), count_(N), unknown_(unknown) {}

    bool contains(int value) const { return find(value) != nullptr; }
    // The name of `value`, or the name for unknown values.
    const char* name(int value) const {
        const value_name* found = find(value);
        return found ? found->name : unknown_;
    }

private:
    const value_name* find(int value) const {
        for (std::size_t i = 0; i < count_; ++i)
            if (pairs_[i].value == value) return &pairs_[i];
        return nullptr;
    }

    const value_name* pairs_;
    std::size_t count_;
    const char* unknown_;
};
